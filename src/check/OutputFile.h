// -o FILE as tarnwell-check writes it: a new file beside the old one,
// renamed over it, so that a failed write leaves the old file, or none, and
// never half of one. One implementation per world (posix/, win32/).
#pragma once

#include <string>

namespace tarnwell::check {

// Writes the bytes as the file `name` (UTF-8); false when it was not
// written. A symbolic link of the user (or of root) stays and leads to the
// new file. What is refused untouched says *why: an existing file that is
// no regular file (a device, a FIFO, a directory), and another user's link,
// which could aim the output at any file of the user.
bool ReplaceFile(const std::string& name, const std::string& bytes,
                 std::string* why);

}  // namespace tarnwell::check
