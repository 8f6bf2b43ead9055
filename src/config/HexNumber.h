// The one way the configuration file spells numbers: hexadecimal, with or
// without "0x", never decimal ("10" is sixteen).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarnwell {

struct HexNumber {
  std::uint64_t Value = 0;
  bool Ok = false;
  // Where reading stopped; the whole text after a failure, so that every
  // later reading from the same text fails too.
  std::size_t End = 0;
};

// Reads one unsigned number of width 16, 32 or 64 bits from text[start..]:
// blanks, an optional sign, an optional 0x, hex digits up to the first
// non-digit. Fails without digits, and for widths 16 and 32 when the
// magnitude does not fit; at width 64 an overflow reads as all bits set.
// A "-" negates modulo 2^width.
HexNumber ReadHexNumber(std::string_view text, unsigned width,
                        std::size_t start = 0);

// How a number is written where ReadHexNumber starts on it: the sign and
// "0x" that it skips and the digits that it reads. The reading fails
// exactly when DigitsBegin == DigitsEnd, or the digits do not fit.
struct HexSpelling {
  bool Negative = false;
  bool Prefix = false;          // "0x" or "0X"
  std::size_t DigitsBegin = 0;  // the first hexadecimal digit
  std::size_t DigitsEnd = 0;    // the first byte after the digits
};

HexSpelling SpellHexNumber(std::string_view text, std::size_t start = 0);

// The blanks that ReadHexNumber skips: space, tab, LF, VT, FF, CR.
bool IsHexSpace(char c);

}  // namespace tarnwell
