// Holder of at most one open registry key; the only way the writers touch
// the registry. Results are Windows error codes, passed on unchanged.
#pragma once

#include <cstdint>

#include "regstore/Registry.h"

namespace tarnwell {

class RegKey {
 public:
  explicit RegKey(Registry& registry)
      : registry_(registry) {}
  ~RegKey() { Close(); }

  RegKey(const RegKey&) = delete;
  RegKey& operator=(const RegKey&) = delete;

  // Closes the held key, if any, then creates or opens path below parent.
  // After a failure no key is held.
  std::int32_t Create(RegHandle parent, const char16_t* path,
                      std::uint32_t access);

  // Writes text with its NUL. Types other than REG_SZ and REG_EXPAND_SZ
  // give ERROR_BAD_FORMAT and write nothing.
  std::int32_t SetString(const char16_t* name, const char16_t* text,
                         std::uint32_t type);

  std::int32_t SetDword(const char16_t* name, std::uint32_t value);

  // Closes the held key; 0 without a platform call when none is held.
  std::int32_t Close();

 private:
  Registry& registry_;
  RegHandle handle_ = 0;
};

}  // namespace tarnwell
