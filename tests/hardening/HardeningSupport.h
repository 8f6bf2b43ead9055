// What the hardening tests share: scratch directories, whole files, the
// installer run as a child process, and registry.reg read back the way the
// store reads it.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/regfile/RegTree.h"

namespace tarnwell::hardening {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
 public:
  explicit ScratchDir(bool in_memory = false);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& Path() const { return path_; }
  std::string File(std::string_view name) const;

 private:
  std::string path_;
};

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);
// Copies an executable, keeping it executable.
void CopyExecutable(const std::string& from, const std::string& to);

struct RunResult {
  bool Exited = false;  // ended by exit, not by a signal
  int ExitCode = -1;
  int Signal = 0;
  std::string Out;
  std::string Err;
};

// Runs exe with no arguments; extra_env ("NAME=value") is added to the
// environment. Its output goes through files in out_dir.
RunResult RunInstallerProcess(const std::string& exe, const std::string& out_dir,
                              const std::vector<std::string>& extra_env = {});

// Starts exe with its output thrown away; returns the process id.
pid_t StartInstallerProcess(const std::string& exe);
// Waits for the process; the raw wait status.
int WaitProcess(pid_t pid);

// The lines the installer prints for its three outcomes.
extern const char kSuccessLine[];
extern const char kReadFailedLine[];
extern const char kWriteFailedLine[];

// Reads registry.reg as the store does: the byte-order mark, then every
// whole line (a torn last line, a write that a crash cut short, is left
// out when allow_torn_tail; otherwise it is an error). False when the file
// is not a readable store.
bool LoadStoreFile(const std::string& path, regstore::RegTree* tree,
                   bool allow_torn_tail);

// The bytes of a store file holding text (byte-order mark, UTF-16LE).
std::string StoreBytes(std::u16string_view text);

// Every key (full path, case folded) and every value (path + "\" + name,
// case folded, mapped to type and data) of a tree.
struct FlatTree {
  std::vector<std::u16string> Keys;
  std::vector<std::pair<std::u16string, std::string>> Values;
};
FlatTree Flatten(const regstore::RegTree& tree);
std::string Utf8(std::u16string_view text);  // for messages

// usbcdc.cfg with `devices` device sections (distinct IDs, two disabled
// interfaces each) and `modems` modem sections.
std::string GeneratedConfig(int devices, int modems);

}  // namespace tarnwell::hardening
