// Only generic POSIX code here.
//
// Where the host's registry file really lies, found along a path that no
// other user can change (OpenSSH's rule for its own files).
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace tarnwell::posix {

struct StorePlace {
  int Directory = -1;  // open, for the lock, the file and its replacement
  std::string Name;    // the file's name in it
  uid_t Owner = 0;     // the directory's owner: the lock's
  bool Exists = false;  // and then Status is the file's, not followed
  struct stat Status = {};
  bool OthersLink = false;  // refused for a symbolic link of another user
};

// How far the directories on the way are trusted.
enum class PlaceRule {
  kPrivate,  // the store's: see FindStorePlace
  // Any directory the user can reach (tarnwell-check -o, which writes
  // where it is told), a relative path from the working directory; links
  // are still followed only when they are the user's own or root's, so
  // that no other user can aim the file at one of the user's own.
  kAnyDirectory,
};

// Walks path from "/" one name at a time, each directory opened without
// following a link and judged on its open descriptor, and follows
// symbolic links (the file's own too) the same way, so that a name is
// never looked at and then used again. Every directory on the way must
// belong to this user or root and be writable by nobody else: not by
// others, nor by a group with a member besides its owner. One that others
// may write but that is sticky (/tmp) may be passed through when the
// entry beneath it belongs to this user or root; the file's own
// directory may not be such. Otherwise the path is refused
// (kErrorAccessDenied). The file itself need not exist. On failure place
// holds nothing open.
std::int32_t FindStorePlace(const std::string& path, StorePlace* place,
                           PlaceRule rule = PlaceRule::kPrivate);

}  // namespace tarnwell::posix
