#include "check/Text.h"

#include "config/KeyName.h"
#include "regstore/Utf.h"

namespace tarnwell::check {

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0;
    const std::size_t length = regstore::DecodeUtf8(text, i, &c);
    const unsigned char u = static_cast<unsigned char>(text[i]);
    if (u == '\r') {
      out += "\\r";
    } else if (u == '\t') {
      out += "\\t";
    } else if (length == 0 || u < 0x20 || u == 0x7F) {
      out += "\\x" + HexDigits(u, 2);
    } else if (c >= 0x80 && c < 0xA0) {
      out += "\\u" + HexDigits(c, 4);  // C1 controls drive terminals too
    } else {
      out.append(text.substr(i, length));
    }
    i += length == 0 ? 1 : length;
  }
  return out + "\"";
}

std::string Printable(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = 0xFFFD;
    const std::size_t length = regstore::DecodeUtf8(text, i, &c);
    // A control character could drive the terminal (ESC, or C1's CSI).
    const bool control = (c < 0x20 && c != '\n' && c != '\t') ||
                         (c >= 0x7F && c < 0xA0);
    regstore::AppendUtf8(out, control ? 0xFFFD : c);
    i += length == 0 ? 1 : length;
  }
  return out;
}

bool IsDecimal(std::string_view text) {
  return text.find_first_not_of("0123456789") == std::string_view::npos;
}

std::uint64_t DecimalValue(std::string_view digits) {
  std::uint64_t n = 0;
  for (char c : digits) n = n * 10 + static_cast<std::uint64_t>(c - '0');
  return n;
}

bool EndsWithFolded(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         KeyIs(text.substr(text.size() - end.size()), end);
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
  for (char c : bytes) {
    regstore::AppendUtf8(out, static_cast<unsigned char>(c));
  }
  return out;
}

std::u32string DecodeUtf8OrLatin1(std::string_view text) {
  std::u32string out;
  for (std::size_t i = 0; i < text.size();) {
    char32_t c = static_cast<unsigned char>(text[i]);
    const std::size_t length = regstore::DecodeUtf8(text, i, &c);
    out += c;
    i += length == 0 ? 1 : length;
  }
  return out;
}

}  // namespace tarnwell::check
