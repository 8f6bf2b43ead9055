// The two UTF steps that every conversion here is built from, without
// allocating, so that even a message shown when memory has run out can use
// them.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarnwell::regstore {

// The code point at text[*i], joining a surrogate pair; moves *i past it.
// A lone surrogate comes back as itself, for the caller to judge.
char32_t NextCodePoint(std::u16string_view text, std::size_t* i);

// Writes the UTF-8 form of c (at most 4 bytes) to out; returns its length.
std::size_t EncodeUtf8(char32_t c, char* out);

inline bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace tarnwell::regstore
