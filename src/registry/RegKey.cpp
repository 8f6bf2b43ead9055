#include "registry/RegKey.h"

#include "config/WideText.h"

namespace tarnwell {

std::int32_t RegKey::Create(RegHandle parent, const char16_t* path,
                            std::uint32_t access) {
  Close();
  return registry_.CreateKey(parent, path, access, &handle_);
}

std::int32_t RegKey::SetString(const char16_t* name, const char16_t* text,
                               std::uint32_t type) {
  if (type != kRegSz && type != kRegExpandSz) return kErrorBadFormat;
  const std::uint32_t size =
      static_cast<std::uint32_t>((WideLength(text) + 1) * sizeof(char16_t));
  return registry_.SetValue(handle_, name, type, text, size);
}

std::int32_t RegKey::SetDword(const char16_t* name, std::uint32_t value) {
  return registry_.SetValue(handle_, name, kRegDword, &value, sizeof value);
}

std::int32_t RegKey::Close() {
  if (handle_ == 0) return kErrorSuccess;
  RegHandle handle = handle_;
  handle_ = 0;
  return registry_.CloseKey(handle);
}

}  // namespace tarnwell
