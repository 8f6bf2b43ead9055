// The registry that the installer would write: its own writers run against
// an in-memory store, shown in regedit's export form.
#pragma once

#include <cstddef>
#include <string>

#include "config/InstallConfig.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {

// The export text as UTF-8, CRLF line ends kept: what
// "iconv -f UTF-16 -t UTF-8 registry.reg" shows of the host's store.
std::string RegTextUtf8(const regstore::RegTree& tree);

struct TreeSize {
  std::size_t Keys = 0;    // keys that hold at least one value
  std::size_t Values = 0;
};

TreeSize MeasureTree(const regstore::RegTree& tree);

}  // namespace tarnwell::check
