// tarnwell-check's -o FILE: a new file beside the old one, renamed over
// it, so that a failed write leaves the old file, or none, and never half
// of one. One implementation per world (posix/, win32/); only
// tarnwell-check links it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwell::platform {

// Why a file was refused untouched.
enum class OutputRefusal { kNone, kNotRegular, kOthersLink };

// Writes the bytes as the file `name` (UTF-8). A symbolic link of the user
// (or of root) stays and leads to the new file; a link of another user,
// which could aim the output at any file of the user, and what is no
// regular file (a device, a FIFO, a directory) are refused untouched, with
// *refusal saying which. A file written anew keeps its mode; a new one
// gets what the umask leaves. Returns 0 or a Windows error code.
std::int32_t ReplaceFile(const std::string& name, std::string_view bytes,
                         OutputRefusal* refusal);

// Whether the file `name` (UTF-8), through links, is the one standard
// input reads.
bool IsStandardInput(const std::string& name);

}  // namespace tarnwell::platform
