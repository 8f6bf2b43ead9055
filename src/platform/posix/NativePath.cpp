#include "platform/posix/NativePath.h"

#include <unistd.h>

#include <cerrno>
#include <vector>

namespace tarnwell::posix {
namespace {

void PutEscaped(std::u16string& out, unsigned char byte) {
  out += static_cast<char16_t>(0xDC00 + byte);
}

void PutUtf8(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, EncodeUtf8(c, bytes));
}

}  // namespace

std::size_t EncodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

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
  for (std::size_t i = 0; i < text.size(); ++i) {
    char16_t u = text[i];
    if (u >= 0xDC80 && u <= 0xDCFF) {
      out += static_cast<char>(u - 0xDC00);  // a byte carried through
    } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() &&
               text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      char32_t c = 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      PutUtf8(out, c);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      PutUtf8(out, 0xFFFD);  // a lone surrogate names no byte
    } else {
      PutUtf8(out, u);
    }
  }
  return out;
}

std::string ExecutablePath() {
  std::vector<char> buffer(256);
  for (;;) {
    ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
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
