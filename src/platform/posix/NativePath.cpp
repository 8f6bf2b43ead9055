#include "platform/posix/NativePath.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/posix/PosixCalls.h"
#include "regstore/Utf.h"

namespace tarnwell::posix {
namespace {

void PutEscaped(std::u16string& out, unsigned char byte) {
  out += static_cast<char16_t>(0xDC00 + byte);
}

}  // namespace

std::u16string NativeToWide(std::string_view bytes) {
  std::u16string out;
  for (std::size_t i = 0; i < bytes.size();) {
    char32_t c = 0;
    const std::size_t length = regstore::DecodeUtf8(bytes, i, &c);
    if (length == 0) {
      PutEscaped(out, static_cast<unsigned char>(bytes[i++]));
    } else {
      regstore::AppendUtf16(out, c);
      i += length;
    }
  }
  return out;
}

std::string WideToNative(std::u16string_view text) {
  std::string out;
  char bytes[4];
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] >= 0xDC80 && text[i] <= 0xDCFF) {
      out += static_cast<char>(text[i++] - 0xDC00);  // a byte carried through
    } else {
      // Any other lone surrogate names no byte: U+FFFD.
      out.append(bytes, regstore::NextUtf8(text, &i, bytes));
    }
  }
  return out;
}

std::string ExecutablePath() {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t n = Calls().Readlinkat(AT_FDCWD, "/proc/self/exe", buffer.data(),
                                   buffer.size());
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < buffer.size()) {
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    }
    if (buffer.size() >= (1u << 20)) {
      errno = ENAMETOOLONG;
      return {};
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace tarnwell::posix
