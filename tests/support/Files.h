// Scratch directories and whole files, for tests, benchmarks and fuzzers.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace tarnwell::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
 public:
  // in_memory: in /dev/shm when there is one, where flushes are cheap; not
  // for programs to run from (it may be mounted noexec).
  explicit ScratchDir(bool in_memory = false);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(std::string_view name) const;

 private:
  std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, std::string_view bytes);
bool FileExists(const std::string& path);  // without following a link
// The names in a directory, without "." and "..".
std::set<std::string> ListDirectory(const std::string& path);
// Copies an executable, keeping it executable.
void CopyExecutable(const std::string& from, const std::string& to);

}  // namespace tarnwell::testing
