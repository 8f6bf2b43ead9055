// Only generic POSIX code here.
//
// What a new store file takes over from the one it replaces, so that
// whoever could use the store before still can, and nobody else: owner,
// group, mode, POSIX ACL, every other extended attribute and the file
// attributes of chattr.
#pragma once

#include <sys/stat.h>

#include <cstdint>

namespace tarnwell::posix {

// Gives the file `to` what the file `from` (of status old) has; what `to`
// has and `from` has not (an ACL inherited from the directory) goes, but
// for the temporary's mark. Fails when any of it cannot be given.
std::int32_t CopyMetadata(int from, const struct stat& old, int to);

// Gives the empty file `to` the file attributes of `from` that say how it
// is kept (no dump, no atime, synchronous, no copy on write and the
// like); some take only on a file without content. Fails when one cannot
// be given.
std::int32_t CopyFlags(int from, int to);

}  // namespace tarnwell::posix
