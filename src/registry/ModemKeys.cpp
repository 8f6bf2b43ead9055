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

// Sets each text of the table whose flag is set, in table order; false at
// the first failure.
template <std::size_t N>
bool SetTexts(RegKey& key, const ModemEntry& entry,
              const ModemTextKey (&rows)[N]) {
  for (const ModemTextKey& row : rows) {
    if (entry.*row.Flag &&
        key.SetString(row.ValueName, entry.*row.Field, kRegSz) != 0) {
      return false;
    }
  }
  return true;
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
  if (key.SetString(kModemDllKey.ValueName, entry.*kModemDllKey.Field,
                    kRegSz) != 0) {
    return false;
  }
  if (key.SetString(u"Prefix", entry.Prefix, kRegSz) != 0) return false;
  key.Close();

  if (!CreateTemplateKey(key, template_name, u"\\Unimodem")) return false;
  if (!SetTexts(key, entry, kUnimodemTextKeys)) return false;
  if (entry.*kDeviceTypeKey.Flag &&
      key.SetDword(kDeviceTypeKey.ValueName, entry.*kDeviceTypeKey.Field) !=
          0) {
    return false;
  }
  key.Close();

  if (!CreateTemplateKey(key, template_name, u"\\Unimodem\\Config")) {
    return false;
  }
  if (!SetTexts(key, entry, kConfigTextKeys)) return false;
  key.Close();

  if (!CreateTemplateKey(key, template_name, u"\\Unimodem\\Init")) {
    return false;
  }
  for (std::uint32_t n = 0; n < kInitStringCount; ++n) {
    const InitString& init = entry.Init[n];
    char16_t name[16];
    WideWriter(name, 16).Decimal(n);
    if (init.HasText && key.SetString(name, init.Text, kRegSz) != 0) {
      return false;
    }
  }
  key.Close();

  if (!CreateTemplateKey(key, template_name, u"\\Unimodem\\Settings")) {
    return false;
  }
  if (!SetTexts(key, entry, kModemSettingsKeys)) return false;
  key.Close();
  return true;
}

}  // namespace tarnwell
