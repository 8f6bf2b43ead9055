#include "app/RunInstaller.h"

#include <new>
#include <optional>

#include "app/ShowMessage.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "platform/Platform.h"

namespace tarnwell {

namespace {

// Writes every entry it can, then saves what was written, also after a
// failed call: what was written stays written. Running out of memory is a
// failed write like any other.
bool WriteConfig(const InstallConfig& config, Registry& registry) {
  bool written = false;
  try {
    written = config.WriteConfigToRegistry(registry);
  } catch (const std::bad_alloc&) {
  }
  return registry.Save() == kErrorSuccess && written;
}

}  // namespace

int RunInstaller(Registry& registry) {
  // An empty configuration may already take memory (its lists allocate when
  // made); without it there is nothing to read into: a failed read.
  std::optional<InstallConfig> config;
  try {
    config.emplace();
  } catch (const std::bad_alloc&) {
  }
  int result = 1;
  if (!config || !ReadConfigFile(*config, "usbcdc.cfg")) {
    ShowMessage(u"Read configuration file failed!", u"Error", kMessageError);
  } else if (!WriteConfig(*config, registry)) {
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
  int result = 1;
  try {
    result = RunInstaller(registry);
  } catch (const std::bad_alloc&) {
    // Reading and writing turn a lack of memory into their own failures;
    // this is the last guard, so the process still ends cleanly.
    result = 1;
  }
  platform::ComUninitialize();
  return result;
}

}  // namespace tarnwell
