// Only generic POSIX code here.
//
// The host's registry: a .reg file that Windows' regedit can import. Each
// change is appended as the .reg text that describes it (a key header and
// its value), so one write costs the same however large the store is, and
// a value whose call returned 0 is in the file even if the process dies
// the next moment. The file is rewritten in export form, through a
// temporary file and a rename, when the journal has grown well beyond the
// store and when the program ends. A lock on the directory keeps two runs
// from losing each other's writes; each change first reads what another
// run appended. A file that cannot be read is never written.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

#include "platform/regfile/TreeRegistry.h"

namespace tarnwell::posix {

class FileRegistry : public regstore::TreeRegistry {
 public:
  // path names the store file. With an empty path every change fails with
  // path_error (the store's place could not be found).
  explicit FileRegistry(std::string path, std::int32_t path_error = 0);
  // registry.reg beside the running executable, found at first use.
  FileRegistry() : beside_executable_(true) {}
  ~FileRegistry() override;

  FileRegistry(const FileRegistry&) = delete;
  FileRegistry& operator=(const FileRegistry&) = delete;

  // Rewrites the file in export form now, when this store has changed it.
  std::int32_t Flush();
  std::int32_t Save() override { return Flush(); }

 protected:
  std::int32_t BeginChange() override;
  std::int32_t CommitChange(std::u16string_view record) override;
  void EndChange() override;
  void ForgetTree() override { loaded_ = false; }

 private:
  std::int32_t Lock();
  void Unlock();
  std::int32_t Sync();
  std::int32_t LoadAll();
  std::int32_t LoadTail(off_t size);
  std::int32_t Compact();

  std::string path_;
  std::string directory_;
  std::int32_t path_error_ = 0;
  bool beside_executable_ = false;
  int directory_fd_ = -1;
  bool locked_ = false;

  bool loaded_ = false;   // tree_ matches the file up to valid_end_
  bool exists_ = false;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  off_t valid_end_ = 0;   // end of the last whole line of the file
  bool unterminated_ = false;  // the file's last line lacks its line feed
  off_t compacted_size_ = 0;
  bool changed_ = false;  // this process appended since the last rewrite

  // A file found corrupt is not parsed again until it changes.
  bool corrupt_known_ = false;
  dev_t corrupt_device_ = 0;
  ino_t corrupt_inode_ = 0;
  off_t corrupt_size_ = 0;
  long long corrupt_mtime_ns_ = 0;
};

}  // namespace tarnwell::posix
