// The install pass as a setup .inf for the Windows CE CAB Wizard: the
// sections the wizard requires, and an AddReg section with one line per
// value in the installer's order. It installs no file.
#pragma once

#include <string>

#include "check/EmitText.h"

namespace tarnwell::check {

// The .inf; every text must have passed FindUnwritableText.
std::string FormatCabInf(const EmitInput& input);

}  // namespace tarnwell::check
