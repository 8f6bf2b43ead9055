#include "config/ModemEntry.h"

#include <cstring>

#include "config/HexNumber.h"
#include "config/KeyName.h"
#include "config/WideText.h"

namespace tarnwell {

const ModemTextKey kModemSettingsKeys[10] = {
    {"Answer", u"Answer", &ModemEntry::Answer, &ModemEntry::HasAnswer},
    {"CallSetupFailTimeout", u"CallSetupFailTimeout",
     &ModemEntry::CallSetupFailTimeout, &ModemEntry::HasCallSetupFailTimeout},
    {"DialPrefix", u"DialPrefix", &ModemEntry::DialPrefix,
     &ModemEntry::HasDialPrefix},
    {"DialSuffix", u"DialSuffix", &ModemEntry::DialSuffix,
     &ModemEntry::HasDialSuffix},
    {"Monitor", u"Monitor", &ModemEntry::Monitor, &ModemEntry::HasMonitor},
    {"Prefix", u"Prefix", &ModemEntry::SettingsPrefix,
     &ModemEntry::HasSettingsPrefix},
    {"Pulse", u"Pulse", &ModemEntry::Pulse, &ModemEntry::HasPulse},
    {"Reset", u"Reset", &ModemEntry::Reset, &ModemEntry::HasReset},
    {"Terminator", u"Terminator", &ModemEntry::Terminator,
     &ModemEntry::HasTerminator},
    {"Tone", u"Tone", &ModemEntry::Tone, &ModemEntry::HasTone},
};

namespace {

// Texts of the Unimodem key and its Config subkey, tried before the init
// strings.
const ModemTextKey kUnimodemTextKeys[] = {
    {"TSP", u"TSP", &ModemEntry::Tsp, &ModemEntry::HasTsp},
    {"FriendlyName", u"FriendlyName", &ModemEntry::FriendlyName,
     &ModemEntry::HasFriendlyName},
    {"BaudRate", u"BaudRate", &ModemEntry::BaudRate, &ModemEntry::HasBaudRate},
};

bool ApplyTextKey(ModemEntry& entry, const ModemTextKey& row,
                  std::string_view key, std::string_view value) {
  if (!KeyIs(key, row.Key)) return false;
  WidenText(entry.*row.Field, kTextCapacity, value);
  entry.*row.Flag = true;
  return true;
}

}  // namespace

void InitModemEntry(ModemEntry& entry) {
  std::memset(&entry, 0, sizeof entry);
  WidenText(entry.Prefix, kPrefixCapacity, "COM");
  entry.HasPrefix = true;
}

bool ApplyInitKey(ModemEntry& entry, std::string_view key,
                  std::string_view value) {
  for (std::size_t n = 0; n < kInitStringCount; ++n) {
    char name[16] = "Init";
    if (n >= 10) {
      name[4] = '1';
      name[5] = static_cast<char>('0' + n - 10);
    } else {
      name[4] = static_cast<char>('0' + n);
    }
    if (!KeyIs(key, name)) continue;
    WidenText(entry.Init[n].Text, kTextCapacity, value);
    entry.Init[n].HasText = true;
    return true;
  }
  return false;
}

void ApplyModemKey(ModemEntry& entry, std::string_view key,
                   std::string_view value) {
  if (KeyIs(key, "DLL")) {
    WidenText(entry.Dll, kDllCapacity, value);
    entry.HasDll = true;
    return;
  }
  if (KeyIs(key, "VID") || KeyIs(key, "PID")) {
    const bool vid = KeyIs(key, "VID");
    HexNumber n = ReadHexNumber(value, 16);
    if (n.Ok) (vid ? entry.Vid : entry.Pid) = static_cast<std::uint16_t>(n.Value);
    (vid ? entry.HasVid : entry.HasPid) = true;
    return;
  }
  if (KeyIs(key, "IFC")) {
    HexNumber n = ReadHexNumber(value, 32);
    if (n.Ok) entry.Ifc = static_cast<std::uint8_t>(n.Value);
    entry.HasIfc = true;
    return;
  }
  if (ApplyTextKey(entry, kUnimodemTextKeys[0], key, value) ||
      ApplyTextKey(entry, kUnimodemTextKeys[1], key, value)) {
    return;
  }
  if (KeyIs(key, "DeviceType")) {
    HexNumber n = ReadHexNumber(value, 32);
    if (n.Ok) entry.DeviceType = static_cast<std::uint32_t>(n.Value);
    entry.HasDeviceType = true;
    return;
  }
  if (ApplyTextKey(entry, kUnimodemTextKeys[2], key, value)) return;
  if (ApplyInitKey(entry, key, value)) return;
  for (const ModemTextKey& row : kModemSettingsKeys) {
    if (ApplyTextKey(entry, row, key, value)) return;
  }
}

}  // namespace tarnwell
