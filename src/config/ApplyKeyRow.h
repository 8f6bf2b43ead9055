// Applying one row of a key table to an entry of either kind: the one place
// where each shape of row reads its value into its field and flag.
#pragma once

#include <cstddef>
#include <string_view>

#include "config/HexNumber.h"
#include "config/KeyTables.h"
#include "config/WideText.h"

namespace tarnwell {

// A failed reading keeps the field as it is; the flag is set all the same.
template <typename Entry, typename Number>
void ApplyRow(Entry& entry, const NumberKey<Entry, Number>& row,
              std::string_view value) {
  const HexNumber n = ReadHexNumber(value, row.Width);
  if (n.Ok) entry.*row.Field = static_cast<Number>(n.Value);
  entry.*row.Flag = true;
}

template <typename Entry, std::size_t Capacity>
void ApplyRow(Entry& entry, const TextKey<Entry, Capacity>& row,
              std::string_view value) {
  WidenText(entry.*row.Field, Capacity, value);
  entry.*row.Flag = true;
}

template <typename Entry>
void ApplyRow(Entry&, const IgnoredKey&, std::string_view) {}

}  // namespace tarnwell
