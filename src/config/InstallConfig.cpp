#include "config/InstallConfig.h"

namespace tarnwell {

bool InstallConfig::AppendDevice(const DeviceEntry& entry) {
  if (!entry.HasDll || !entry.HasPrefix) return false;
  Devices.push_back(entry);
  return true;
}

bool InstallConfig::AppendModem(const ModemEntry& entry) {
  if (!entry.HasDll || !entry.HasPrefix) return false;
  Modems.push_back(entry);
  return true;
}

}  // namespace tarnwell
