// Builds an InstallConfig from configuration text, the way the installer
// reads its file.
#pragma once

#include <string>

#include "config/ConfigReader.h"
#include "platform/ByteSource.h"

namespace tarnwell::testing {

inline InstallConfig ConfigFromText(const std::string& text,
                                    bool* ok = nullptr) {
  InstallConfig config;
  MemoryByteSource source(text);
  bool read = ReadConfigSource(config, source);
  if (ok != nullptr) *ok = read;
  return config;
}

}  // namespace tarnwell::testing
