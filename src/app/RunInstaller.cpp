#include "app/RunInstaller.h"

#include "app/ShowMessage.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "config/ModulePath.h"
#include "platform/Platform.h"

namespace tarnwell {

namespace {

// Finds the program's directory, once, and reads usbcdc.cfg from it. A
// path that cannot be obtained is said first; a directory too long for
// its buffer, like any path too long to hold, and a lack of memory fail
// the read without that message.
bool ReadConfig(InstallConfig& config, ModulePath& module) {
  const std::int32_t found = module.Fill();
  if (found == kErrorSuccess) {
    return ReadConfigFile(config, module.Directory, "usbcdc.cfg");
  }
  if (found != ModulePath::kDirectoryTooLong &&
      found != kErrorNotEnoughMemory) {
    ShowMessage(u"Get config file name failed!", u"Error", kMessageError);
  }
  return false;
}

// Loads the store in the program's directory, writes every entry it can,
// then saves what was written, also after a failed call: what was written
// stays written. A configuration without entries makes no registry call.
bool WriteConfig(const InstallConfig& config, Registry& registry,
                 const char16_t* directory) {
  if (config.Devices.empty() && config.Modems.empty()) return true;
  if (registry.Load(directory) != kErrorSuccess) return false;
  const bool written = config.WriteConfigToRegistry(registry);
  return registry.Save() == kErrorSuccess && written;
}

}  // namespace

int RunInstaller(Registry& registry) {
  // Empty lists take no memory: the configuration is made without fail.
  InstallConfig config;
  ModulePath module;
  int result = 1;
  if (!ReadConfig(config, module)) {
    ShowMessage(u"Read configuration file failed!", u"Error", kMessageError);
  } else if (!WriteConfig(config, registry, module.Directory)) {
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
