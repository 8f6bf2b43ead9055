// Configuration text for the benchmarks: device sections shaped like the
// example file's, with a modem section after every tenth, each with IDs of
// its own so that every section adds keys to the store.
#pragma once

#include <cstddef>
#include <string>

namespace tarnwell::bench {

std::string GenerateConfig(std::size_t devices);

// Device and modem sections in GenerateConfig(devices).
inline std::size_t SectionCount(std::size_t devices) {
  return devices + devices / 10;
}

}  // namespace tarnwell::bench
