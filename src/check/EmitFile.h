// tarnwell-check --emit=KIND -o FILE: the image fragment or the CAB Wizard
// .inf of a checked configuration, written whole or not at all.
#pragma once

#include <string>
#include <string_view>

#include "check/FileCheck.h"

namespace tarnwell::check {

// Writes the output of `kind` ("image-reg" or "cab-inf") for the checked
// file `name` (as messages show it) to `path`, through a temporary file
// renamed over it. Returns 0; 1 when a text of the configuration cannot go
// into the file (then nothing is written and *message, compiler-style,
// names the line that gave it); 2 when the file cannot be written.
int EmitFile(std::string_view kind, const std::string& path,
             const FileReport& report, const std::string& name,
             const std::string& version, std::string* message);

}  // namespace tarnwell::check
