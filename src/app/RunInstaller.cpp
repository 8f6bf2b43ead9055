#include "app/RunInstaller.h"

#include <new>

#include "app/ShowMessage.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "platform/Platform.h"

namespace tarnwell {

int RunInstaller() {
  InstallConfig config;
  int result = 1;
  if (!ReadConfigFile(config, "usbcdc.cfg")) {
    ShowMessage(u"Read configuration file failed!", u"Error", kMessageError);
  } else if (!config.WriteConfigToRegistry()) {
    ShowMessage(u"Write configuration to registry failed!", u"Error",
                kMessageError);
  } else {
    ShowMessage(u"Configuration successfully written to the registry!",
                u"Success", kMessageInformation);
    result = 0;
  }
  return result;
}

int RunProgram() {
  platform::ComInitialize();
  int result = 1;
  try {
    result = RunInstaller();
  } catch (const std::bad_alloc&) {
    // Reading and writing turn a lack of memory into their own failures;
    // this is the last guard, so the process still ends cleanly.
    result = 1;
  }
  platform::ComUninitialize();
  return result;
}

}  // namespace tarnwell
