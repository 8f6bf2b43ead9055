// tarnwell-check --emit=KIND -o FILE: the install pass's keys and values
// as a registry fragment for an OS image (image-reg: key headers,
// "Name"="text" and "Name"=dword:XXXXXXXX lines, CRLF line ends, no
// regedit header) or as a setup .inf for the Windows CE CAB Wizard
// (cab-inf: the sections the wizard requires and an AddReg section, one
// line per value; it installs no file). Only printable ASCII goes into
// them: image builders and the CAB Wizard read these files in the build
// machine's code page, which nothing here can know.
#pragma once

#include <string>
#include <string_view>

#include "check/Diagnostic.h"
#include "check/FileCheck.h"

namespace tarnwell::check {

enum class EmitKind { kImageReg, kCabInf };

// "image-reg" or "cab-inf"; false for anything else.
bool ParseEmitKind(std::string_view name, EmitKind* kind);

// The first text of the pass that the file cannot hold, as an error at the
// line of the file that gave it; false when every text can go in.
bool FindUnwritable(const FileReport& report, Diagnostic* refusal);

// The file of that kind for the checked file `name` (as messages show it):
// keys in the order the installer first created them, each with its values
// in the order first written, holding the last data written. Every text
// must have passed FindUnwritable.
std::string Emit(EmitKind kind, const FileReport& report,
                 const std::string& name, const std::string& version);

}  // namespace tarnwell::check
