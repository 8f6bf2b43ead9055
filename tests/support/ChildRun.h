// Programs run as child processes, the way a user starts them.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace tarnwell::testing {

struct ChildOptions {
  std::vector<std::string> Args;
  // Where it runs: elsewhere than beside the program by default, so that
  // it must find its files by its own path.
  std::string Directory = "/";
  std::vector<std::string> Env;  // "NAME=value", added to ours
  std::string Input;             // standard input from this file, else empty
  bool MergeOutput = false;      // standard error into Out as well
  bool ClosedStdout = false;     // a pipe whose reader has gone
  uid_t User = 0;                // when nonzero and we are root: run as it
  long FileSizeLimit = -1;       // RLIMIT_FSIZE in bytes, when not -1
  long StackLimit = -1;          // RLIMIT_STACK in bytes, when not -1
  // System calls (SYS_*) that a seccomp filter answers with BarredErrno,
  // as a sandbox that predates them does. The child checks the filter on
  // the first, made with null arguments; it exits 121 when that call is
  // not barred, 122 when no filter can be set (QEMU's user mode).
  std::vector<long> Barred;
  int BarredErrno = 0;
};

struct RunResult {
  bool Exited = false;  // ended by exit, not by a signal
  int ExitCode = -1;
  int Signal = 0;
  std::string Out;
  std::string Err;
};

RunResult RunChild(const std::string& exe, const ChildOptions& options = {});

// Runs one of the machine's tools (setfacl, useradd), the program first:
// whether it exited with 0.
bool RunTool(const std::vector<std::string>& command);

// Starts exe with its output thrown away; returns the process id.
pid_t StartChild(const std::string& exe, const ChildOptions& options = {});
// Waits for the process; the raw wait status.
int WaitChild(pid_t pid);

// The emulator that a cross build runs its programs under, children too;
// null in a native build.
const char* ChildEmulator();

// The lines the host installer prints for its three outcomes.
extern const char kSuccessLine[];
extern const char kReadFailedLine[];
extern const char kWriteFailedLine[];

}  // namespace tarnwell::testing
