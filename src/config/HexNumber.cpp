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

HexNumber ReadHexNumber(std::string_view text, unsigned width,
                        std::size_t start) {
  HexNumber failed;
  failed.End = text.size();

  std::size_t pos = start;
  while (pos < text.size() && IsHexSpace(text[pos])) ++pos;
  if (pos >= text.size()) return failed;

  bool negative = false;
  if (text[pos] == '+' || text[pos] == '-') {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos + 1 < text.size() && text[pos] == '0' &&
      (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
    pos += 2;
  }

  const std::uint64_t limit =
      width >= 64 ? UINT64_MAX : (std::uint64_t{1} << width) - 1;
  std::uint64_t magnitude = 0;
  bool saturated = false;
  std::size_t digits = 0;
  for (; pos < text.size(); ++pos) {
    int digit = HexDigit(text[pos]);
    if (digit < 0) break;
    ++digits;
    if (saturated) continue;
    if (magnitude > (UINT64_MAX >> 4)) {
      saturated = true;
      continue;
    }
    magnitude = (magnitude << 4) | static_cast<std::uint64_t>(digit);
  }
  if (digits == 0) return failed;

  HexNumber result;
  result.Ok = true;
  result.End = pos;
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
