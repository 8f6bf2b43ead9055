// Small text helpers for messages and for the checker's outputs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwell::check {

// The text in double quotes; control bytes are shown as escapes (\r, \t,
// \xNN) so that a message stays on one line.
std::string Quote(std::string_view text);

// Whether every byte is a decimal digit; true for no bytes.
bool IsDecimal(std::string_view text);

// The digits without their leading zeros, but one digit at least.
std::string_view WithoutLeadingZeros(std::string_view digits);

// Upper-case hexadecimal digits, at least `digits` of them; Hex with "0x".
std::string HexDigits(std::uint64_t value, int digits);
std::string Hex(std::uint64_t value, int digits = 1);

// Bytes widened one by one (as the installer stores text), as UTF-8.
std::string WidenedAsUtf8(std::string_view bytes);

// UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// The code points of text that is UTF-8 where it is valid UTF-8; every
// other byte is the character of the same number, as the installer reads
// it. Messages quote the file's bytes, which need not be UTF-8.
std::u32string DecodeUtf8OrLatin1(std::string_view text);

}  // namespace tarnwell::check
