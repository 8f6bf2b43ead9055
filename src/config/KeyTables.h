// The shapes of the key tables. Each kind of section lists its keys in
// tables of these rows (DeviceEntry.h, ModemEntry.h): how the file names a
// key, the field and presence flag that keep it, how it is read and the
// registry value it becomes. The entry operations read a key through its
// row, the writers write the value through the same row, and tarnwell-check
// explains both from it, so the three cannot drift apart.
#pragma once

#include <cstddef>
#include <cstdint>

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

// The vendor and product IDs: the same two keys in both kinds of section,
// naming keys rather than values.
template <typename Entry>
inline constexpr NumberKey<Entry, std::uint16_t> kIdKeys[2] = {
    {"VID", &Entry::Vid, &Entry::HasVid, 16, nullptr},
    {"PID", &Entry::Pid, &Entry::HasPid, 16, nullptr},
};

}  // namespace tarnwell
