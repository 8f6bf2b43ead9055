// Small text helpers for messages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwell::check {

// The text in double quotes; control bytes are shown as escapes (\r, \t,
// \xNN) so that a message stays on one line.
std::string Quote(std::string_view text);

// "0x" and upper-case hexadecimal digits, at least `digits` of them.
std::string Hex(std::uint64_t value, int digits = 1);

// Bytes widened one by one (as the installer stores text), as UTF-8.
std::string WidenedAsUtf8(std::string_view bytes);

// UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace tarnwell::check
