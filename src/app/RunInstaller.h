// One run of the installer: read usbcdc.cfg, write the registry, report.
#pragma once

#include "regstore/Registry.h"

namespace tarnwell {

// Reads the configuration beside the executable, loads registry from the
// same directory, writes the configuration to it and saves it; shows the
// result message (after "Get config file name failed!" when the
// program's own path cannot be obtained). Returns the exit code: 0 when
// reading, loading, writing and saving succeeded, 1 otherwise.
int RunInstaller(Registry& registry);

// The whole program as the platform's entry point runs it: COM around
// RunInstaller.
int RunProgram(Registry& registry);

}  // namespace tarnwell
