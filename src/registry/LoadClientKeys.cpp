// The load-client key that makes the USB driver loader load the CDC client
// driver for a device, and the driver's template key.
#include "config/InstallConfig.h"
#include "registry/KeyPaths.h"
#include "registry/RegKey.h"

namespace tarnwell {
namespace {

struct DwordValue {
  const char16_t* Name;
  std::uint32_t DeviceEntry::*Field;
  bool DeviceEntry::*Flag;
};

// In the order they are written.
constexpr DwordValue kBufferValues[] = {
    {u"NumberOfControlInBuffers", &DeviceEntry::NumberOfControlInBuffers,
     &DeviceEntry::HasNumberOfControlInBuffers},
    {u"BufferCountIn", &DeviceEntry::BufferCountIn,
     &DeviceEntry::HasBufferCountIn},
    {u"BufferCountOut", &DeviceEntry::BufferCountOut,
     &DeviceEntry::HasBufferCountOut},
    {u"BufferSizeFactorIn", &DeviceEntry::BufferSizeFactorIn,
     &DeviceEntry::HasBufferSizeFactorIn},
    {u"BufferSizeFactorOut", &DeviceEntry::BufferSizeFactorOut,
     &DeviceEntry::HasBufferSizeFactorOut},
};

constexpr char16_t kTemplateKey[] =
    u"Drivers\\USB\\ClientDrivers\\USBCDC_Template_Default";

}  // namespace

bool InstallConfig::WriteLoadClientKeys(const DeviceEntry& entry,
                                        Registry& registry) const {
  RegKey key(registry);
  char16_t path[kKeyPathCapacity];
  LoadClientKeyPath(path, entry);
  if (key.Create(kLocalMachine, path, kKeyReadWrite) != 0) return false;
  if (key.SetString(u"Dll", entry.Dll, kRegSz) != 0) return false;
  key.Close();

  if (key.Create(kLocalMachine, kTemplateKey, kKeyReadWrite) != 0) {
    return false;
  }
  if (key.SetString(u"Dll", entry.Dll, kRegSz) != 0) return false;
  if (key.SetString(u"Prefix", entry.Prefix, kRegSz) != 0) return false;
  if (entry.HasGuid) {
    char16_t guid[64];
    GuidText(guid, entry.Guid);
    if (key.SetString(u"IClass", guid, kRegSz) != 0) return false;
  }
  for (const DwordValue& row : kBufferValues) {
    if (entry.*row.Flag && key.SetDword(row.Name, entry.*row.Field) != 0) {
      return false;
    }
  }
  key.Close();
  return true;
}

}  // namespace tarnwell
