#include "config/ModulePath.h"

#include <cstring>

#include "platform/Platform.h"
#include "regstore/Registry.h"

namespace tarnwell {

std::size_t DirectoryLength(std::u16string_view path, char16_t separator) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (path[i - 1] == separator) return i;
  }
  return 0;
}

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

  const std::size_t end = DirectoryLength(
      std::u16string_view(FullPath, length), platform::PathSeparator());
  if (end >= kDirectoryCapacity) {
    Clear();
    return kDirectoryTooLong;
  }
  std::memcpy(Directory, FullPath, end * sizeof(char16_t));
  return kErrorSuccess;
}

}  // namespace tarnwell
