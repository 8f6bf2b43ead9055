// Checks of section headers and of what a whole section gives: headers
// that do not open the section they seem to, sections the installer
// refuses, and load-client and interface keys that match more or less than
// a device.
#pragma once

#include <string_view>

#include "check/CheckState.h"

namespace tarnwell::check {

// A name that a user meant as MODEM SETTINGS: its letters, in any case
// and with any blanks or punctuation between them, spell it, its singular
// or a slip of two letters from it.
bool MeansModemSection(std::string_view name);

// The header that just opened s.Section, with the name the reader took.
void CheckHeader(CheckState& s, std::string_view name);

// The open section was refused for want of "DLL".
void CheckRefusedSection(CheckState& s);

// The open section was accepted; its entry is the last of its list in
// s.Config.
void CheckFinishedSection(CheckState& s);

}  // namespace tarnwell::check
