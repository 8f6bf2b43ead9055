// Only generic POSIX code here.
//
// What a new store file takes over from the one it replaces, so that
// whoever could use the store before still can, and nobody else: owner,
// group, mode, POSIX ACL and every other extended attribute.
#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace tarnwell::posix {

// Gives the file `to` what the file `from` (of status old) has; what `to`
// has and `from` has not (an ACL inherited from the directory) goes.
// Fails when any of it cannot be given.
std::int32_t CopyMetadata(int from, const struct stat& old, int to);

}  // namespace tarnwell::posix
