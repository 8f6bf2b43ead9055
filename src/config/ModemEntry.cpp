#include "config/ModemEntry.h"

#include <cstring>

#include "config/HexNumber.h"
#include "config/KeyName.h"
#include "config/ObserverCalls.h"
#include "config/ReadObserver.h"
#include "config/ApplyKeyRow.h"
#include "config/WideText.h"

namespace tarnwell {

const TextKey<ModemEntry, kDllCapacity> kModemDllKey = {
    "DLL", &ModemEntry::Dll, &ModemEntry::HasDll, u"DLL"};

const NumberKey<ModemEntry, std::uint8_t> kModemInterfaceKey = {
    "IFC", &ModemEntry::Ifc, &ModemEntry::HasIfc, 32, nullptr};

const ModemTextKey kUnimodemTextKeys[2] = {
    {"TSP", &ModemEntry::Tsp, &ModemEntry::HasTsp, u"TSP"},
    {"FriendlyName", &ModemEntry::FriendlyName, &ModemEntry::HasFriendlyName,
     u"FriendlyName"},
};

const NumberKey<ModemEntry, std::uint32_t> kDeviceTypeKey = {
    "DeviceType", &ModemEntry::DeviceType, &ModemEntry::HasDeviceType, 32,
    u"DeviceType"};

const ModemTextKey kConfigTextKeys[1] = {
    {"BaudRate", &ModemEntry::BaudRate, &ModemEntry::HasBaudRate,
     u"BaudRate"},
};

const ModemTextKey kModemSettingsKeys[10] = {
    {"Answer", &ModemEntry::Answer, &ModemEntry::HasAnswer, u"Answer"},
    {"CallSetupFailTimeout", &ModemEntry::CallSetupFailTimeout,
     &ModemEntry::HasCallSetupFailTimeout, u"CallSetupFailTimeout"},
    {"DialPrefix", &ModemEntry::DialPrefix, &ModemEntry::HasDialPrefix,
     u"DialPrefix"},
    {"DialSuffix", &ModemEntry::DialSuffix, &ModemEntry::HasDialSuffix,
     u"DialSuffix"},
    {"Monitor", &ModemEntry::Monitor, &ModemEntry::HasMonitor, u"Monitor"},
    {"Prefix", &ModemEntry::SettingsPrefix, &ModemEntry::HasSettingsPrefix,
     u"Prefix"},
    {"Pulse", &ModemEntry::Pulse, &ModemEntry::HasPulse, u"Pulse"},
    {"Reset", &ModemEntry::Reset, &ModemEntry::HasReset, u"Reset"},
    {"Terminator", &ModemEntry::Terminator, &ModemEntry::HasTerminator,
     u"Terminator"},
    {"Tone", &ModemEntry::Tone, &ModemEntry::HasTone, u"Tone"},
};

const InitKeys kInitKeys = {"Init", &ModemEntry::Init};

void InitModemEntry(ModemEntry& entry) {
  std::memset(&entry, 0, sizeof entry);
  WidenText(entry.Prefix, kPrefixCapacity, "COM");
  entry.HasPrefix = true;
}

void InitKeyName(char (&name)[16], std::size_t n) {
  std::size_t length = 0;
  for (const char* p = kInitKeys.Stem; *p != '\0'; ++p) name[length++] = *p;
  if (n >= 10) name[length++] = static_cast<char>('0' + n / 10);
  name[length++] = static_cast<char>('0' + n % 10);
  name[length] = '\0';
}

bool ApplyInitKey(ModemEntry& entry, std::string_view key,
                  std::string_view value, ReadObserver* observer) {
  for (std::size_t n = 0; n < kInitStringCount; ++n) {
    char name[16];
    InitKeyName(name, n);
    if (!KeyIs(key, name)) continue;
    InitString& init = (entry.*kInitKeys.List)[n];
    ReportApplied(observer, kInitKeys.Stem, static_cast<int>(n));
    WidenValue(init.Text, kTextCapacity, value, observer);
    init.HasText = true;
    return true;
  }
  return false;
}

void ApplyModemKey(ModemEntry& entry, std::string_view key,
                   std::string_view value, ReadObserver* observer) {
  if (ApplyKeyRow(entry, kModemDllKey, key, value, observer) ||
      ApplyKeyRows(entry, kIdKeys<ModemEntry>, key, value, observer) ||
      ApplyKeyRow(entry, kModemInterfaceKey, key, value, observer) ||
      ApplyKeyRows(entry, kUnimodemTextKeys, key, value, observer) ||
      ApplyKeyRow(entry, kDeviceTypeKey, key, value, observer) ||
      ApplyKeyRows(entry, kConfigTextKeys, key, value, observer) ||
      ApplyInitKey(entry, key, value, observer) ||
      ApplyKeyRows(entry, kModemSettingsKeys, key, value, observer)) {
    return;
  }
  if (observer != nullptr) observer->KeyUnknown();
}

}  // namespace tarnwell
