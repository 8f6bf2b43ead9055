// The install pass as a registry fragment for an OS image's registry
// files: key headers, "Name"="text" and "Name"=dword:XXXXXXXX lines, CRLF
// line ends, no regedit header.
#pragma once

#include <string>

#include "check/EmitText.h"

namespace tarnwell::check {

// The fragment; every text must have passed FindUnwritableText.
std::string FormatImageReg(const EmitInput& input);

}  // namespace tarnwell::check
