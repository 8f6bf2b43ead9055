#include "platform/posix/PosixCalls.h"

#include <linux/openat2.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "regstore/Registry.h"
#include "platform/posix/Errors.h"

namespace tarnwell::posix {
namespace {

// The variadic calls, as plain functions.
int RealOpenat(int directory, const char* name, int flags, mode_t mode) {
  return openat(directory, name, flags, mode);
}
int RealOpenat2(int directory, const char* name, int flags, mode_t mode,
                std::uint64_t resolve) {
  struct open_how how = {};
  how.flags = static_cast<std::uint64_t>(flags);
  how.mode = (flags & (O_CREAT | O_TMPFILE)) != 0 ? mode : 0;
  how.resolve = resolve;
  return static_cast<int>(
      syscall(SYS_openat2, directory, name, &how, sizeof how));
}
int RealLock(int fd, int command, struct flock* lock) {
  return fcntl(fd, command, lock);
}
int RealFcntl(int fd, int command, int argument) {
  return fcntl(fd, command, argument);
}
int RealIoctl(int fd, unsigned long request, int* flags) {
  return ioctl(fd, request, flags);
}

const PosixCalls kReal = {
#define TARNWELL_POSIX_REAL(name, signature, real) real,
    TARNWELL_POSIX_CALLS(TARNWELL_POSIX_REAL)
    TARNWELL_POSIX_STEADY_CALLS(TARNWELL_POSIX_REAL)
#undef TARNWELL_POSIX_REAL
};

PosixCalls g_calls = kReal;

}  // namespace

PosixCalls& Calls() { return g_calls; }
const PosixCalls& RealCalls() { return kReal; }

mode_t NewFileMode() {
  const mode_t mask = Calls().Umask(0);
  Calls().Umask(mask);
  return 0666 & ~mask;
}

bool Lacking(int error) {
  return error == ENOSYS || error == EINVAL || error == EPERM;
}

int OpenIn(int directory, const char* name, int flags, mode_t mode) {
  const int fd = Calls().Openat2(
      directory, name, flags, mode,
      RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS);
  if (fd >= 0 || !Lacking(errno)) return fd;
  // O_NOFOLLOW guards the last name only: one name, then, and not the
  // parent, as openat2 would have refused it.
  if (std::strchr(name, '/') != nullptr || std::strcmp(name, "..") == 0) {
    errno = EXDEV;
    return -1;
  }
  return Calls().Openat(directory, name, flags | O_NOFOLLOW, mode);
}

std::int32_t ReadToEnd(int fd, std::string* bytes) {
  constexpr std::size_t kChunk = 64 * 1024;
  for (;;) {
    const std::size_t had = bytes->size();
    const std::size_t room =
        bytes->capacity() > had ? bytes->capacity() - had : kChunk;
    bytes->resize(had + room);
    const ssize_t n = Calls().Read(fd, &(*bytes)[had], room);
    bytes->resize(had + (n > 0 ? static_cast<std::size_t>(n) : 0));
    if (n == 0) return kErrorSuccess;
    if (n < 0 && errno != EINTR) return WindowsError(errno);
  }
}

std::int32_t WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = Calls().Write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return WindowsError(errno);
    }
    if (n == 0) return kErrorDiskFull;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return kErrorSuccess;
}


}  // namespace tarnwell::posix
