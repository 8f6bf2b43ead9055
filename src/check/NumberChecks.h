// Checks of a number as the installer read it: numbers it cannot read,
// decimal habits, bits that do not fit, signs and text after the digits.
#pragma once

#include "check/CheckState.h"

namespace tarnwell::check {

// A number of s.Applied's value (not a GUID group) was read.
void CheckNumber(CheckState& s, const NumberConversion& c);

}  // namespace tarnwell::check
