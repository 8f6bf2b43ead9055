#include "HardeningSupport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/regfile/RegText.h"

extern char** environ;

namespace tarnwell::hardening {

const char kSuccessLine[] =
    "Success: Configuration successfully written to the registry!\n";
const char kReadFailedLine[] = "Error: Read configuration file failed!\n";
const char kWriteFailedLine[] =
    "Error: Write configuration to registry failed!\n";

ScratchDir::ScratchDir(bool in_memory) {
  // A memory file system makes each flush cheap, for tests that make
  // hundreds of stores; programs are not run from there (it may be noexec).
  std::filesystem::path base = std::filesystem::temp_directory_path();
  struct stat st;
  if (in_memory && stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) &&
      access("/dev/shm", W_OK) == 0) {
    base = "/dev/shm";
  }
  std::string pattern = (base / "tarnwell-hard-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("mkdtemp failed");
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string ScratchDir::File(std::string_view name) const {
  return path_ + "/" + std::string(name);
}

void WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

bool FileExists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

void CopyExecutable(const std::string& from, const std::string& to) {
  std::filesystem::copy_file(from, to,
                             std::filesystem::copy_options::overwrite_existing);
  chmod(to.c_str(), 0755);
}

namespace {

std::vector<char*> Environment(const std::vector<std::string>& extra) {
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) env.push_back(*e);
  for (const std::string& s : extra) env.push_back(const_cast<char*>(s.c_str()));
  env.push_back(nullptr);
  return env;
}

pid_t Spawn(const std::string& exe, int out_fd, int err_fd,
            const std::vector<std::string>& extra_env) {
  std::vector<char*> env = Environment(extra_env);
  char* argv[] = {const_cast<char*>(exe.c_str()), nullptr};
  pid_t pid = fork();
  if (pid == 0) {
    int null_fd = open("/dev/null", O_RDONLY);
    dup2(null_fd, 0);
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    execve(exe.c_str(), argv, env.data());
    _exit(127);
  }
  if (pid < 0) throw std::runtime_error("fork failed");
  return pid;
}

}  // namespace

int WaitProcess(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

RunResult RunInstallerProcess(const std::string& exe, const std::string& out_dir,
                              const std::vector<std::string>& extra_env) {
  const std::string out_path = out_dir + "/.stdout";
  const std::string err_path = out_dir + "/.stderr";
  int out_fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = Spawn(exe, out_fd, err_fd, extra_env);
  close(out_fd);
  close(err_fd);
  int status = WaitProcess(pid);
  RunResult result;
  result.Exited = WIFEXITED(status);
  result.ExitCode = result.Exited ? WEXITSTATUS(status) : -1;
  result.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  result.Out = ReadFile(out_path);
  result.Err = ReadFile(err_path);
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  return result;
}

pid_t StartInstallerProcess(const std::string& exe) {
  int null_fd = open("/dev/null", O_WRONLY);
  pid_t pid = Spawn(exe, null_fd, null_fd, {});
  close(null_fd);
  return pid;
}

bool LoadStoreFile(const std::string& path, regstore::RegTree* tree,
                   bool allow_torn_tail) {
  std::string bytes = ReadFile(path);
  if (bytes.size() < 2 || bytes.compare(0, 2, "\xFF\xFE") != 0) return false;
  std::u16string text = regstore::DecodeUtf16Le(bytes.substr(2));
  if (bytes.size() % 2 != 0 && !allow_torn_tail) return false;
  std::size_t end = text.rfind(u'\n');
  if (end == std::u16string::npos) return false;
  if (end + 1 != text.size()) {
    if (!allow_torn_tail) return false;
    text.resize(end + 1);
  }
  *tree = regstore::RegTree();
  return regstore::ParseRegText(text, *tree, true).Ok;
}

std::string StoreBytes(std::u16string_view text) {
  return "\xFF\xFE" + regstore::EncodeUtf16Le(text);
}

namespace {

void FlattenNode(const regstore::RegNode& node, const std::u16string& path,
                 FlatTree* flat) {
  for (const auto& [folded, child] : node.Children()) {
    std::u16string child_path = path.empty() ? folded : path + u"\\" + folded;
    flat->Keys.push_back(child_path);
    for (const regstore::RegValue& value : child->Values()) {
      std::string typed(reinterpret_cast<const char*>(&value.Type), 4);
      flat->Values.emplace_back(
          child_path + u"\\" + regstore::FoldCase(value.Name), typed + value.Data);
    }
    FlattenNode(*child, child_path, flat);
  }
}

}  // namespace

FlatTree Flatten(const regstore::RegTree& tree) {
  FlatTree flat;
  FlattenNode(tree.Root(), u"", &flat);
  return flat;
}

std::string Utf8(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::string GeneratedConfig(int devices, int modems) {
  std::string text = "; generated\n";
  char line[256];
  for (int i = 0; i < devices; ++i) {
    std::snprintf(line, sizeof line,
                  "[Device %d]\nDLL = usbcdc%d.dll\nVID = 0x%04X\nPID = 0x%04X\n"
                  "IFC_Class = 2\nIFC_SubClass = 2\nIFC_Protocol = 1\n"
                  "GUID = {%08X-BA49-48a0-BE17-DF6D1B0173DD}\n"
                  "BufferCountIn = %X\nIFC_Disable = 3\nIFC_Disable = %X\n",
                  i, i % 7, 0x1000 + (i >> 16), i & 0xFFFF, i, i % 32,
                  4 + i % 200);
    text += line;
  }
  for (int i = 0; i < modems; ++i) {
    std::snprintf(line, sizeof line,
                  "[MODEM SETTINGS]\nDLL = usbcdc.dll\nVID = 0x12D1\nPID = 0x%04X\n"
                  "IFC = %X\nTSP = unimodem.dll\nFriendlyName = Modem %d\n"
                  "DeviceType = 1\nBaudRate = 115200\nInit0 = AT\nInit1 = ATZ%d\n"
                  "Answer = ATA\nTone = T\n",
                  i & 0xFFFF, i % 4, i, i);
    text += line;
  }
  return text;
}

}  // namespace tarnwell::hardening
