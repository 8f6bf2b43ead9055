// Standard output and error as tarnwell-check writes them: UTF-8 text out,
// and standard input read as bytes. One implementation per world (posix/,
// win32/), picked by CMake; the rest of the checker is the same everywhere.
#pragma once

#include <string_view>

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
