#include "check/CheckRun.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

namespace tarnwell::check::testing {

Output RunProgram(const std::string& exe, const std::vector<std::string>& args,
                  const fs::path& directory, bool separate,
                  const fs::path& input) {
  ScratchDir capture;
  const fs::path text = capture.Path() / "text";
  const fs::path out = capture.Path() / "out";
  pid_t pid = fork();
  if (pid == 0) {
    int t = open(text.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int o = separate ? open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)
                     : t;
    dup2(o, 1);
    dup2(t, 2);
    if (chdir(directory.c_str()) != 0) _exit(126);
    int in = open(input.empty() ? "/dev/null" : input.c_str(), O_RDONLY);
    if (in < 0) _exit(126);
    dup2(in, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(exe.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(127);
  }
  Output result;
  int status = 0;
  if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) {
    result.ExitCode = WEXITSTATUS(status);
  }
  result.Text = ReadBytes(text);
  if (separate) result.Out = ReadBytes(out);
  return result;
}

std::string ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::vector<fs::path> FixtureFiles() {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(CHECK_FIXTURES)) {
    if (entry.path().extension() == ".cfg") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

ScratchDir::ScratchDir() {
  std::string pattern =
      (fs::temp_directory_path() / "tarnwell-check-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  path_ = mkdtemp(buffer.data());
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

}  // namespace tarnwell::check::testing
