// Only generic POSIX code here.
//
// The host's registry: a .reg file that Windows' regedit can import. A run
// works on the registry in memory: the file is read whole at the first
// call and written whole by Save, under a lock that keeps any other run
// out in between. A file that is not a whole regedit export is refused:
// every call fails and it is never written.
#pragma once

#include <cstdint>
#include <string>

#include "platform/posix/StoreFile.h"
#include "regstore/TreeRegistry.h"

namespace tarnwell::posix {

class FileRegistry : public regstore::TreeRegistry {
 public:
  // registry.reg beside the running executable, found at the first call.
  FileRegistry() = default;
  // The store at path.
  explicit FileRegistry(std::string path) : path_(std::move(path)) {}

  FileRegistry(const FileRegistry&) = delete;
  FileRegistry& operator=(const FileRegistry&) = delete;

  // Writes the file when a call changed the registry, and lets go of the
  // lock. Fails when the file could not be read or written; the file is
  // then as it was. A later call starts anew from the file.
  std::int32_t Save() override;

 protected:
  std::int32_t Ready() override;

 private:
  enum class State { kIdle, kOpen, kFailed };

  std::int32_t Load();

  std::string path_;
  StoreFile file_;
  State state_ = State::kIdle;
  std::int32_t error_ = kErrorSuccess;
};

}  // namespace tarnwell::posix
