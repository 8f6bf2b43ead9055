// Only generic POSIX code here.
//
// Paths on this platform are bytes, usually UTF-8. They travel through the
// core as UTF-16; bytes that are not UTF-8 are carried as the lone
// surrogates U+DC80..U+DCFF, so that every path converts back to exactly
// the bytes it came from.
#pragma once

#include <string>
#include <string_view>

namespace tarnwell::posix {

std::u16string NativeToWide(std::string_view bytes);
std::string WideToNative(std::u16string_view text);

// The running executable's path, as the OS names it; empty with errno set
// when it cannot be read.
std::string ExecutablePath();

}  // namespace tarnwell::posix
