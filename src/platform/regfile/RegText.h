// The text of a .reg file as Windows' regedit exports it (version 5.00):
// "[HKEY_LOCAL_MACHINE\...]" key headers, "Name"="text", "Name"=dword:...,
// "Name"=hex(N):... values. Pure logic: formatting, parsing, UTF-16LE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/regfile/RegTree.h"

namespace tarnwell::regstore {

// The first line of every file, and the blank line after it.
extern const char16_t kRegPreamble[];

// "[path]\r\n".
void AppendKeyHeader(std::u16string& out, std::u16string_view full_path);

// One value line with its CRLF. Strings that regedit cannot read back
// plainly (control characters, no terminating NUL, embedded NULs) are
// written as hex(1). Long hex data is wrapped as regedit does when `wrap`.
void AppendValueLine(std::u16string& out, const RegValue& value, bool wrap);

// The whole tree in export form: the preamble, then each key (parents
// before children) with its values and a blank line.
std::u16string FormatRegFile(const RegTree& tree);

// The file's bytes: a UTF-16LE byte-order mark, then FormatRegFile.
std::string FormatRegFileBytes(const RegTree& tree);

struct ParseResult {
  bool Ok = true;
  std::size_t Line = 0;  // 1-based line of the first error
};

// Applies the text to tree, key by key. With `preamble`, the text must begin
// with the version line (the file's start); without, it is a continuation.
// Applies nothing more after an error.
ParseResult ParseRegText(std::u16string_view text, RegTree& tree,
                         bool preamble);

// UTF-16LE bytes of text (no byte-order mark).
std::string EncodeUtf16Le(std::u16string_view text);
// Units of UTF-16LE bytes; an odd last byte is left out.
std::u16string DecodeUtf16Le(std::string_view bytes);

}  // namespace tarnwell::regstore
