#include "check/Text.h"

#include "regstore/Utf.h"

namespace tarnwell::check {
namespace {

// The length of the valid UTF-8 sequence at text[i] and its code point;
// 0 when the bytes there are no such sequence.
std::size_t Utf8Sequence(std::string_view text, std::size_t i, char32_t* c) {
  const unsigned char lead = static_cast<unsigned char>(text[i]);
  std::size_t length = 0;
  char32_t min = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, min = 0x80, *c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, min = 0x800, *c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, min = 0x10000, *c = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > text.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char next = static_cast<unsigned char>(text[i + k]);
    if ((next & 0xC0) != 0x80) return 0;
    *c = (*c << 6) | (next & 0x3F);
  }
  if (*c < min || *c > 0x10FFFF || regstore::IsSurrogate(*c)) return 0;
  return length;
}

}  // namespace

void AppendUtf8(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, regstore::EncodeUtf8(c, bytes));
}

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      out += "\\x" + HexDigits(u, 2);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

bool IsDecimal(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::string_view WithoutLeadingZeros(std::string_view digits) {
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  return digits;
}

std::string HexDigits(std::uint64_t value, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string reversed;
  do {
    reversed += kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (static_cast<int>(reversed.size()) < digits) reversed += '0';
  return std::string(reversed.rbegin(), reversed.rend());
}

std::string Hex(std::uint64_t value, int digits) {
  return "0x" + HexDigits(value, digits);
}

std::string WidenedAsUtf8(std::string_view bytes) {
  std::string out;
  for (char c : bytes) AppendUtf8(out, static_cast<unsigned char>(c));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = regstore::NextCodePoint(text, &i);
    AppendUtf8(out, regstore::IsSurrogate(c) ? 0xFFFD : c);
  }
  return out;
}

std::u32string DecodeUtf8OrLatin1(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const std::size_t length = Utf8Sequence(text, i, &c);
    if (length == 0) {
      out += static_cast<char32_t>(static_cast<unsigned char>(text[i]));
      ++i;
    } else {
      out += c;
      i += length;
    }
  }
  return out;
}

std::u16string Utf8OrLatin1ToUtf16(std::string_view text) {
  std::u16string out;
  for (char32_t c : DecodeUtf8OrLatin1(text)) {
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
  }
  return out;
}

}  // namespace tarnwell::check
