// What the formatter and the parser of .reg text agree on: the file's
// opening, the root keys it may name, the forms a value's data takes, and
// the hexadecimal digits. The text is the one Windows' regedit exports
// (version 5.00).
#pragma once

#include <cstdint>
#include <string_view>

#include "regstore/Registry.h"

namespace tarnwell::regstore {

// The file's bytes start with a UTF-16LE byte-order mark, then this line.
inline constexpr std::string_view kByteOrderMark = "\xFF\xFE";
inline constexpr std::u16string_view kVersionLine =
    u"Windows Registry Editor Version 5.00";
inline constexpr std::u16string_view kLineEnd = u"\r\n";

// The predefined keys a file may hold keys under.
inline constexpr std::u16string_view kRootKeys[] = {
    u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE",
    u"HKEY_USERS", u"HKEY_CURRENT_CONFIG"};

inline constexpr char16_t kHexDigits[] = u"0123456789abcdef";

// Value of a hexadecimal digit of either case, or -1.
inline int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

// How a value's data is written after "=".
enum class DataForm {
  kString,     // "text", for REG_SZ text that reads back unchanged
  kDword,      // dword:0000000a, for a four-byte REG_DWORD
  kBinary,     // hex:01,02, for REG_BINARY
  kTypedHex,   // hex(N):01,02, for every other type and shape
};

struct DataFormSpelling {
  DataForm Form;
  std::u16string_view Prefix;  // what the data starts with
};

inline constexpr DataFormSpelling kDataForms[] = {
    {DataForm::kString, u"\""},
    {DataForm::kDword, u"dword:"},
    {DataForm::kBinary, u"hex:"},
    {DataForm::kTypedHex, u"hex("},
};

inline constexpr std::u16string_view PrefixOf(DataForm form) {
  for (const DataFormSpelling& spelling : kDataForms) {
    if (spelling.Form == form) return spelling.Prefix;
  }
  return {};
}

// regedit keeps hex lines within 80 columns, going on after ",\" on a line
// indented by two blanks.
inline constexpr std::size_t kHexWrapColumn = 76;

}  // namespace tarnwell::regstore
