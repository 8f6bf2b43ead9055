// Only generic POSIX code here.
//
// Every system call that the host build makes, in one table, so that
// tests can make any one of them fail (and go on failing) and see that
// the run survives it. The lists below declare the table: a call added
// there is in the table and in every test that walks it.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace tarnwell::posix {

// X(name, signature, real function) for the calls that can fail.
#define TARNWELL_POSIX_CALLS(X)                                              \
  X(Openat, int(int directory, const char* name, int flags, mode_t mode),   \
    RealOpenat)                                                              \
  /* openat2 with these RESOLVE_ flags: ENOSYS where the kernel lacks it */  \
  X(Openat2,                                                                 \
    int(int directory, const char* name, int flags, mode_t mode,            \
        std::uint64_t resolve),                                              \
    RealOpenat2)                                                             \
  X(Fstat, int(int fd, struct stat* st), fstat)                              \
  X(Fstatat, int(int directory, const char* name, struct stat* st, int flags), \
    fstatat)                                                                 \
  X(Access, int(int directory, const char* name, int mode, int flags),      \
    faccessat)                                                               \
  X(Readlinkat,                                                              \
    ssize_t(int directory, const char* name, char* buffer, std::size_t size), \
    readlinkat)                                                              \
  X(Getcwd, char*(char* buffer, std::size_t size), getcwd)                   \
  X(Read, ssize_t(int fd, void* buffer, std::size_t size), read)             \
  X(Write, ssize_t(int fd, const void* buffer, std::size_t size), write)     \
  X(Fsync, int(int fd), fsync)                                               \
  X(Fchmod, int(int fd, mode_t mode), fchmod)                                \
  X(Fchown, int(int fd, uid_t owner, gid_t group), fchown)                   \
  X(Renameat, int(int from_directory, const char* from, int to_directory,   \
                  const char* to),                                           \
    renameat)                                                                \
  X(Renameat2, int(int from_directory, const char* from, int to_directory,  \
                   const char* to, unsigned flags),                          \
    renameat2)                                                               \
  X(Unlinkat, int(int directory, const char* name, int flags), unlinkat)    \
  X(Linkat, int(int from_directory, const char* from, int to_directory,     \
                const char* to, int flags),                                  \
    linkat)                                                                  \
  X(Close, int(int fd), close)                                               \
  X(Lock, int(int fd, int command, struct flock* lock), RealLock)            \
  X(Fcntl, int(int fd, int command, int argument), RealFcntl)                \
  X(Sleep, int(const struct timespec* wanted, struct timespec* left),       \
    nanosleep)                                                               \
  X(Clock, int(clockid_t clock, struct timespec* now), clock_gettime)        \
  X(Random, int(void* buffer, std::size_t size), getentropy)                 \
  X(Dup, int(int fd), dup)                                                   \
  X(Opendir, DIR*(int fd), fdopendir)                                        \
  X(Readdir, struct dirent*(DIR* directory), readdir)                        \
  X(Closedir, int(DIR* directory), closedir)                                 \
  X(Flistxattr, ssize_t(int fd, char* names, std::size_t size), flistxattr) \
  X(Fgetxattr,                                                               \
    ssize_t(int fd, const char* name, void* value, std::size_t size),       \
    fgetxattr)                                                               \
  X(Fsetxattr,                                                               \
    int(int fd, const char* name, const void* value, std::size_t size,      \
        int flags),                                                          \
    fsetxattr)                                                               \
  X(Fremovexattr, int(int fd, const char* name), fremovexattr)               \
  /* the FS_IOC_GETFLAGS and FS_IOC_SETFLAGS requests of ioctl */           \
  X(Ioctl, int(int fd, unsigned long request, int* flags), RealIoctl)

// The calls that cannot fail.
#define TARNWELL_POSIX_STEADY_CALLS(X)       \
  X(Geteuid, uid_t(), geteuid)               \
  X(Getegid, gid_t(), getegid)               \
  X(Umask, mode_t(mode_t mask), umask)

struct PosixCalls {
#define TARNWELL_POSIX_MEMBER(name, signature, real) \
  std::add_pointer_t<signature> name;
  TARNWELL_POSIX_CALLS(TARNWELL_POSIX_MEMBER)
  TARNWELL_POSIX_STEADY_CALLS(TARNWELL_POSIX_MEMBER)
#undef TARNWELL_POSIX_MEMBER
};

// The calls in use: the real ones unless a test replaced them.
PosixCalls& Calls();
const PosixCalls& RealCalls();

// The permissions a new file gets: what the user's umask leaves of 0666.
mode_t NewFileMode();

// Whether a newer call's failure says that the system lacks it rather
// than that it failed: ENOSYS from an older kernel, EINVAL from a file
// system without the flag, EPERM from a sandbox whose filter predates the
// call (containers, systemd's SystemCallFilter). The older way then does.
bool Lacking(int error);

// Opens name in directory, never through a symbolic link and never
// anywhere but in it (openat2's RESOLVE_NO_SYMLINKS | RESOLVE_BENEATH, or,
// where openat2 is lacking, openat with O_NOFOLLOW, which refuses a name
// with a '/' in it or "..").
int OpenIn(int directory, const char* name, int flags, mode_t mode = 0);

// Appends the bytes from where fd stands to its end to *bytes, read
// straight into the string, never through a buffer on the stack (a
// device thread has 64 KB of stack in all). Returns 0 or the Windows code
// of the failed read.
std::int32_t ReadToEnd(int fd, std::string* bytes);

// Writes every byte, again after an interrupted or short write. Returns 0
// or the Windows code of the failed write (a write of nothing: a full
// disk).
std::int32_t WriteAll(int fd, const char* data, std::size_t size);

}  // namespace tarnwell::posix
