// A scratch directory holding a copy of the built installer, as a user
// would place it beside a usbcdc.cfg; runs it as a child process.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/regfile/RegText.h"
#include "platform/regfile/RegTree.h"

namespace tarnwell::testing {

namespace fs = std::filesystem;

struct RunResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

inline std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

class InstallerDir {
 public:
  // subdirectory: an extra path below the scratch root where the program
  // is put (to test unusual directory names); exe_name: its file name there.
  explicit InstallerDir(const std::string& exe,
                        const std::string& subdirectory = "",
                        const std::string& exe_name = "tarnwell")
      : exe_name_(exe_name) {
    std::string pattern =
        (fs::temp_directory_path() / "tarnwell-e2e-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    root_ = mkdtemp(buffer.data());
    dir_ = subdirectory.empty() ? root_ : root_ / subdirectory;
    fs::create_directories(dir_);
    fs::copy_file(exe, dir_ / exe_name_);
  }
  ~InstallerDir() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }

  const fs::path& Path() const { return dir_; }
  fs::path Config() const { return dir_ / "usbcdc.cfg"; }
  fs::path Store() const { return dir_ / "registry.reg"; }

  void WriteConfig(const std::string& text) const {
    WriteFileBytes(Config(), text);
  }

  // Runs the program; with closed_stdout, its standard output is a pipe
  // whose reader has gone.
  RunResult Run(const std::vector<std::string>& args = {},
                bool closed_stdout = false) const {
    int pipe_fds[2] = {-1, -1};
    if (closed_stdout) {
      if (pipe(pipe_fds) != 0) return {};
      close(pipe_fds[0]);  // the reader is gone before the program starts
    }
    const fs::path out = root_ / "stdout.txt";
    const fs::path err = root_ / "stderr.txt";
    pid_t pid = fork();
    if (pid == 0) {
      int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(closed_stdout ? pipe_fds[1] : o, 1);
      dup2(e, 2);
      // Run from elsewhere: the program must find its files by its own
      // path, not the working directory.
      if (chdir("/") != 0) _exit(126);
      std::string exe = (dir_ / exe_name_).string();
      std::vector<char*> argv{exe.data()};
      std::vector<std::string> copies(args);
      for (auto& a : copies) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(exe.c_str(), argv.data());
      _exit(127);
    }
    if (closed_stdout) close(pipe_fds[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    RunResult result;
    result.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status)
                                        : 128 + WTERMSIG(status);
    result.Out = ReadFileBytes(out);
    result.Err = ReadFileBytes(err);
    return result;
  }

  // The store parsed; false when it is missing or unreadable.
  bool LoadStore(regstore::RegTree* tree) const {
    std::string bytes = ReadFileBytes(Store());
    if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return false;
    std::u16string text =
        regstore::DecodeUtf16Le(std::string_view(bytes).substr(2));
    return regstore::ParseRegText(text, *tree, true).Ok;
  }

 private:
  std::string exe_name_;
  fs::path root_;
  fs::path dir_;
};

}  // namespace tarnwell::testing
