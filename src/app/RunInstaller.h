// One run of the installer: read usbcdc.cfg, write the registry, report.
#pragma once

namespace tarnwell {

// Reads the configuration beside the executable and writes it to the
// registry; shows one result message. Returns the exit code: 0 when both
// succeeded, 1 otherwise.
int RunInstaller();

// The whole program as the platform's entry point runs it: COM around
// RunInstaller. Never throws.
int RunProgram();

}  // namespace tarnwell
