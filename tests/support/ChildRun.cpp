#include "support/ChildRun.h"

#include <fcntl.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

#include "support/Files.h"

extern char** environ;

namespace tarnwell::testing {

const char kSuccessLine[] =
    "Success: Configuration successfully written to the registry!\n";
const char kReadFailedLine[] = "Error: Read configuration file failed!\n";
const char kWriteFailedLine[] =
    "Error: Write configuration to registry failed!\n";

namespace {

// A cross build's programs run under its emulator (the build's
// CMAKE_CROSSCOMPILING_EMULATOR, its words joined by "|"), children too.
std::vector<char*> EmulatorPrefix() {
#ifdef TARNWELL_CHILD_EMULATOR
  static std::string words = TARNWELL_CHILD_EMULATOR;
  static std::vector<char*> prefix = [] {
    std::vector<char*> parts{&words[0]};
    for (char& c : words) {
      if (c == '|') {
        c = '\0';
        parts.push_back(&c + 1);
      }
    }
    return parts;
  }();
  return prefix;
#else
  return {};
#endif
}

// The start of exe's ELF header (zeros where it is none): the machine is
// bytes 18 and 19, the class byte 4, the byte order byte 5.
struct ElfHeader {
  explicit ElfHeader(const std::string& exe) {
    const int fd = open(exe.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0 && read(fd, Bytes, sizeof Bytes) != sizeof Bytes) Bytes[0] = 0;
    if (fd >= 0) close(fd);
  }
  unsigned Machine() const { return Bytes[18] | Bytes[19] << 8; }
  unsigned char Bytes[20] = {};
};

// Whether exe is a program of the build's processor rather than one of
// the machine's own (setfacl, useradd), which runs as it is: an ELF file
// for 32-bit ARM when the build is one for ARM under its emulator.
bool NeedsEmulator(const std::string& exe) {
  if (EmulatorPrefix().empty()) return false;
  const ElfHeader header(exe);
  constexpr unsigned kMachineArm = 40;  // e_machine, little-endian
  return header.Bytes[0] == 0x7F && header.Machine() == kMachineArm;
}

// A seccomp filter that answers the barred calls of exe's own audit
// architecture (the numbers listed are that one's) with their errno, and
// allows everything else.
std::vector<sock_filter> Filter(const std::string& exe,
                                const ChildOptions& options) {
  const ElfHeader elf(exe);
  const std::uint32_t arch = elf.Machine() |
                             (elf.Bytes[4] == 2 ? __AUDIT_ARCH_64BIT : 0u) |
                             (elf.Bytes[5] == 1 ? __AUDIT_ARCH_LE : 0u);
  auto op = [](unsigned code, std::uint32_t k, std::uint8_t yes = 0,
               std::uint8_t no = 0) {
    return sock_filter{static_cast<std::uint16_t>(code), yes, no, k};
  };
  const sock_filter allow = op(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
  std::vector<sock_filter> program = {
      op(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      op(BPF_JMP | BPF_JEQ | BPF_K, arch, 1, 0), allow,
      op(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr))};
  for (long call : options.Barred) {
    program.push_back(op(BPF_JMP | BPF_JEQ | BPF_K, std::uint32_t(call), 0, 1));
    program.push_back(op(BPF_RET | BPF_K,
                         SECCOMP_RET_ERRNO | std::uint32_t(options.BarredErrno)));
  }
  program.push_back(allow);
  return program;
}

// Everything is prepared before fork: the child only redirects and execs.
pid_t Spawn(const std::string& exe, const ChildOptions& options, int in_fd,
            int out_fd, int err_fd) {
  std::vector<char*> argv;
  if (NeedsEmulator(exe)) argv = EmulatorPrefix();
  argv.push_back(const_cast<char*>(exe.c_str()));
  for (const std::string& a : options.Args) {
    argv.push_back(const_cast<char*>(a.c_str()));
  }
  argv.push_back(nullptr);
  // A child that may not write where a coverage build keeps its profiles
  // (a lowered file-size limit, another user) sends its profile nowhere,
  // so that the profile runtime's complaint does not join the output the
  // test compares. Only the coverage preset sets LLVM_PROFILE_FILE.
  static char no_profile[] = "LLVM_PROFILE_FILE=/dev/null";
  const std::string_view profile_setting = "LLVM_PROFILE_FILE=";
  const bool restricted = options.FileSizeLimit >= 0 || options.User != 0;
  std::vector<char*> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const bool profile = std::string_view(*e).substr(0, profile_setting.size()) ==
                         profile_setting;
    env.push_back(restricted && profile ? no_profile : *e);
  }
  for (const std::string& s : options.Env) {
    env.push_back(const_cast<char*>(s.c_str()));
  }
  env.push_back(nullptr);
  std::vector<sock_filter> filter = Filter(exe, options);
  const sock_fprog program = {static_cast<unsigned short>(filter.size()),
                              filter.data()};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(in_fd, 0);
    dup2(out_fd, 1);
    dup2(err_fd, 2);
    if (chdir(options.Directory.c_str()) != 0) _exit(126);
    if (options.FileSizeLimit >= 0) {
      struct rlimit limit;
      limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(options.FileSizeLimit);
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(124);
    }
    if (options.StackLimit >= 0) {
      struct rlimit limit;
      limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(options.StackLimit);
      if (setrlimit(RLIMIT_STACK, &limit) != 0) _exit(124);
    }
    if (options.User != 0 && getuid() == 0 &&
        (setgid(options.User) != 0 || setuid(options.User) != 0)) {
      _exit(125);
    }
    if (!options.Barred.empty()) {
      if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
          prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
        _exit(122);
      }
      if (syscall(options.Barred[0], 0, 0, 0, 0, 0) != -1 ||
          errno != options.BarredErrno) {
        _exit(121);
      }
    }
    execve(argv[0], argv.data(), env.data());
    _exit(127);
  }
  if (pid < 0) throw std::runtime_error("fork failed");
  return pid;
}

}  // namespace

