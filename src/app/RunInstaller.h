// One run of the installer: read usbcdc.cfg, write the registry, report.
#pragma once

#include "platform/Registry.h"

namespace tarnwell {

// Reads the configuration beside the executable and writes it to registry,
// then saves the registry; shows one result message. Returns the exit
// code: 0 when reading, writing and saving succeeded, 1 otherwise.
int RunInstaller(Registry& registry);

// The whole program as the platform's entry point runs it: COM around
// RunInstaller.
int RunProgram(Registry& registry);

}  // namespace tarnwell
