#include "config/ModulePath.h"

#include <cstring>

#include "platform/Platform.h"
#include "platform/Registry.h"

namespace tarnwell {

void ModulePath::Clear() { std::memset(this, 0, sizeof *this); }

std::int32_t ModulePath::Fill() {
  Clear();
  std::int32_t error = kErrorSuccess;
  std::uint32_t length =
      platform::ModuleFileName(FullPath, kFullPathCapacity, &error);
  if (length == 0) {
    Clear();
    // Never the directory's own code: the path itself was not obtained.
    if (error == kErrorSuccess || error == kDirectoryTooLong) {
      error = kErrorInvalidParameter;
    }
    return error;
  }

  const char16_t separator = platform::PathSeparator();
  std::size_t end = 0;  // one past the last separator
  for (std::size_t i = 0; i < length; ++i) {
    if (FullPath[i] == separator) end = i + 1;
  }
  if (end >= kDirectoryCapacity) {
    Clear();
    return kDirectoryTooLong;
  }
  std::memcpy(Directory, FullPath, end * sizeof(char16_t));
  return kErrorSuccess;
}

}  // namespace tarnwell
