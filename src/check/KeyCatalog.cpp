#include "check/KeyCatalog.h"

#include "config/DeviceEntry.h"
#include "config/KeyName.h"
#include "config/ModemEntry.h"

namespace tarnwell::check {
namespace {

std::u16string Name(const char16_t* value_name) {
  return value_name == nullptr ? std::u16string() : value_name;
}

template <typename Entry, typename Number>
void Add(std::vector<KeyFacts>& keys, const NumberKey<Entry, Number>& row) {
  KeyFacts f;
  f.Key = row.Key;
  f.Form = ValueForm::kNumber;
  f.Width = row.Width;
  f.FieldBits = 8 * sizeof(Number);
  f.ValueName = Name(row.ValueName);
  f.Row = row.Key;
  keys.push_back(std::move(f));
}

template <typename Entry, std::size_t Capacity>
void Add(std::vector<KeyFacts>& keys, const TextKey<Entry, Capacity>& row) {
  KeyFacts f;
  f.Key = row.Key;
  f.Form = ValueForm::kText;
  f.Capacity = Capacity;
  f.ValueName = Name(row.ValueName);
  f.Row = row.Key;
  keys.push_back(std::move(f));
}

template <typename Row, std::size_t N>
void AddAll(std::vector<KeyFacts>& keys, const Row (&rows)[N]) {
  for (const Row& row : rows) Add(keys, row);
}

std::vector<KeyFacts> DeviceKeys() {
  std::vector<KeyFacts> keys;
  Add(keys, kDeviceDllKey);
  AddAll(keys, kIdKeys<DeviceEntry>);
  AddAll(keys, kInterfaceClassKeys);
  AddAll(keys, kBufferKeys);
  KeyFacts guid;
  guid.Key = kGuidKey.Key;
  guid.Form = ValueForm::kGuid;
  guid.ValueName = kGuidKey.ValueName;
  guid.Row = kGuidKey.Key;
  keys.push_back(guid);
  KeyFacts disable;
  disable.Key = kDisableKey.Key;
  disable.Form = ValueForm::kList;
  disable.Width = kDisableKey.Width;
  disable.FieldBits = 8;
  disable.Row = kDisableKey.Key;
  keys.push_back(disable);
  KeyFacts ignored;
  ignored.Key = kDeviceIgnoredKey;
  ignored.Row = kDeviceIgnoredKey;
  keys.push_back(ignored);
  return keys;
}

std::vector<KeyFacts> ModemKeys() {
  std::vector<KeyFacts> keys;
  Add(keys, kModemDllKey);
  AddAll(keys, kIdKeys<ModemEntry>);
  Add(keys, kModemInterfaceKey);
  AddAll(keys, kUnimodemTextKeys);
  Add(keys, kDeviceTypeKey);
  AddAll(keys, kConfigTextKeys);
  for (std::size_t n = 0; n < kInitStringCount; ++n) {
    char name[16];
    InitKeyName(name, n);
    KeyFacts init;
    init.Key = name;
    init.Form = ValueForm::kText;
    init.Capacity = kTextCapacity;
    const std::string number = std::to_string(n);  // the writer's value name
    init.ValueName.assign(number.begin(), number.end());
    init.Row = kInitKeys.Stem;
    init.Index = static_cast<int>(n);
    keys.push_back(std::move(init));
  }
  AddAll(keys, kModemSettingsKeys);
  return keys;
}

}  // namespace

const std::vector<KeyFacts>& KeysOf(SectionKind kind) {
  static const std::vector<KeyFacts> device = DeviceKeys();
  static const std::vector<KeyFacts> modem = ModemKeys();
  return kind == SectionKind::kDevice ? device : modem;
}

const KeyFacts* FindKey(SectionKind kind, std::string_view key) {
  for (const KeyFacts& f : KeysOf(kind)) {
    if (KeyIs(key, f.Key)) return &f;
  }
  return nullptr;
}

const KeyFacts* AppliedKey(SectionKind kind, const char* name, int index) {
  for (const KeyFacts& f : KeysOf(kind)) {
    if (f.Index == index && (f.Row == name || KeyIs(f.Row, name))) return &f;
  }
  return nullptr;
}

}  // namespace tarnwell::check
