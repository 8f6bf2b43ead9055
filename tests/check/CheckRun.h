// Running the built programs as a user would, and scratch directories for
// them.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tarnwell::check::testing {

namespace fs = std::filesystem;

struct Output {
  int ExitCode = -1;
  std::string Text;  // standard output and standard error, interleaved
  std::string Out;   // standard output alone, when asked for
};

// Runs `exe` with `args` in `directory`. With `separate`, standard output
// is kept apart in Out and Text holds standard error only. Standard input
// is `input` when given (relative to `directory`), else empty.
Output RunProgram(const std::string& exe, const std::vector<std::string>& args,
                  const fs::path& directory, bool separate = false,
                  const fs::path& input = {});

std::string ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const std::string& bytes);

// The fixture files (*.cfg), sorted by name.
std::vector<fs::path> FixtureFiles();

// A fresh directory, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace tarnwell::check::testing
