// The checker's questions to the installer's own key rows (KeyTables.h,
// VisitDeviceKeys, VisitModemKeys), asked of the rows as they are typed:
// what the checker says of a key is what the entry operations and the
// writers do with it; and what a key that names nothing was meant to be.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>

#include "config/DeviceEntry.h"
#include "config/ModemEntry.h"
#include "config/ReadTrace.h"

namespace tarnwell::check {

// Calls visit(row) with each row of the kind's list, in order.
template <typename Visit>
void VisitKeys(SectionKind kind, Visit visit) {
  if (kind == SectionKind::kDevice) {
    VisitDeviceKeys(visit);
  } else {
    VisitModemKeys(visit);
  }
}

// Calls apply(row) with the row at `index` of the list of Entry's kind.
template <typename Entry, typename Apply>
void WithRow(std::size_t index, Apply apply) {
  std::size_t at = 0;
  auto visit = [&](const auto& row) {
    if (at++ == index) apply(row);
  };
  if constexpr (std::is_same_v<Entry, DeviceEntry>) {
    VisitDeviceKeys(visit);
  } else {
    VisitModemKeys(visit);
  }
}

// The place in its kind's list of the row that takes `key` (any letter
// case), or kNoKey; and how many rows the list has.
std::size_t RowOf(SectionKind kind, std::string_view key);
std::size_t RowCount(SectionKind kind);

// The registry value that the row at `index` becomes; empty when it names
// a key or nothing.
std::u16string ValueNameOf(SectionKind kind, std::size_t index);

// The key of that kind closest to `key`, when it is close enough to be a
// slip of the keyboard; empty otherwise.
std::string SuggestKey(SectionKind kind, std::string_view key);

// Levenshtein distance without regard to ASCII letter case.
std::size_t KeyDistance(std::string_view a, std::string_view b);

}  // namespace tarnwell::check
