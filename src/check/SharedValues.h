// Sections that write the same registry values. Every device section writes
// the one driver template key, and every modem section the one COM template
// with its Unimodem keys, so a later section silently replaces what an
// earlier one wrote there, while what only the earlier one gave stays and
// applies to both.
#pragma once

#include <vector>

#include "check/ConfigChecker.h"
#include "check/Diagnostics.h"
#include "config/InstallConfig.h"

namespace tarnwell::check {

// One warning per pair of sections whose writes meet, at the header of the
// later one in the order the installer writes (devices before modems).
// `devices` and `modems` describe the entries of `config`, one for one.
std::vector<Diagnostic> SharedValueDiagnostics(
    const InstallConfig& config, const std::vector<SectionInfo>& devices,
    const std::vector<SectionInfo>& modems);

}  // namespace tarnwell::check
