// The real registry, through the three calls the installer relies on.
#include <windows.h>

#include "platform/Registry.h"

namespace tarnwell {
namespace {

// The predefined root keys are sign-extended 32-bit values on 64-bit
// Windows, so the portable constant is mapped rather than cast.
HKEY ToHkey(RegHandle handle) {
  if (handle == kLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<HKEY>(handle);
}

class Win32Registry : public Registry {
 public:
  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override {
    HKEY created = nullptr;
    LONG result = RegCreateKeyExW(
        ToHkey(parent), reinterpret_cast<const wchar_t*>(path), 0, nullptr,
        0 /* REG_OPTION_NON_VOLATILE */, access, nullptr, &created, nullptr);
    *key = result == ERROR_SUCCESS ? reinterpret_cast<RegHandle>(created) : 0;
    return static_cast<std::int32_t>(result);
  }

  std::int32_t SetValue(RegHandle key, const char16_t* name,
                        std::uint32_t type, const void* data,
                        std::uint32_t size) override {
    return static_cast<std::int32_t>(
        RegSetValueExW(ToHkey(key), reinterpret_cast<const wchar_t*>(name), 0,
                       type, static_cast<const BYTE*>(data), size));
  }

  std::int32_t CloseKey(RegHandle key) override {
    return static_cast<std::int32_t>(RegCloseKey(ToHkey(key)));
  }
};

}  // namespace

Registry& SystemRegistry() {
  static Win32Registry registry;
  return registry;
}

}  // namespace tarnwell
