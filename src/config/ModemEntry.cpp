#include "config/ModemEntry.h"

#include <cstring>

#include "config/HexNumber.h"
#include "config/KeyName.h"
#include "config/ObserverCalls.h"
#include "config/ReadObserver.h"
#include "config/SharedKeys.h"
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
                  std::string_view key, std::string_view value,
                  ReadObserver* observer) {
  if (!KeyIs(key, row.Key)) return false;
  ReportApplied(observer, row.Key);
  WidenValue(entry.*row.Field, kTextCapacity, value, observer);
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
                  std::string_view value, ReadObserver* observer) {
  for (std::size_t n = 0; n < kInitStringCount; ++n) {
    char name[16] = "Init";
    if (n >= 10) {
      name[4] = '1';
      name[5] = static_cast<char>('0' + n - 10);
    } else {
      name[4] = static_cast<char>('0' + n);
    }
    if (!KeyIs(key, name)) continue;
    ReportApplied(observer, "Init", static_cast<int>(n));
    WidenValue(entry.Init[n].Text, kTextCapacity, value, observer);
    entry.Init[n].HasText = true;
    return true;
  }
  return false;
}

void ApplyModemKey(ModemEntry& entry, std::string_view key,
                   std::string_view value, ReadObserver* observer) {
  if (ApplySharedKey(entry, key, value, observer)) return;
  if (KeyIs(key, "IFC")) {
    ReportApplied(observer, "IFC");
    ReadNumberInto(entry.Ifc, value, 32, observer);
    entry.HasIfc = true;
    return;
  }
  if (ApplyTextKey(entry, kUnimodemTextKeys[0], key, value, observer) ||
      ApplyTextKey(entry, kUnimodemTextKeys[1], key, value, observer)) {
    return;
  }
  if (KeyIs(key, "DeviceType")) {
    ReportApplied(observer, "DeviceType");
    ReadNumberInto(entry.DeviceType, value, 32, observer);
    entry.HasDeviceType = true;
    return;
  }
  if (ApplyTextKey(entry, kUnimodemTextKeys[2], key, value, observer)) return;
  if (ApplyInitKey(entry, key, value, observer)) return;
  for (const ModemTextKey& row : kModemSettingsKeys) {
    if (ApplyTextKey(entry, row, key, value, observer)) return;
  }
  if (observer != nullptr) observer->KeyUnknown();
}

}  // namespace tarnwell
