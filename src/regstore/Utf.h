// The UTF steps that every conversion here is built from. The first two
// allocate nothing, so that even a message shown when memory has run out
// can use them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarnwell::regstore {

// The code point at text[*i], joining a surrogate pair; moves *i past it.
// A lone surrogate comes back as itself, for the caller to judge.
char32_t NextCodePoint(std::u16string_view text, std::size_t* i);

// Writes the UTF-8 form of c (at most 4 bytes) to out; returns its length.
std::size_t EncodeUtf8(char32_t c, char* out);
void AppendUtf8(std::string& out, char32_t c);  // the same, onto a string

// The one conversion of UTF-16 text to UTF-8: the code point at text[*i]
// as UTF-8 in out (at most 4 bytes), a lone surrogate as U+FFFD; moves *i
// past it and returns the length.
std::size_t NextUtf8(std::u16string_view text, std::size_t* i, char* out);
std::string Utf16ToUtf8(std::u16string_view text);  // the whole text

// The length of the valid UTF-8 sequence at bytes[i], with its code point
// in *c; 0, with *c unchanged, where none starts (a stray, overlong or
// cut-off form, a surrogate, a value beyond Unicode): the caller takes
// that byte on its own.
std::size_t DecodeUtf8(std::string_view bytes, std::size_t i, char32_t* c);

// Appends c as one UTF-16 unit or as a surrogate pair.
void AppendUtf16(std::u16string& out, char32_t c);

// The UTF-16LE unit at bytes[i], bytes[i + 1].
inline char16_t Utf16LeUnit(std::string_view bytes, std::size_t i) {
  return static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                               (static_cast<unsigned char>(bytes[i + 1]) << 8));
}

// Appends the UTF-16LE bytes of text to out.
void AppendUtf16Le(std::string& out, std::u16string_view text);

// The units of UTF-16LE bytes; an odd last byte is left out.
std::u16string DecodeUtf16Le(std::string_view bytes);

inline bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

}  // namespace tarnwell::regstore
