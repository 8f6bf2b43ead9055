#include "platform/regfile/Utf.h"

namespace tarnwell::regstore {

char32_t NextCodePoint(std::u16string_view text, std::size_t* i) {
  char32_t c = text[(*i)++];
  if (c >= 0xD800 && c <= 0xDBFF && *i < text.size() &&
      text[*i] >= 0xDC00 && text[*i] <= 0xDFFF) {
    c = 0x10000 + ((c - 0xD800) << 10) + (text[(*i)++] - 0xDC00);
  }
  return c;
}

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

}  // namespace tarnwell::regstore
