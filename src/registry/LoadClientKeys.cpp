// The load-client key that makes the USB driver loader load the CDC client
// driver for a device, and the driver's template key.
#include "config/InstallConfig.h"
#include "registry/KeyPaths.h"
#include "registry/RegKey.h"

namespace tarnwell {
namespace {

constexpr char16_t kTemplateKey[] =
    u"Drivers\\USB\\ClientDrivers\\USBCDC_Template_Default";

}  // namespace

bool InstallConfig::WriteLoadClientKeys(const DeviceEntry& entry,
                                        Registry& registry) const {
  RegKey key(registry);
  char16_t path[kKeyPathCapacity];
  LoadClientKeyPath(path, entry);
  if (key.Create(kLocalMachine, path, kKeyReadWrite) != 0) return false;
  if (key.SetString(kDeviceDllKey.ValueName, entry.*kDeviceDllKey.Field,
                    kRegSz) != 0) {
    return false;
  }
  key.Close();

  if (key.Create(kLocalMachine, kTemplateKey, kKeyReadWrite) != 0) {
    return false;
  }
  if (key.SetString(kDeviceDllKey.ValueName, entry.*kDeviceDllKey.Field,
                    kRegSz) != 0) {
    return false;
  }
  if (key.SetString(u"Prefix", entry.Prefix, kRegSz) != 0) return false;
  if (entry.*kGuidKey.Flag) {
    char16_t guid[64];
    GuidText(guid, entry.*kGuidKey.Field);
    if (key.SetString(kGuidKey.ValueName, guid, kRegSz) != 0) return false;
  }
  for (const auto& row : kBufferKeys) {
    if (entry.*row.Flag && key.SetDword(row.ValueName, entry.*row.Field) != 0) {
      return false;
    }
  }
  key.Close();
  return true;
}

}  // namespace tarnwell
