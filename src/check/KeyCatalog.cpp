#include "check/KeyCatalog.h"

#include <algorithm>

#include "config/KeyName.h"

namespace tarnwell::check {
namespace {

const char* const kDeviceKeys[] = {
    "DLL",           "VID",           "PID",
    "IFC",           "IFC_Class",     "IFC_SubClass",
    "IFC_Protocol",  "IFC_Disable",   "NumberOfControlInBuffers",
    "BufferCountOut", "BufferCountIn", "BufferSizeFactorIn",
    "BufferSizeFactorOut", "GUID"};

const char* const kModemKeys[] = {
    "DLL",        "VID",        "PID",        "IFC",
    "TSP",        "FriendlyName", "DeviceType", "BaudRate",
    "Answer",     "CallSetupFailTimeout",     "DialPrefix",
    "DialSuffix", "Monitor",    "Prefix",     "Pulse",
    "Reset",      "Terminator", "Tone"};

const char* const kCountOrTypeKeys[] = {
    "NumberOfControlInBuffers", "BufferCountOut",      "BufferCountIn",
    "BufferSizeFactorIn",       "BufferSizeFactorOut", "DeviceType"};

const char* const kTextKeys[] = {
    "DLL",        "TSP",     "FriendlyName", "BaudRate", "Init",
    "Answer",     "CallSetupFailTimeout",    "DialPrefix",
    "DialSuffix", "Monitor", "Prefix",       "Pulse",
    "Reset",      "Terminator", "Tone"};

std::vector<std::string> MakeModemKeys() {
  std::vector<std::string> keys(std::begin(kModemKeys), std::end(kModemKeys));
  for (int n = 0; n < 16; ++n) keys.push_back("Init" + std::to_string(n));
  return keys;
}

template <typename List>
bool Contains(const List& list, std::string_view name) {
  return std::any_of(std::begin(list), std::end(list),
                     [&](const auto& k) { return KeyIs(name, k); });
}

}  // namespace

const std::vector<std::string>& KnownKeys(SectionKind kind) {
  static const std::vector<std::string> device(std::begin(kDeviceKeys),
                                               std::end(kDeviceKeys));
  static const std::vector<std::string> modem = MakeModemKeys();
  return kind == SectionKind::kDevice ? device : modem;
}

bool IsKnownKey(SectionKind kind, std::string_view key) {
  return Contains(KnownKeys(kind), key);
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
  for (const std::string& name : KnownKeys(kind)) {
    std::size_t d = KeyDistance(key, name);
    if (d < best_distance && 2 * d < name.size()) {
      best = name;
      best_distance = d;
    }
  }
  return best;
}

bool IsCountOrTypeKey(std::string_view row) {
  return Contains(kCountOrTypeKeys, row);
}

bool IsTextKey(std::string_view row) { return Contains(kTextKeys, row); }

}  // namespace tarnwell::check
