// Only generic POSIX code here.
//
// The file side of the host's registry: where registry.reg really lies,
// the lock that makes one run at a time its writer, reading it whole, and
// replacing it whole. A run either leaves the file as it found it or as
// it means to leave it, never anything between, and takes nothing that
// another user planted beside it.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <string>

#include "platform/posix/StorePlace.h"
#include "regstore/RegTree.h"

namespace tarnwell::posix {

class StoreFile {
 public:
  StoreFile() = default;
  ~StoreFile() { Close(); }
  StoreFile(const StoreFile&) = delete;
  StoreFile& operator=(const StoreFile&) = delete;

  // Finds the file at path along a path nobody else can change (refused
  // otherwise, see FindStorePlace), takes its lock and reads it whole into
  // *bytes; *exists is false when there is no file yet. Everything after
  // works on the directory found, never on the path again. A directory
  // that is append-only or immutable is refused before anything is made
  // in it. Temporary files that a killed run left behind are removed. On
  // failure nothing is held.
  std::int32_t Open(const std::string& path, std::string* bytes,
                    bool* exists);

  // Replaces the file by the export of tree: a new file beside it (a name
  // of its own, never one that exists), with the owner, group, mode, ACL
  // and extended attributes the old file has now (refused when this user
  // may no longer write it, or when they change before the rename),
  // flushed, then renamed over it. On failure before the rename the old
  // file is untouched.
  std::int32_t Replace(const regstore::RegTree& tree);

  // Lets go of the lock and the directory.
  void Close();

 private:
  std::int32_t Read(std::string* bytes);
  std::int32_t WriteTemporary(int fd, const regstore::RegTree& tree);
  bool Unchanged() const;
  void RemoveTemporaries();

  StorePlace place_;
  int lock_ = -1;
  bool exists_ = false;
  int old_fd_ = -1;  // the file read, whose metadata the new one takes
  struct stat old_ = {};
};

}  // namespace tarnwell::posix
