#include "config/InstallConfig.h"

namespace tarnwell {

bool InstallConfig::AppendDevice(const DeviceEntry& entry) {
  if (!entry.HasDll || !entry.HasPrefix) return false;
  return Devices.push_back(entry);
}

bool InstallConfig::AppendModem(const ModemEntry& entry) {
  if (!entry.HasDll || !entry.HasPrefix) return false;
  return Modems.push_back(entry);
}

}  // namespace tarnwell
