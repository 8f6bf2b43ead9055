// tarnwell-check --emit=KIND -o FILE: the image fragment or the CAB Wizard
// .inf of a checked configuration.
#pragma once

#include <string>
#include <string_view>

#include "check/FileCheck.h"

namespace tarnwell::check {

// The output of `kind` ("image-reg" or "cab-inf") for the checked file
// `name` (as messages show it) into *bytes. Returns 0; 1 when a text of
// the configuration cannot go into the file: then *message,
// compiler-style, names the line that gave it, and nothing is to be
// written.
int EmitText(std::string_view kind, const FileReport& report,
             const std::string& name, const std::string& version,
             std::string* bytes, std::string* message);

}  // namespace tarnwell::check
