// tarnwell-check: reads a usbcdc.cfg with the installer's own reader and
// tells, line by line, where the installer will do something other than
// what the file seems to say; optionally shows the registry it would write.
#pragma once

namespace tarnwell::check {

// The whole program. Exit status: 0 when the installer would read the file
// and no check failed, 1 when it would fail to read it (or a warning under
// --werror), 2 for a usage error or a file that cannot be read.
int RunCheckTool(int argc, char** argv);

}  // namespace tarnwell::check
