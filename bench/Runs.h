// What the benchmarks time: the reader alone, and a whole run as the
// installer makes it (read, every registry call into the host's store in
// dir, the store's save). False when the generated text failed.
#pragma once

#include <string>

#include "config/ConfigReader.h"
#include "platform/posix/FileRegistry.h"
#include "support/Files.h"

namespace tarnwell::bench {

inline bool ReadOnly(const std::string& text) {
  InstallConfig config;
  MemoryByteSource source(text);
  return ReadConfigSource(config, source);
}

inline bool WholeRun(const std::string& text, const testing::ScratchDir& dir) {
  InstallConfig config;
  MemoryByteSource source(text);
  if (!ReadConfigSource(config, source)) return false;
  posix::FileRegistry registry(dir.File("registry.reg"));
  if (registry.Load(nullptr) != kErrorSuccess) return false;
  const bool written = config.WriteConfigToRegistry(registry);
  return registry.Save() == kErrorSuccess && written;
}

}  // namespace tarnwell::bench
