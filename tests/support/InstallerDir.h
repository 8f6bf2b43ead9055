// A scratch directory holding a copy of the built installer, as a user
// would place it beside a usbcdc.cfg; runs it as a child process.
#pragma once

#include <string>
#include <vector>

#include "regstore/RegTree.h"
#include "support/ChildRun.h"
#include "support/Files.h"
#include "support/StoreFiles.h"

namespace tarnwell::testing {

class InstallerDir {
 public:
  // subdirectory: an extra path below the scratch root where the program
  // is put (to test unusual directory names); exe_name: its file name there.
  explicit InstallerDir(const std::string& exe,
                        const std::string& subdirectory = "",
                        const std::string& exe_name = "tarnwell")
      : dir_(subdirectory.empty() ? root_.Path()
                                  : root_.File(subdirectory)),
        exe_(dir_ + "/" + exe_name) {
    CreateDirectories(dir_);
    CopyExecutable(exe, exe_);
  }

  const std::string& Path() const { return dir_; }
  std::string Config() const { return dir_ + "/usbcdc.cfg"; }
  std::string Store() const { return dir_ + "/registry.reg"; }

  void WriteConfig(const std::string& text) const {
    WriteFileBytes(Config(), text);
  }

  // With closed_stdout, its standard output is a pipe whose reader has
  // gone.
  RunResult Run(const std::vector<std::string>& args = {},
                bool closed_stdout = false) const {
    ChildOptions options;
    options.Args = args;
    options.ClosedStdout = closed_stdout;
    return RunChild(exe_, options);
  }
  RunResult RunWith(const ChildOptions& options) const {
    return RunChild(exe_, options);
  }
  const std::string& Exe() const { return exe_; }

  // The store parsed; false when it is missing or unreadable.
  bool LoadStore(regstore::RegTree* tree) const {
    return LoadStoreFile(Store(), tree);
  }

 private:
  static void CreateDirectories(const std::string& path);

  ScratchDir root_;
  std::string dir_;
  std::string exe_;
};

}  // namespace tarnwell::testing
