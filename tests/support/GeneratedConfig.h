// Configuration text of any size, shaped like the example file: every
// section with IDs of its own, so that each adds keys to the registry.
#pragma once

#include <cstddef>
#include <string>

namespace tarnwell::testing {

// `devices` device sections (every key, two disabled interfaces each),
// then `modems` modem sections (every key of the Unimodem values), the
// n-th on the device of the n-th device section; at most `devices`.
std::string GenerateConfig(std::size_t devices, std::size_t modems);

}  // namespace tarnwell::testing
