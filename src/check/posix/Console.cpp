// The POSIX streams: a terminal is a tty, and text is written as bytes.
#include "check/Console.h"

#include <unistd.h>

#include <cstdio>

namespace tarnwell::check::console {
namespace {

bool lost = false;

std::FILE* File(Stream stream) {
  return stream == Stream::kOut ? stdout : stderr;
}

}  // namespace

void Prepare() {}

bool ShowsColor(Stream stream) { return isatty(fileno(File(stream))) != 0; }

void Write(Stream stream, std::string_view text) {
  if (std::fwrite(text.data(), 1, text.size(), File(stream)) != text.size() ||
      std::fflush(File(stream)) != 0) {
    lost = true;
  }
}

bool LostOutput() { return lost; }

}  // namespace tarnwell::check::console
