// Only generic POSIX code here.
//
// The file operations of the host's registry store, each whole or not at
// all. Every system call goes through StoreSyscalls, so that tests can make
// any one of them fail.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <string>

namespace tarnwell::posix {

struct StoreSyscalls {
  int (*Open)(const char* path, int flags, mode_t mode);
  ssize_t (*Read)(int fd, void* buffer, std::size_t size);
  ssize_t (*Write)(int fd, const void* buffer, std::size_t size);
  int (*Fsync)(int fd);
  int (*Ftruncate)(int fd, off_t size);
  int (*Rename)(const char* from, const char* to);
  int (*Close)(int fd);
};

// The calls in use; the real ones unless a test replaced them.
StoreSyscalls& Syscalls();
const StoreSyscalls& RealSyscalls();

// Reads the file from offset to its end.
std::int32_t ReadWholeFile(const std::string& path, off_t offset,
                           std::string* bytes);

// Appends bytes to the file (creating it), first cutting it back to
// valid_end when it is longer (a write that a crash cut short). On failure
// the file is cut back to valid_end again, or removed when this call
// created it. *st describes the file after.
std::int32_t AppendToFile(const std::string& path, off_t valid_end,
                          const std::string& bytes, struct stat* st);

// Replaces the file by one holding bytes: a temporary file beside it,
// flushed, then renamed over it, then the directory flushed. The old file
// stays whole on every failure.
std::int32_t ReplaceFile(const std::string& path, int directory_fd,
                         const std::string& bytes, struct stat* st);

}  // namespace tarnwell::posix
