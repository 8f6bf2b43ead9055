// Only generic POSIX code here.
//
// Where the host's registry file really lies.
#pragma once

#include <cstdint>
#include <string>

namespace tarnwell::posix {

struct StorePlace {
  int Directory = -1;  // open, for the lock, the file and its replacement
  std::string Name;    // the file's name in it
};

// Opens the directory of path and follows the file while it is a symbolic
// link that can be trusted: one owned by this user or by the owner of the
// directory that holds it. The file is then replaced where it really lies
// and a link stays a link, while a link that another user planted in a
// shared directory is refused. The file itself need not exist. On failure
// place holds nothing open.
std::int32_t FindStorePlace(const std::string& path, StorePlace* place);

}  // namespace tarnwell::posix
