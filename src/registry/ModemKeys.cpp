// A modem function: its interface key naming the COM template, the
// template, and the Unimodem key with its Config, Init and Settings keys.
#include "config/InstallConfig.h"
#include "config/WideText.h"
#include "registry/KeyPaths.h"
#include "registry/RegKey.h"

namespace tarnwell {
namespace {

// Creates "Drivers\USB\ClientDrivers\<template><suffix>" in key; false,
// without a call, when a template name too long for the buffer would cut it.
bool CreateTemplateKey(RegKey& key, const char16_t* template_name,
                       const char16_t* suffix) {
  char16_t path[kKeyPathCapacity];
  const bool cut = WideWriter(path, kKeyPathCapacity)
                       .Text(u"Drivers\\USB\\ClientDrivers\\")
                       .Text(template_name)
                       .Text(suffix)
                       .Overflowed();
  return !cut && key.Create(kLocalMachine, path, kKeyReadWrite) == 0;
}

bool SetIf(RegKey& key, bool present, const char16_t* name,
           const char16_t* text) {
  return !present || key.SetString(name, text, kRegSz) == 0;
}

}  // namespace

bool InstallConfig::WriteModemKeys(const char16_t* client_driver,
                                   const ModemEntry& entry,
                                   const char16_t* template_name,
                                   Registry& registry) const {
  RegKey key(registry);
  char16_t path[kKeyPathCapacity];
  if (!InterfaceKeyPath(path, client_driver, entry.Vid, entry.Pid,
                        entry.Ifc)) {
    return false;
  }
  if (key.Create(kLocalMachine, path, kKeyReadWrite) != 0) return false;
  if (key.SetString(u"Template", template_name, kRegSz) != 0) return false;
  key.Close();

  if (!CreateTemplateKey(key, template_name, u"")) return false;
  if (key.SetString(u"DLL", entry.Dll, kRegSz) != 0) return false;
  if (key.SetString(u"Prefix", entry.Prefix, kRegSz) != 0) return false;
  key.Close();

  if (!CreateTemplateKey(key, template_name, u"\\Unimodem")) return false;
  if (!SetIf(key, entry.HasTsp, u"TSP", entry.Tsp)) return false;
  if (!SetIf(key, entry.HasFriendlyName, u"FriendlyName",
             entry.FriendlyName)) {
    return false;
  }
  if (entry.HasDeviceType &&
      key.SetDword(u"DeviceType", entry.DeviceType) != 0) {
    return false;
  }
  key.Close();

  if (!CreateTemplateKey(key, template_name, u"\\Unimodem\\Config")) {
    return false;
  }
  if (!SetIf(key, entry.HasBaudRate, u"BaudRate", entry.BaudRate)) {
    return false;
  }
  key.Close();

  if (!CreateTemplateKey(key, template_name, u"\\Unimodem\\Init")) {
    return false;
  }
  for (std::uint32_t n = 0; n < kInitStringCount; ++n) {
    char16_t name[16];
    WideWriter(name, 16).Decimal(n);
    if (!SetIf(key, entry.Init[n].HasText, name, entry.Init[n].Text)) {
      return false;
    }
  }
  key.Close();

  if (!CreateTemplateKey(key, template_name, u"\\Unimodem\\Settings")) {
    return false;
  }
  for (const ModemTextKey& row : kModemSettingsKeys) {
    if (!SetIf(key, entry.*row.Flag, row.ValueName, entry.*row.Field)) {
      return false;
    }
  }
  key.Close();
  return true;
}

}  // namespace tarnwell
