// The texts of --list-checks and --explain, which the SARIF rules carry
// too.
#pragma once

#include <string>

#include "check/CheckNames.h"

namespace tarnwell::check {

// Every check: its name, level and one line of meaning.
std::string ListChecksText();

// What the installer does, a wrong and a right example, and the fix.
std::string ExplainText(const CheckInfo& info);

}  // namespace tarnwell::check
