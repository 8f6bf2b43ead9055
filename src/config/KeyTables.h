// The shapes of the key tables. Each kind of section lists its keys in
// tables of these rows (DeviceEntry.h, ModemEntry.h): how the file names a
// key, the field and presence flag that keep it, how it is read and the
// registry value it becomes. The entry operations read a key through its
// row, the writers write the value through the same row, and tarnwell-check
// explains both from it, so the three cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/KeyName.h"

namespace tarnwell {

// A number read by ReadHexNumber at `Width` bits and kept in a field of its
// own size (the low bits when the field is narrower).
template <typename Entry, typename Number>
struct NumberKey {
  const char* Key;  // in the file, matched in any letter case
  Number Entry::*Field;
  bool Entry::*Flag;
  unsigned Width;             // 16 or 32
  const char16_t* ValueName;  // the REG_DWORD written from it; null when
                              // the number names a key instead
};

// A text widened byte for byte into a field of `Capacity` units, NUL
// included.
template <typename Entry, std::size_t Capacity>
struct TextKey {
  const char* Key;
  char16_t (Entry::*Field)[Capacity];
  bool Entry::*Flag;
  const char16_t* ValueName;  // the REG_SZ written from it
};

// A key that a kind of section accepts and that changes nothing.
struct IgnoredKey {
  const char* Key;
};

// The vendor and product IDs: the same two keys in both kinds of section,
// naming keys rather than values.
template <typename Entry>
inline constexpr NumberKey<Entry, std::uint16_t> kIdKeys[2] = {
    {"VID", &Entry::Vid, &Entry::HasVid, 16, nullptr},
    {"PID", &Entry::Pid, &Entry::HasPid, 16, nullptr},
};

// Where a key of a kind's list lies: its index, counting every row of the
// list in order. kNoKey for a key that no row takes.
inline constexpr std::size_t kNoKey = static_cast<std::size_t>(-1);

// Walks the rows of a kind's list (VisitDeviceKeys, VisitModemKeys) for
// the first that takes `key`; `apply` is called with it and its index.
// kNoKey when none does.
template <typename Visit, typename Apply>
std::size_t FindKeyRow(Visit visit, std::string_view key, Apply apply) {
  std::size_t index = 0;
  std::size_t found = kNoKey;
  visit([&](const auto& row) {
    if (found == kNoKey && KeyIs(key, row.Key)) {
      apply(row);
      found = index;
    }
    ++index;
  });
  return found;
}

}  // namespace tarnwell
