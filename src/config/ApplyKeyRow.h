// Applying one row of a key table to an entry of either kind: the one place
// where a number key or a text key is read into its field and flag.
#pragma once

#include <cstddef>
#include <string_view>

#include "config/KeyName.h"
#include "config/KeyTables.h"
#include "config/ObserverCalls.h"
#include "config/ReadObserver.h"

namespace tarnwell {

// Reads the value into the row's field when the key is the row's; false,
// with the entry unchanged, otherwise.
template <typename Entry, typename Number>
bool ApplyKeyRow(Entry& entry, const NumberKey<Entry, Number>& row,
                 std::string_view key, std::string_view value,
                 ReadObserver* observer) {
  if (!KeyIs(key, row.Key)) return false;
  ReportApplied(observer, row.Key);
  ReadNumberInto(entry.*row.Field, value, row.Width, observer);
  entry.*row.Flag = true;
  return true;
}

template <typename Entry, std::size_t Capacity>
bool ApplyKeyRow(Entry& entry, const TextKey<Entry, Capacity>& row,
                 std::string_view key, std::string_view value,
                 ReadObserver* observer) {
  if (!KeyIs(key, row.Key)) return false;
  ReportApplied(observer, row.Key);
  WidenValue(entry.*row.Field, Capacity, value, observer);
  entry.*row.Flag = true;
  return true;
}

// The first row of the table that takes the key; false when none does.
template <typename Entry, typename Row, std::size_t N>
bool ApplyKeyRows(Entry& entry, const Row (&rows)[N], std::string_view key,
                  std::string_view value, ReadObserver* observer) {
  for (const Row& row : rows) {
    if (ApplyKeyRow(entry, row, key, value, observer)) return true;
  }
  return false;
}

}  // namespace tarnwell
