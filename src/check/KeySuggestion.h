// What a key that no section knows was probably meant to be.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "config/ReadObserver.h"

namespace tarnwell::check {

// Levenshtein distance without regard to ASCII letter case.
std::size_t KeyDistance(std::string_view a, std::string_view b);

// The key of that kind closest to `key`, when it is close enough to be a
// slip of the keyboard; empty otherwise.
std::string SuggestKey(SectionKind kind, std::string_view key);

}  // namespace tarnwell::check
