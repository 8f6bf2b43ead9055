#include "check/KeyRows.h"

#include <algorithm>
#include <vector>

#include "config/KeyName.h"

namespace tarnwell::check {
namespace {

// The value a row writes: numbers and texts name theirs, an init string
// is named by its number alone, the rest write none of their own.
template <typename Row>
std::u16string ValueNameOfRow(const Row& row) {
  if constexpr (std::is_same_v<Row, InitKey>) {
    return std::u16string(row.Key + sizeof kInitStem - 1,
                          row.Key + std::char_traits<char>::length(row.Key));
  } else if constexpr (std::is_same_v<Row, DisableListKey> ||
                       std::is_same_v<Row, IgnoredKey>) {
    return u"";
  } else {
    return row.ValueName == nullptr ? u"" : row.ValueName;
  }
}

}  // namespace

std::size_t RowOf(SectionKind kind, std::string_view key) {
  return FindKeyRow([kind](auto visit) { VisitKeys(kind, visit); }, key,
                    [](const auto&) {});
}

std::size_t RowCount(SectionKind kind) {
  std::size_t count = 0;
  VisitKeys(kind, [&count](const auto&) { ++count; });
  return count;
}

std::u16string ValueNameOf(SectionKind kind, std::size_t index) {
  std::u16string name;
  std::size_t at = 0;
  VisitKeys(kind, [&](const auto& row) {
    if (at++ == index) name = ValueNameOfRow(row);
  });
  return name;
}

std::size_t KeyDistance(std::string_view a, std::string_view b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t above = row[j];
      std::size_t cost = AsciiLower(a[i - 1]) == AsciiLower(b[j - 1]) ? 0 : 1;
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + cost});
      diagonal = above;
    }
  }
  return row[b.size()];
}

std::string SuggestKey(SectionKind kind, std::string_view key) {
  // A slip is a few letters: at most 1 for short keys, 2 for long ones,
  // and never half of the key.
  const std::size_t limit = key.size() <= 4 ? 1 : key.size() <= 9 ? 2 : 3;
  std::string best;
  std::size_t best_distance = limit + 1;
  VisitKeys(kind, [&](const auto& row) {
    const std::string_view name = row.Key;
    // The distance is at least the difference in length; skipping those
    // keeps a long key's cost to its length.
    const std::size_t longer = std::max(key.size(), name.size());
    const std::size_t shorter = std::min(key.size(), name.size());
    if (longer - shorter > limit) return;
    const std::size_t d = KeyDistance(key, name);
    if (d < best_distance && 2 * d < name.size()) {
      best = name;
      best_distance = d;
    }
  });
  return best;
}

}  // namespace tarnwell::check
