#include "config/HexNumber.h"

namespace tarnwell {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsHexSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' ||
         c == '\r';
}

HexSpelling SpellHexNumber(std::string_view text, std::size_t start) {
  HexSpelling s;
  std::size_t pos = start;
  while (pos < text.size() && IsHexSpace(text[pos])) ++pos;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    s.Negative = text[pos] == '-';
    ++pos;
  }
  if (pos + 1 < text.size() && text[pos] == '0' &&
      (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    s.Prefix = true;
    pos += 2;
  }
  s.DigitsBegin = pos;
  while (pos < text.size() && HexDigit(text[pos]) >= 0) ++pos;
  s.DigitsEnd = pos;
  return s;
}

HexNumber ReadHexNumber(std::string_view text, unsigned width,
                        std::size_t start) {
  HexNumber failed;
  failed.End = text.size();

  const HexSpelling spelling = SpellHexNumber(text, start);
  if (spelling.DigitsBegin == spelling.DigitsEnd) return failed;

  const std::uint64_t limit =
      width >= 64 ? UINT64_MAX : (std::uint64_t{1} << width) - 1;
  std::uint64_t magnitude = 0;
  bool saturated = false;
  for (std::size_t pos = spelling.DigitsBegin; pos < spelling.DigitsEnd;
       ++pos) {
    if (magnitude > (UINT64_MAX >> 4)) {
      saturated = true;
      break;
    }
    magnitude = (magnitude << 4) | static_cast<std::uint64_t>(HexDigit(text[pos]));
  }

  HexNumber result;
  result.Ok = true;
  result.End = spelling.DigitsEnd;
  const bool negative = spelling.Negative;
  if (width >= 64) {
    // Beyond 64 bits the reading is all ones, sign or not.
    result.Value = saturated ? UINT64_MAX
                             : (negative ? (~magnitude + 1) : magnitude);
    return result;
  }
  if (saturated || magnitude > limit) return failed;
  result.Value = negative ? ((~magnitude + 1) & limit) : magnitude;
  return result;
}

}  // namespace tarnwell
