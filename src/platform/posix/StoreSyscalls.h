// Only generic POSIX code here.
//
// Every system call that the host's registry store makes, in one table, so
// that tests can make any one of them fail (and go on failing) and see
// that the store survives it.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <time.h>

#include <cstddef>

namespace tarnwell::posix {

struct StoreSyscalls {
  int (*Openat)(int directory, const char* name, int flags, mode_t mode);
  int (*Fstat)(int fd, struct stat* st);
  int (*Fstatat)(int directory, const char* name, struct stat* st, int flags);
  int (*Access)(int directory, const char* name, int mode, int flags);
  ssize_t (*Readlinkat)(int directory, const char* name, char* buffer,
                        std::size_t size);
  ssize_t (*Read)(int fd, void* buffer, std::size_t size);
  ssize_t (*Write)(int fd, const void* buffer, std::size_t size);
  int (*Fsync)(int fd);
  int (*Fchmod)(int fd, mode_t mode);
  int (*Fchown)(int fd, uid_t owner, gid_t group);
  int (*Renameat)(int from_directory, const char* from, int to_directory,
                  const char* to);
  int (*Unlinkat)(int directory, const char* name, int flags);
  int (*Close)(int fd);
  int (*Lock)(int fd, int command, struct flock* lock);  // fcntl
  int (*Sleep)(const struct timespec* wanted, struct timespec* left);
  int (*Clock)(clockid_t clock, struct timespec* now);
  int (*Random)(void* buffer, std::size_t size);
  int (*Dup)(int fd);
  DIR* (*Opendir)(int fd);  // fdopendir
  struct dirent* (*Readdir)(DIR* directory);
  int (*Closedir)(DIR* directory);
  uid_t (*Geteuid)();
  gid_t (*Getegid)();
  mode_t (*Umask)(mode_t mask);
};

// The calls in use: the real ones unless a test replaced them.
StoreSyscalls& Syscalls();
const StoreSyscalls& RealSyscalls();

// The permissions a new file gets: what the user's umask leaves of 0666.
mode_t NewFileMode();

}  // namespace tarnwell::posix
