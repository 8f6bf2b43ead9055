// tarnwell-check: reads configurations with the installer's own reader and
// tells, line by line, where the installer will do something other than
// what the file seems to say; optionally shows the registry it would write.
#pragma once

#include <string>
#include <vector>

namespace tarnwell::check {

// The whole program, with its arguments as UTF-8. Exit status: 0 when the
// installer would read every file and no error was found, 1 when it would
// fail to read one or an error was found (a warning under --werror), 2 for
// a usage error or a file that cannot be read.
int RunCheckTool(const std::vector<std::string>& args);

}  // namespace tarnwell::check
