#include "check/Text.h"

#include "platform/regfile/Utf.h"

namespace tarnwell::check {
namespace {

void AppendUtf8(std::string& out, char32_t c) {
  char bytes[4];
  out.append(bytes, regstore::EncodeUtf8(c, bytes));
}

}  // namespace

std::string Quote(std::string_view text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out = "\"";
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20 || u == 0x7F) {
      out += "\\x";
      out += kDigits[u >> 4];
      out += kDigits[u & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Hex(std::uint64_t value, int digits) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string reversed;
  do {
    reversed += kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  while (static_cast<int>(reversed.size()) < digits) reversed += '0';
  return "0x" + std::string(reversed.rbegin(), reversed.rend());
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

}  // namespace tarnwell::check
