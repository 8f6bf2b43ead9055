// tarnwell-check's seam with its world: the program, which each world's
// main (posix/, win32/) calls with its arguments as UTF-8; and standard
// output and error as it writes them, UTF-8 text out, and standard input
// read as bytes, one implementation per world, picked by CMake. The rest
// of the checker is the same everywhere.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::check {

// The whole program: reads configurations with the installer's own reader
// and tells, line by line, where the installer will do something other
// than what the file seems to say. The exit status is the one --help
// describes.
int RunCheckTool(const std::vector<std::string>& args);

}  // namespace tarnwell::check

namespace tarnwell::check::console {

enum class Stream { kOut, kErr };

// Sets the streams up once, before anything is written or read: on
// Windows, bytes pass unchanged (no CR added before LF).
void Prepare();

// True when the stream is a terminal that shows colour escapes; on a
// Windows console this turns their processing on.
bool ShowsColor(Stream stream);

// Writes UTF-8 text: on a Windows console as wide characters, so that it
// shows right in any code page; anywhere else as the bytes themselves.
void Write(Stream stream, std::string_view text);

// True once a write failed (a full disk, a closed stream): the report did
// not reach its reader, and the exit status says so.
bool LostOutput();

}  // namespace tarnwell::check::console
