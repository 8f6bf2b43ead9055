// The whole configuration of one run: every accepted device section and
// every accepted modem section, each kind in file order. It is also the gate
// that refuses a section without "DLL", and it owns the registry pass.
#pragma once

#include <cstdint>

#include "config/DeviceEntry.h"
#include "config/EntryList.h"
#include "config/ModemEntry.h"
#include "config/ReadTrace.h"
#include "regstore/Registry.h"

namespace tarnwell {

// Told where each entry's registry calls begin, so that a tool that
// explains the pass (tarnwell-check) knows whose calls follow. The
// installer passes none.
class PassListener {
 public:
  virtual ~PassListener() = default;
  virtual void EntryBegins(SectionKind kind) = 0;
};

struct InstallConfig {
  EntryList<DeviceEntry> Devices;
  EntryList<ModemEntry> Modems;

  // Append a copy; refused (false, list unchanged) without HasDll or
  // HasPrefix, or when there is no memory for the copy.
  bool AppendDevice(const DeviceEntry& entry);
  bool AppendModem(const ModemEntry& entry);

  // Writes every device entry, then every modem entry. True when every
  // load-client, template, interface and modem key was written; never
  // stops at a failure.
  bool WriteConfigToRegistry(Registry& registry,
                             PassListener* listener = nullptr) const;

  // The writers; each stops at its first failed registry call.
  bool WriteLoadClientKeys(const DeviceEntry& entry,
                           Registry& registry) const;
  bool WriteInterfaceKey(const char16_t* client_driver, std::uint16_t vid,
                         std::uint16_t pid, std::uint8_t interface_number,
                         Registry& registry) const;
  bool WriteModemKeys(const char16_t* client_driver, const ModemEntry& entry,
                      const char16_t* template_name,
                      Registry& registry) const;
};

}  // namespace tarnwell
