#include "app/RunInstaller.h"

#include "app/ShowMessage.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "platform/Platform.h"

namespace tarnwell {

namespace {

// Writes every entry it can, then saves what was written, also after a
// failed call: what was written stays written.
bool WriteConfig(const InstallConfig& config, Registry& registry) {
  const bool written = config.WriteConfigToRegistry(registry);
  return registry.Save() == kErrorSuccess && written;
}

}  // namespace

int RunInstaller(Registry& registry) {
  // Empty lists take no memory: the configuration is made without fail.
  InstallConfig config;
  int result = 1;
  if (!ReadConfigFile(config, "usbcdc.cfg")) {
    ShowMessage(u"Read configuration file failed!", u"Error", kMessageError);
  } else if (!WriteConfig(config, registry)) {
    ShowMessage(u"Write configuration to registry failed!", u"Error",
                kMessageError);
  } else {
    ShowMessage(u"Configuration successfully written to the registry!",
                u"Success", kMessageInformation);
    result = 0;
  }
  return result;
}

int RunProgram(Registry& registry) {
  platform::ComInitialize();
  const int result = RunInstaller(registry);
  platform::ComUninitialize();
  return result;
}

}  // namespace tarnwell
