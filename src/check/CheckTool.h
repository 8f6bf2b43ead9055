// tarnwell-check: reads configurations with the installer's own reader and
// tells, line by line, where the installer will do something other than
// what the file seems to say; optionally shows the registry it would write.
#pragma once

#include <string>
#include <vector>

namespace tarnwell::check {

// The whole program, with its arguments as UTF-8; the exit status is the
// one --help describes.
int RunCheckTool(const std::vector<std::string>& args);

}  // namespace tarnwell::check
