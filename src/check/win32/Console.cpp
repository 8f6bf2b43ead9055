// The Windows streams: on a console, text goes out through WriteConsoleW
// as UTF-16, so that it shows right whatever the console's code page;
// redirected to a file or a pipe, it goes out as UTF-8 bytes, unchanged.
#include "check/Console.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>

#include "check/Text.h"
#include "regstore/Utf.h"

namespace tarnwell::check::console {
namespace {

bool lost = false;

std::FILE* File(Stream stream) {
  return stream == Stream::kOut ? stdout : stderr;
}

HANDLE Handle(Stream stream) {
  return GetStdHandle(stream == Stream::kOut ? STD_OUTPUT_HANDLE
                                             : STD_ERROR_HANDLE);
}

bool IsConsole(HANDLE handle, DWORD* mode) {
  return handle != INVALID_HANDLE_VALUE && handle != nullptr &&
         GetConsoleMode(handle, mode) != 0;
}

}  // namespace

void Prepare() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

bool ShowsColor(Stream stream) {
  DWORD mode = 0;
  HANDLE handle = Handle(stream);
  if (!IsConsole(handle, &mode)) return false;
  const DWORD kVirtualTerminal = 0x0004;  // ENABLE_VIRTUAL_TERMINAL_PROCESSING
  return (mode & kVirtualTerminal) != 0 ||
         SetConsoleMode(handle, mode | kVirtualTerminal) != 0;
}

void Write(Stream stream, std::string_view text) {
  DWORD mode = 0;
  HANDLE handle = Handle(stream);
  if (!IsConsole(handle, &mode)) {
    if (std::fwrite(text.data(), 1, text.size(), File(stream)) !=
            text.size() ||
        std::fflush(File(stream)) != 0) {
      lost = true;
    }
    return;
  }
  std::u16string wide;
  for (char32_t c : DecodeUtf8OrLatin1(text)) regstore::AppendUtf16(wide, c);
  const wchar_t* units = reinterpret_cast<const wchar_t*>(wide.data());
  std::size_t left = wide.size();
  while (left > 0) {
    // Consoles take limited writes; a large report goes in pieces.
    DWORD chunk = static_cast<DWORD>(left < 16384 ? left : 16384);
    if (chunk < left && units[chunk - 1] >= 0xD800 && units[chunk - 1] < 0xDC00) {
      --chunk;  // keep a surrogate pair in one piece
    }
    DWORD written = 0;
    if (WriteConsoleW(handle, units, chunk, &written, nullptr) == 0 ||
        written == 0) {
      lost = true;
      return;
    }
    units += written;
    left -= written;
  }
}

bool LostOutput() { return lost; }

}  // namespace tarnwell::check::console
