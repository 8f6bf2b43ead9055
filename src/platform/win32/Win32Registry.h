// The real registry of Windows (and Windows CE), through the three calls
// the installer relies on.
#pragma once

#include "regstore/Registry.h"

namespace tarnwell::win32 {

class Win32Registry : public Registry {
 public:
  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override;
  std::int32_t SetValue(RegHandle key, const char16_t* name,
                        std::uint32_t type, const void* data,
                        std::uint32_t size) override;
  std::int32_t CloseKey(RegHandle key) override;
};

}  // namespace tarnwell::win32
