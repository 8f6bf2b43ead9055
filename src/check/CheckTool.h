// tarnwell-check: reads configurations with the installer's own reader and
// tells, line by line, where the installer will do something other than
// what the file seems to say; optionally shows the registry it would write.
#pragma once

#include <string>
#include <vector>

namespace tarnwell::check {

// The whole program, with its arguments as UTF-8. Exit status, the highest
// of all files: 0 when the installer would read the file and no error was
// found (warnings alone leave it 0), 1 when it would fail to read it or an
// error was found (a warning under --werror), 2 for a usage error, a file
// that cannot be read or an -o FILE that cannot be written.
int RunCheckTool(const std::vector<std::string>& args);

}  // namespace tarnwell::check
