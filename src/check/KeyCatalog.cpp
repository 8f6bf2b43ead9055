#include "check/KeyCatalog.h"

#include "config/DeviceEntry.h"
#include "config/KeyName.h"
#include "config/ModemEntry.h"

namespace tarnwell::check {
namespace {

// A key as the tables spell it, and the registry value it becomes.
KeyFacts Facts(const char* key, ValueForm form, const char16_t* value_name) {
  KeyFacts f;
  f.Key = key;
  f.Form = form;
  if (value_name != nullptr) f.ValueName = value_name;
  f.Row = key;
  return f;
}

template <typename Entry, typename Number>
void Add(std::vector<KeyFacts>& keys, const NumberKey<Entry, Number>& row) {
  KeyFacts f = Facts(row.Key, ValueForm::kNumber, row.ValueName);
  f.Width = row.Width;
  f.FieldBits = 8 * sizeof(Number);
  keys.push_back(std::move(f));
}

template <typename Entry, std::size_t Capacity>
void Add(std::vector<KeyFacts>& keys, const TextKey<Entry, Capacity>& row) {
  KeyFacts f = Facts(row.Key, ValueForm::kText, row.ValueName);
  f.Capacity = Capacity;
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
  keys.push_back(Facts(kGuidKey.Key, ValueForm::kGuid, kGuidKey.ValueName));
  KeyFacts disable = Facts(kDisableKey.Key, ValueForm::kList, nullptr);
  disable.Width = kDisableKey.Width;
  disable.FieldBits = 8;
  keys.push_back(disable);
  keys.push_back(Facts(kDeviceIgnoredKey, ValueForm::kNone, nullptr));
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
    KeyFacts init = Facts(name, ValueForm::kText, nullptr);
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
