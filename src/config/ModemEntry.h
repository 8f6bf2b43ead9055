// One [MODEM SETTINGS] section of usbcdc.cfg: a USB modem function and its
// Unimodem values. A plain fixed-size record, copied by value.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <type_traits>

#include "config/Capacities.h"
#include "config/KeyTables.h"

namespace tarnwell {

struct InitString {
  char16_t Text[kTextCapacity];
  bool HasText;
};

struct ModemEntry {
  char16_t Dll[kDllCapacity];
  bool HasDll;
  char16_t Prefix[kPrefixCapacity];
  bool HasPrefix;
  std::uint16_t Vid;
  bool HasVid;
  std::uint16_t Pid;
  bool HasPid;
  std::uint8_t Ifc;
  bool HasIfc;
  char16_t Tsp[kTextCapacity];
  bool HasTsp;
  char16_t FriendlyName[kTextCapacity];
  bool HasFriendlyName;
  std::uint32_t DeviceType;
  bool HasDeviceType;
  char16_t BaudRate[kTextCapacity];
  bool HasBaudRate;
  InitString Init[kInitStringCount];
  char16_t Answer[kTextCapacity];
  bool HasAnswer;
  char16_t CallSetupFailTimeout[kTextCapacity];
  bool HasCallSetupFailTimeout;
  char16_t DialPrefix[kTextCapacity];
  bool HasDialPrefix;
  char16_t DialSuffix[kTextCapacity];
  bool HasDialSuffix;
  char16_t Monitor[kTextCapacity];
  bool HasMonitor;
  char16_t SettingsPrefix[kTextCapacity];
  bool HasSettingsPrefix;
  char16_t Pulse[kTextCapacity];
  bool HasPulse;
  char16_t Reset[kTextCapacity];
  bool HasReset;
  char16_t Terminator[kTextCapacity];
  bool HasTerminator;
  char16_t Tone[kTextCapacity];
  bool HasTone;
};

static_assert(std::is_trivially_copyable_v<ModemEntry>,
              "modem entries are copied byte for byte");

// The keys of a modem section, one table per family (the rows' shapes are
// in KeyTables.h), each table in the order its registry key is written,
// and VisitModemKeys, the one list of them.
using ModemTextKey = TextKey<ModemEntry, kTextCapacity>;

extern const TextKey<ModemEntry, kDllCapacity> kModemDllKey;  // "DLL"
// The interface number; it names the modem's interface key.
extern const NumberKey<ModemEntry, std::uint8_t> kModemInterfaceKey;
// The Unimodem key: "TSP" and "FriendlyName", then the number "DeviceType".
extern const ModemTextKey kUnimodemTextKeys[2];
extern const NumberKey<ModemEntry, std::uint32_t> kDeviceTypeKey;
// The Config subkey: "BaudRate", kept as text.
extern const ModemTextKey kConfigTextKeys[1];
// The Settings subkey: "Answer" .. "Tone".
extern const ModemTextKey kModemSettingsKeys[10];

// Init0 .. Init15, one row each: the stem and the decimal number of the
// element, without leading zeros. The Init subkey names each value by the
// number alone.
struct InitKey {
  char Key[8];
  std::size_t Index;
};
inline constexpr char kInitStem[] = "Init";
constexpr std::array<InitKey, kInitStringCount> MakeInitKeys() {
  std::array<InitKey, kInitStringCount> keys{};
  for (std::size_t n = 0; n < kInitStringCount; ++n) {
    std::size_t length = 0;
    for (const char* p = kInitStem; *p != '\0'; ++p) keys[n].Key[length++] = *p;
    if (n >= 10) keys[n].Key[length++] = static_cast<char>('0' + n / 10);
    keys[n].Key[length] = static_cast<char>('0' + n % 10);
    keys[n].Index = n;
  }
  return keys;
}
inline constexpr std::array<InitKey, kInitStringCount> kInitKeys =
    MakeInitKeys();

// Calls visit(row) with every row of a modem section's key tables in
// turn: the one list that the entry operation and tarnwell-check read.
template <typename Visit>
void VisitModemKeys(Visit visit) {
  visit(kModemDllKey);
  for (const auto& row : kIdKeys<ModemEntry>) visit(row);
  visit(kModemInterfaceKey);
  for (const auto& row : kUnimodemTextKeys) visit(row);
  visit(kDeviceTypeKey);
  for (const auto& row : kConfigTextKeys) visit(row);
  for (const auto& row : kInitKeys) visit(row);
  for (const auto& row : kModemSettingsKeys) visit(row);
}

// Clears the entry, then sets Prefix "COM" and HasPrefix.
void InitModemEntry(ModemEntry& entry);

// Applies one key=value line of a modem section and returns the index of
// its row in VisitModemKeys, or kNoKey for a key that no row takes, which
// changes nothing.
std::size_t ApplyModemKey(ModemEntry& entry, std::string_view key,
                          std::string_view value);

}  // namespace tarnwell
