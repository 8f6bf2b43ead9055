// Where the running executable lies, and so where usbcdc.cfg is looked for.
#pragma once

#include <cstdint>

#include "config/Capacities.h"

namespace tarnwell {

struct ModulePath {
  char16_t FullPath[kFullPathCapacity];
  char16_t Directory[kDirectoryCapacity];

  void Clear();

  // Clears, obtains FullPath from the platform and derives Directory (up to
  // and including the last separator). Returns 0, or a Windows error code:
  // the platform's own, or ERROR_FILENAME_EXCED_RANGE when the directory
  // would not fit, because a cut directory names some other place.
  std::int32_t Fill();
};

}  // namespace tarnwell
