#include "regstore/Utf.h"

#include <cstring>

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

void AppendUtf8(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, EncodeUtf8(c, bytes));
}

std::size_t NextUtf8(std::u16string_view text, std::size_t* i, char* out) {
  const char32_t c = NextCodePoint(text, i);
  return EncodeUtf8(IsSurrogate(c) ? 0xFFFD : c, out);
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  char bytes[4];
  for (std::size_t i = 0; i < text.size();) {
    out.append(bytes, NextUtf8(text, &i, bytes));
  }
  return out;
}

std::size_t DecodeUtf8(std::string_view bytes, std::size_t i, char32_t* c) {
  const unsigned char lead = static_cast<unsigned char>(bytes[i]);
  // C0, C1 and F5..FF never start a sequence.
  const std::size_t length = lead < 0x80    ? 1
                             : lead < 0xC2  ? 0
                             : lead < 0xE0  ? 2
                             : lead < 0xF0  ? 3
                             : lead <= 0xF4 ? 4
                                            : 0;
  if (length == 0 || i + length > bytes.size()) return 0;
  char32_t v = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    v = (v << 6) | (next & 0x3F);
  }
  static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (v < kLeast[length] || v > 0x10FFFF || IsSurrogate(v)) return 0;
  *c = v;
  return length;
}

void AppendUtf16(std::u16string& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
    return;
  }
  c -= 0x10000;
  out += static_cast<char16_t>(0xD800 + (c >> 10));
  out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
}

void AppendUtf16Le(std::string& out, std::u16string_view text) {
  std::size_t at = out.size();
  out.resize(at + 2 * text.size());
  // A little-endian machine holds the units as their bytes already.
  static const bool kLittleEndian = [] {
    const char16_t probe = 1;
    unsigned char first;
    std::memcpy(&first, &probe, 1);
    return first == 1;
  }();
  if (kLittleEndian) {
    std::memcpy(&out[at], text.data(), 2 * text.size());
    return;
  }
  for (char16_t c : text) {
    out[at++] = static_cast<char>(c & 0xFF);
    out[at++] = static_cast<char>(c >> 8);
  }
}

std::u16string DecodeUtf16Le(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(Utf16LeUnit(bytes, i));
  }
  return text;
}

}  // namespace tarnwell::regstore
