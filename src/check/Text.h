// Small text helpers for messages and for the checker's outputs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "regstore/Utf.h"

namespace tarnwell::check {

// The text in double quotes; control bytes, bytes that are not UTF-8 and
// C1 control characters are shown as escapes (\r, \t, \xNN, \uNNNN), so
// that a message stays on one line of valid text.
std::string Quote(std::string_view text);

// A name or message as it can be shown: UTF-8 where it is, U+FFFD for
// each byte that is not and for each control character but line feed and
// tab.
std::string Printable(std::string_view text);

// Whether every byte is a decimal digit; true for no bytes.
bool IsDecimal(std::string_view text);

// The value of decimal digits.
std::uint64_t DecimalValue(std::string_view digits);

// Whether text ends with `end`, in any ASCII letter case.
bool EndsWithFolded(std::string_view text, std::string_view end);

// The digits without their leading zeros, but one digit at least.
std::string_view WithoutLeadingZeros(std::string_view digits);

// Upper-case hexadecimal digits, at least `digits` of them; Hex with "0x".
std::string HexDigits(std::uint64_t value, int digits);
std::string Hex(std::uint64_t value, int digits = 1);

// Bytes widened one by one (as the installer stores text), as UTF-8.
std::string WidenedAsUtf8(std::string_view bytes);

using regstore::Utf16ToUtf8;

// The code points of text that is UTF-8 where it is valid UTF-8; every
// other byte is the character of the same number, as the installer reads
// it. Messages quote the file's bytes, which need not be UTF-8.
std::u32string DecodeUtf8OrLatin1(std::string_view text);

}  // namespace tarnwell::check
