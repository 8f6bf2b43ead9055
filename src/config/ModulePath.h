// Where the running executable lies, and so where usbcdc.cfg is looked for.
#pragma once

#include <cstdint>

#include "config/Capacities.h"

namespace tarnwell {

struct ModulePath {
  char16_t FullPath[kFullPathCapacity];
  char16_t Directory[kDirectoryCapacity];

  void Clear();

  // Fill's result when FullPath was obtained but its directory does not
  // fit Directory: a cut directory would name some other place.
  static constexpr std::int32_t kDirectoryTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE

  // Clears, obtains FullPath from the platform and derives Directory (up to
  // and including the last separator). Returns 0, the platform's error
  // code when the path cannot be obtained, or kDirectoryTooLong.
  std::int32_t Fill();
};

}  // namespace tarnwell
