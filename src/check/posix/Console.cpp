// The POSIX streams: a terminal is a tty, and text is written as bytes.
#include "check/Console.h"

#include <unistd.h>

#include <cstdio>

namespace tarnwell::check::console {
namespace {

std::FILE* File(Stream stream) {
  return stream == Stream::kOut ? stdout : stderr;
}

}  // namespace

void Prepare() {}

bool ShowsColor(Stream stream) { return isatty(fileno(File(stream))) != 0; }

void Write(Stream stream, std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), File(stream));
  std::fflush(File(stream));
}

}  // namespace tarnwell::check::console
