// Only generic POSIX code here.
//
// The host's registry: a .reg file that Windows' regedit can import. A run
// works on the registry in memory: Load takes the lock and reads the file
// whole before the install pass, and Save writes it whole after it, so
// that no other run comes in between. A file that is not a whole regedit
// export is refused: Load fails and the file is never written.
#pragma once

#include <cstdint>
#include <string>

#include "platform/posix/StoreFile.h"
#include "regstore/TreeRegistry.h"

namespace tarnwell::posix {

class FileRegistry : public regstore::TreeRegistry {
 public:
  // registry.reg in the directory that Load is given.
  FileRegistry() = default;
  // The store at path; Load's directory is then not used.
  explicit FileRegistry(std::string path) : path_(std::move(path)) {}

  FileRegistry(const FileRegistry&) = delete;
  FileRegistry& operator=(const FileRegistry&) = delete;

  // Takes the lock and reads the file into the tree (an empty tree when
  // there is no file yet); closes every key. On failure nothing is held
  // and Save fails.
  std::int32_t Load(const char16_t* directory) override;

  // Writes the file when a call changed the registry since Load, and lets
  // go of the lock. Fails when nothing was loaded or the file could not
  // be written; the file is then as it was. Another Load starts anew.
  std::int32_t Save() override;

 private:
  std::int32_t LoadFile();

  std::string path_;
  StoreFile file_;
  bool loaded_ = false;
};

}  // namespace tarnwell::posix
