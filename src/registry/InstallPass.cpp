// The registry pass over the whole configuration: devices first, then
// modems, every entry attempted whatever failed before it.
#include "config/InstallConfig.h"
#include "registry/KeyPaths.h"

namespace tarnwell {
namespace {

constexpr char16_t kModemTemplate[] = u"USBCDC_COM_Template";

}  // namespace

bool InstallConfig::WriteConfigToRegistry(Registry& registry,
                                          PassListener* listener) const {
  bool result = true;
  for (const DeviceEntry& device : Devices) {
    if (listener != nullptr) listener->EntryBegins(SectionKind::kDevice);
    if (!WriteLoadClientKeys(device, registry)) result = false;
    for (std::uint32_t i = 0; i < device.IfcDisableCount; ++i) {
      // A device whose interface stays enabled by mistake is not installed
      // as asked, so a failed interface key fails the run too.
      if (!WriteInterfaceKey(kClientDriver, device.Vid, device.Pid,
                             device.IfcDisable[i], registry)) {
        result = false;
      }
    }
  }
  for (const ModemEntry& modem : Modems) {
    if (listener != nullptr) listener->EntryBegins(SectionKind::kModem);
    if (!WriteModemKeys(kClientDriver, modem, kModemTemplate, registry)) {
      result = false;
    }
  }
  return result;
}

}  // namespace tarnwell
