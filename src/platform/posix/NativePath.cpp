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

void PutUtf8(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, regstore::EncodeUtf8(c, bytes));
}

}  // namespace

std::u16string NativeToWide(std::string_view bytes) {
  std::u16string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80) {
      out += static_cast<char16_t>(b);
      ++i;
      continue;
    }
    // C0, C1 and F5..FF never start a UTF-8 sequence.
    int length = b >= 0xF5   ? 0
                 : b >= 0xF0 ? 4
                 : b >= 0xE0 ? 3
                 : b >= 0xC2 ? 2
                             : 0;
    char32_t c = length == 4 ? b & 0x07 : length == 3 ? b & 0x0F : b & 0x1F;
    bool valid = length != 0 && i + length <= bytes.size();
    for (int k = 1; valid && k < length; ++k) {
      unsigned char cont = static_cast<unsigned char>(bytes[i + k]);
      if ((cont & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (cont & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
    if (valid && ((length == 3 && c < 0x800) || (length == 4 && c < 0x10000) ||
                  (c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)) {
      valid = false;
    }
    if (!valid) {
      PutEscaped(out, b);
      ++i;
      continue;
    }
    if (c >= 0x10000) {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      out += static_cast<char16_t>(c);
    }
    i += length;
  }
  return out;
}

std::string WideToNative(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = regstore::NextCodePoint(text, &i);
    if (c >= 0xDC80 && c <= 0xDCFF) {
      out += static_cast<char>(c - 0xDC00);  // a byte carried through
    } else {
      // A lone surrogate names no byte.
      PutUtf8(out, regstore::IsSurrogate(c) ? 0xFFFD : c);
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
