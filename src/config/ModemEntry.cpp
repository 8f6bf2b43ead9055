#include "config/ModemEntry.h"

#include <cstring>

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

namespace {

void ApplyRow(ModemEntry& entry, const InitKey& row, std::string_view value) {
  InitString& init = entry.Init[row.Index];
  WidenText(init.Text, kTextCapacity, value);
  init.HasText = true;
}

}  // namespace

void InitModemEntry(ModemEntry& entry) {
  std::memset(&entry, 0, sizeof entry);
  WidenText(entry.Prefix, kPrefixCapacity, "COM");
  entry.HasPrefix = true;
}

std::size_t ApplyModemKey(ModemEntry& entry, std::string_view key,
                          std::string_view value) {
  return FindKeyRow(
      [](auto visit) { VisitModemKeys(visit); }, key,
      [&](const auto& row) { ApplyRow(entry, row, value); });
}

}  // namespace tarnwell
