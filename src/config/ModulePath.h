// Where the running executable lies, and so where usbcdc.cfg is looked for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/Capacities.h"

namespace tarnwell {

// Length of the directory part of path: everything up to and including the
// last separator, 0 when there is none. Only `separator` separates: a path
// that is only a drive ("C:") has no directory part, and a Windows path
// read with '/' has none either.
std::size_t DirectoryLength(std::u16string_view path, char16_t separator);

struct ModulePath {
  char16_t FullPath[kFullPathCapacity];
  char16_t Directory[kDirectoryCapacity];

  void Clear();

  // Fill's result when FullPath was obtained but its directory does not
  // fit Directory: a cut directory would name some other place.
  static constexpr std::int32_t kDirectoryTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE

  // Clears, obtains FullPath from the platform and derives Directory (up to
  // and including the last of the platform's separators). Returns 0, the
  // platform's error code when the path cannot be obtained, or
  // kDirectoryTooLong.
  std::int32_t Fill();
};

}  // namespace tarnwell
