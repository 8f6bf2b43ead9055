#include "platform/win32/Win32Registry.h"

#include <windows.h>

namespace tarnwell::win32 {
namespace {

// The predefined root keys are sign-extended 32-bit values on 64-bit
// Windows, so the portable constant is mapped rather than cast.
HKEY ToHkey(RegHandle handle) {
  if (handle == kLocalMachine) return HKEY_LOCAL_MACHINE;
  return reinterpret_cast<HKEY>(handle);
}

}  // namespace

std::int32_t Win32Registry::CreateKey(RegHandle parent, const char16_t* path,
                                      std::uint32_t access, RegHandle* key) {
  HKEY created = nullptr;
  LONG result = RegCreateKeyExW(
      ToHkey(parent), reinterpret_cast<const wchar_t*>(path), 0, nullptr,
      0 /* REG_OPTION_NON_VOLATILE */, access, nullptr, &created, nullptr);
  *key = result == ERROR_SUCCESS ? reinterpret_cast<RegHandle>(created) : 0;
  return static_cast<std::int32_t>(result);
}

std::int32_t Win32Registry::SetValue(RegHandle key, const char16_t* name,
                                     std::uint32_t type, const void* data,
                                     std::uint32_t size) {
  return static_cast<std::int32_t>(
      RegSetValueExW(ToHkey(key), reinterpret_cast<const wchar_t*>(name), 0,
                     type, static_cast<const BYTE*>(data), size));
}

std::int32_t Win32Registry::CloseKey(RegHandle key) {
  return static_cast<std::int32_t>(RegCloseKey(ToHkey(key)));
}

}  // namespace tarnwell::win32
