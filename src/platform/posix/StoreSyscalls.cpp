#include "platform/posix/StoreSyscalls.h"

#include <unistd.h>

#include <cstdio>

namespace tarnwell::posix {
namespace {

// The variadic calls, as plain functions.
int RealOpenat(int directory, const char* name, int flags, mode_t mode) {
  return openat(directory, name, flags, mode);
}
int RealLock(int fd, int command, struct flock* lock) {
  return fcntl(fd, command, lock);
}

const StoreSyscalls kReal = {
    RealOpenat, fstat,     fstatat,   faccessat, readlinkat, read,
    write,     fsync,      fchmod,    fchown,          renameat,   unlinkat,
    close,     RealLock,   nanosleep, clock_gettime,   getentropy, dup,
    fdopendir, readdir,    closedir,  geteuid,         getegid,    umask};

StoreSyscalls g_syscalls = kReal;

}  // namespace

StoreSyscalls& Syscalls() { return g_syscalls; }
const StoreSyscalls& RealSyscalls() { return kReal; }

mode_t NewFileMode() {
  const mode_t mask = Syscalls().Umask(0);
  Syscalls().Umask(mask);
  return 0666 & ~mask;
}

}  // namespace tarnwell::posix
