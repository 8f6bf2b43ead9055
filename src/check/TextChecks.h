// Checks of a text value: what the installer writes where the line seems
// to say something else (comments, quotes, bytes above 0x7F, cut texts).
#pragma once

#include <cstddef>
#include <string_view>

#include "check/CheckState.h"

namespace tarnwell::check {

// The value of s.Applied, a text key.
void CheckTextValue(CheckState& s);

// The value did not fit its field of `capacity` units.
void CheckTextCut(CheckState& s, std::string_view text, std::size_t capacity);

}  // namespace tarnwell::check
