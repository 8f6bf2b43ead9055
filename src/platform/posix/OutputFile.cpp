// Only generic POSIX code here: -o FILE. Another user may share the
// output's directory (/tmp) and plant names there, so the place is decided
// once, on the directory's descriptor, and the file is replaced as the
// store replaces itself (a marked temporary made exclusively, never
// through a link, and a rename); a link is followed only when it is the
// user's own or root's.
#include "platform/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/Errors.h"
#include "platform/posix/PosixCalls.h"
#include "platform/posix/TemporaryFile.h"
#include "regstore/Registry.h"

namespace tarnwell::platform {
namespace {

using posix::Calls;

// Opens the directory of path (relative to `from`) and leaves its last
// name in *name.
int OpenParent(int from, const std::string& path, std::string* name) {
  const std::size_t slash = path.rfind('/');
  *name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string parent = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : path.substr(0, slash);
  return Calls().Openat(from, parent.c_str(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
}

}  // namespace

std::int32_t ReplaceFile(const std::string& path, std::string_view bytes,
                         OutputRefusal* refusal) {
  *refusal = OutputRefusal::kNone;
  std::string name;
  int directory = OpenParent(AT_FDCWD, path, &name);
  if (directory < 0) return posix::WindowsError(errno);
  struct stat st;
  bool exists = Calls().Fstatat(directory, name.c_str(), &st,
                                AT_SYMLINK_NOFOLLOW) == 0;
  std::int32_t result = kErrorSuccess;
  if (exists && S_ISLNK(st.st_mode)) {
    // The link's target, one step, beside the link or where it says.
    std::string target(4096, '\0');
    const ssize_t n = Calls().Readlinkat(directory, name.c_str(), &target[0],
                                         target.size());
    if (st.st_uid != Calls().Geteuid() && st.st_uid != 0) {
      *refusal = OutputRefusal::kOthersLink;
      result = kErrorAccessDenied;
    } else if (n < 0 || static_cast<std::size_t>(n) >= target.size()) {
      result = n < 0 ? posix::WindowsError(errno) : kErrorFilenameTooLong;
    } else {
      target.resize(static_cast<std::size_t>(n));
      const int next = OpenParent(directory, target, &name);
      if (next < 0) result = posix::WindowsError(errno);
      Calls().Close(directory);
      directory = next;
      exists = result == kErrorSuccess &&
               Calls().Fstatat(directory, name.c_str(), &st,
                               AT_SYMLINK_NOFOLLOW) == 0;
    }
  }
  if (result == kErrorSuccess && exists && !S_ISREG(st.st_mode)) {
    *refusal = OutputRefusal::kNotRegular;
    result = kErrorAccessDenied;
  }
  if (result == kErrorSuccess) {
    // An output written anew keeps its mode, so that a private one stays
    // private; a new one gets what a plain create would give it.
    const mode_t mode = exists ? st.st_mode & 07777 : posix::NewFileMode();
    result = posix::ReplaceIn(directory, name, [&](int fd) {
      if (std::int32_t e = posix::WriteAll(fd, bytes.data(), bytes.size())) {
        return e;
      }
      return Calls().Fchmod(fd, mode) != 0 ? posix::WindowsError(errno)
                                           : kErrorSuccess;
    });
  }
  if (directory >= 0) Calls().Close(directory);
  return result;
}

bool IsStandardInput(const std::string& name) {
  struct stat input, named;
  return Calls().Fstat(STDIN_FILENO, &input) == 0 &&
         Calls().Fstatat(AT_FDCWD, name.c_str(), &named, 0) == 0 &&
         input.st_dev == named.st_dev && input.st_ino == named.st_ino;
}

}  // namespace tarnwell::platform
