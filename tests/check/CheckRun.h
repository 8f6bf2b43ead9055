// The checker's programs run as a user would, through the shared support
// library; what is the checker's own here is its fixture files.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ChildRun.h"
#include "support/Files.h"

namespace tarnwell::check::testing {

namespace fs = std::filesystem;
using tarnwell::testing::ScratchDir;

struct Output {
  int ExitCode = -1;
  std::string Text;  // standard output and standard error, interleaved
  std::string Out;   // standard output alone, when asked for
};

// Runs `exe` with `args` in `directory`. With `separate`, standard output
// is kept apart in Out and Text holds standard error only. Standard input
// is `input` when given (relative to `directory`), else empty.
inline Output RunProgram(const std::string& exe,
                         const std::vector<std::string>& args,
                         const fs::path& directory, bool separate = false,
                         const fs::path& input = {}) {
  tarnwell::testing::ChildOptions options;
  options.Args = args;
  options.Directory = directory.string();
  options.MergeOutput = !separate;
  if (!input.empty()) options.Input = (directory / input).string();
  tarnwell::testing::RunResult run = tarnwell::testing::RunChild(exe, options);
  Output output;
  output.ExitCode = run.Exited ? run.ExitCode : -1;
  output.Text = separate ? run.Err : run.Out;
  if (separate) output.Out = run.Out;
  return output;
}

inline std::string ReadBytes(const fs::path& path) {
  return tarnwell::testing::ReadFileBytes(path.string());
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
  tarnwell::testing::WriteFileBytes(path.string(), bytes);
}

// The fixture files (*.cfg), sorted by name.
inline std::vector<fs::path> FixtureFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(CHECK_FIXTURES)) {
    if (entry.path().extension() == ".cfg") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace tarnwell::check::testing
