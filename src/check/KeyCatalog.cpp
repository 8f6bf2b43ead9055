#include "check/KeyCatalog.h"

#include <algorithm>
#include <iterator>
#include <type_traits>

#include "config/DeviceEntry.h"
#include "config/KeyName.h"
#include "config/ModemEntry.h"

namespace tarnwell::check {
namespace {

template <typename Entry, typename Number>
std::uint64_t FieldOf(const void* row, const void* entry) {
  const auto& r = *static_cast<const NumberKey<Entry, Number>*>(row);
  return static_cast<const Entry*>(entry)->*r.Field;
}

KeyFacts Facts(const char* key, ValueForm form, const char16_t* value_name) {
  KeyFacts f;
  f.Key = key;
  f.Form = form;
  if (value_name != nullptr) f.ValueName = value_name;
  return f;
}

// One overload per shape of row.
struct Gather {
  std::vector<KeyFacts>* Keys;

  template <typename Entry, typename Number>
  void operator()(const NumberKey<Entry, Number>& row) const {
    KeyFacts f = Facts(row.Key, ValueForm::kNumber, row.ValueName);
    f.Width = row.Width;
    f.FieldBits = 8 * sizeof(Number);
    f.Stored = FieldOf<Entry, Number>;
    f.Row = &row;
    Add(f);
  }
  template <typename Entry, std::size_t Capacity>
  void operator()(const TextKey<Entry, Capacity>& row) const {
    KeyFacts f = Facts(row.Key, ValueForm::kText, row.ValueName);
    f.Capacity = Capacity;
    if constexpr (std::is_same_v<decltype(row), const ModemTextKey&>) {
      f.Command = &row >= std::begin(kModemSettingsKeys) &&
                  &row < std::end(kModemSettingsKeys);
    }
    Add(f);
  }
  void operator()(const InitKey& row) const {
    KeyFacts f = Facts(row.Key, ValueForm::kText, nullptr);
    f.Capacity = kTextCapacity;
    f.Command = true;
    // The writer names the value by the number alone.
    for (const char* p = row.Key + sizeof kInitStem - 1; *p != '\0'; ++p) {
      f.ValueName += static_cast<char16_t>(*p);
    }
    Add(f);
  }
  void operator()(const GuidKey& row) const {
    Add(Facts(row.Key, ValueForm::kGuid, row.ValueName));
  }
  void operator()(const DisableListKey& row) const {
    KeyFacts f = Facts(row.Key, ValueForm::kList, nullptr);
    f.Width = row.Width;
    f.FieldBits = 8;
    Add(f);
  }
  void operator()(const IgnoredKey& row) const {
    Add(Facts(row.Key, ValueForm::kNone, nullptr));
  }
  void Add(const KeyFacts& f) const { Keys->push_back(f); }
};

}  // namespace

const std::vector<KeyFacts>& KeysOf(SectionKind kind) {
  static const std::vector<KeyFacts> device = [] {
    std::vector<KeyFacts> keys;
    VisitDeviceKeys(Gather{&keys});
    return keys;
  }();
  static const std::vector<KeyFacts> modem = [] {
    std::vector<KeyFacts> keys;
    VisitModemKeys(Gather{&keys});
    return keys;
  }();
  return kind == SectionKind::kDevice ? device : modem;
}

const KeyFacts* FindKey(SectionKind kind, std::string_view key) {
  for (const KeyFacts& f : KeysOf(kind)) {
    if (KeyIs(key, f.Key)) return &f;
  }
  return nullptr;
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
  for (const KeyFacts& facts : KeysOf(kind)) {
    const std::string& name = facts.Key;
    // The distance is at least the difference in length; skipping those
    // keeps a long key's cost to its length.
    const std::size_t longer = std::max(key.size(), name.size());
    const std::size_t shorter = std::min(key.size(), name.size());
    if (longer - shorter > limit) continue;
    const std::size_t d = KeyDistance(key, name);
    if (d < best_distance && 2 * d < name.size()) {
      best = name;
      best_distance = d;
    }
  }
  return best;
}

}  // namespace tarnwell::check