const char* ChildEmulator() {
  const std::vector<char*> prefix = EmulatorPrefix();
  return prefix.empty() ? nullptr : prefix.front();
}

int WaitChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return status;
}

bool RunTool(const std::vector<std::string>& command) {
  ChildOptions options;
  options.Args.assign(command.begin() + 1, command.end());
  return RunChild(command[0], options).ExitCode == 0;
}

RunResult RunChild(const std::string& exe, const ChildOptions& options) {
  ScratchDir capture;
  const std::string out_path = capture.File("out");
  const std::string err_path = capture.File("err");
  int in_fd = open(options.Input.empty() ? "/dev/null" : options.Input.c_str(),
                   O_RDONLY | O_CLOEXEC);
  if (in_fd < 0) throw std::runtime_error("cannot open " + options.Input);
  int out_fd = open(out_path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  int err_fd = options.MergeOutput
                   ? out_fd
                   : open(err_path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  int pipe_fds[2] = {-1, -1};
  if (options.ClosedStdout) {
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    close(pipe_fds[0]);  // the reader is gone before the program starts
  }
  pid_t pid = Spawn(exe, options, in_fd,
                    options.ClosedStdout ? pipe_fds[1] : out_fd, err_fd);
  close(in_fd);
  close(out_fd);
  if (err_fd != out_fd) close(err_fd);
  if (options.ClosedStdout) close(pipe_fds[1]);
  const int status = WaitChild(pid);
  RunResult result;
  result.Exited = WIFEXITED(status);
  result.ExitCode = result.Exited ? WEXITSTATUS(status)
                                  : 128 + WTERMSIG(status);
  result.Signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  result.Out = ReadFileBytes(out_path);
  if (!options.MergeOutput) result.Err = ReadFileBytes(err_path);
  return result;
}

pid_t StartChild(const std::string& exe, const ChildOptions& options) {
  int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
  pid_t pid = Spawn(exe, options, null_fd, null_fd, null_fd);
  close(null_fd);
  return pid;
}

}  // namespace tarnwell::testing
