// Every key of each kind of section as plain facts, gathered from the
// installer's own list of key tables (VisitDeviceKeys, VisitModemKeys), so
// that what the checker says of a key is what the entry operations and the
// writers do with it; and what a key that names nothing was meant to be.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/ReadTrace.h"

namespace tarnwell::check {

enum class ValueForm {
  kText,    // widened into a text field
  kNumber,  // read by ReadHexNumber into a number field
  kGuid,    // five hexadecimal groups
  kList,    // one number per line, appended ("IFC_Disable")
  kNone,    // accepted without effect ("IFC" in a device section)
};

struct KeyFacts {
  std::string Key;  // as the tables spell it; "Init7" for an init string
  ValueForm Form = ValueForm::kNone;
  unsigned Width = 0;          // bits read, for numbers and lists
  unsigned FieldBits = 0;      // bits kept
  std::size_t Capacity = 0;    // units with the NUL, for texts
  std::u16string ValueName;    // the registry value it becomes; empty when
                               // it names a key or nothing
  bool Command = false;        // a modem command: Init0..15, the Settings
  // For a number: what the field of the entry (the DeviceEntry or
  // ModemEntry that ReadTrace hands over) holds.
  std::uint64_t (*Stored)(const void* row, const void* entry) = nullptr;
  const void* Row = nullptr;  // the installer's row
};

// The keys of a kind of section, in the order of the installer's list: a
// trace's row index is an index into it.
const std::vector<KeyFacts>& KeysOf(SectionKind kind);

// The key of that kind the file key names (any letter case), or null.
const KeyFacts* FindKey(SectionKind kind, std::string_view key);

// The key of that kind closest to `key`, when it is close enough to be a
// slip of the keyboard; empty otherwise.
std::string SuggestKey(SectionKind kind, std::string_view key);

// Levenshtein distance without regard to ASCII letter case.
std::size_t KeyDistance(std::string_view a, std::string_view b);

}  // namespace tarnwell::check
