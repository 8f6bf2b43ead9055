#include "platform/posix/StoreIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Registry.h"
#include "platform/posix/Errors.h"

namespace tarnwell::posix {
namespace {

int RealOpen(const char* path, int flags, mode_t mode) {
  return open(path, flags, mode);
}

const StoreSyscalls kReal = {RealOpen, read, write, fsync, ftruncate, rename, close};

StoreSyscalls g_syscalls = kReal;

std::int32_t WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = Syscalls().Write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return WindowsError(errno);
    }
    if (n == 0) return kErrorDiskFull;
    done += static_cast<std::size_t>(n);
  }
  return kErrorSuccess;
}

}  // namespace

StoreSyscalls& Syscalls() { return g_syscalls; }
const StoreSyscalls& RealSyscalls() { return kReal; }

std::int32_t ReadWholeFile(const std::string& path, off_t offset,
                           std::string* bytes) {
  bytes->clear();
  int fd = Syscalls().Open(path.c_str(), O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return WindowsError(errno);
  struct stat st;
  if (fstat(fd, &st) == 0 && st.st_size > offset) {
    bytes->reserve(static_cast<std::size_t>(st.st_size - offset));
  }
  if (offset > 0 && lseek(fd, offset, SEEK_SET) < 0) {
    int saved = errno;
    Syscalls().Close(fd);
    return WindowsError(saved);
  }
  char buffer[64 * 1024];
  for (;;) {
    ssize_t n = Syscalls().Read(fd, buffer, sizeof buffer);
    if (n > 0) {
      bytes->append(buffer, static_cast<std::size_t>(n));
      continue;
    }
    if (n == 0) break;
    if (errno == EINTR) continue;
    int saved = errno;
    Syscalls().Close(fd);
    return WindowsError(saved);
  }
  Syscalls().Close(fd);
  return kErrorSuccess;
}

std::int32_t AppendToFile(const std::string& path, off_t valid_end,
                          const std::string& bytes, struct stat* st) {
  // A file that this call creates goes again if the call fails, so that a
  // failed first write leaves no store behind.
  bool created = false;
  int fd = Syscalls().Open(path.c_str(), O_WRONLY | O_CLOEXEC, 0);
  if (fd < 0 && errno == ENOENT) {
    fd = Syscalls().Open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                         0666);
    created = fd >= 0;
    // Another writer without the lock (no locks on this file system) came
    // first: the file is theirs to remove, ours to append to.
    if (fd < 0 && errno == EEXIST) {
      fd = Syscalls().Open(path.c_str(), O_WRONLY | O_CLOEXEC, 0);
    }
  }
  if (fd < 0) return WindowsError(errno);
  std::int32_t result = kErrorSuccess;
  if (fstat(fd, st) != 0) {
    result = WindowsError(errno);
  } else if (st->st_size < valid_end) {
    result = kErrorBadDb;  // shrunk behind the lock's back: read it again
  } else if (st->st_size != valid_end &&
             Syscalls().Ftruncate(fd, valid_end) != 0) {
    result = WindowsError(errno);
  } else if (lseek(fd, valid_end, SEEK_SET) < 0) {
    result = WindowsError(errno);
  } else {
    result = WriteAll(fd, bytes);
    if (result == kErrorSuccess && fstat(fd, st) != 0) {
      result = WindowsError(errno);
    }
    // A call that fails changes nothing: leave no part of the record behind.
    if (result != kErrorSuccess) Syscalls().Ftruncate(fd, valid_end);
  }
  if (Syscalls().Close(fd) != 0 && result == kErrorSuccess) {
    result = WindowsError(errno);
    // The record may be in the file all the same; cut it away again.
    if (!created) {
      int again = Syscalls().Open(path.c_str(), O_WRONLY | O_CLOEXEC, 0);
      if (again >= 0) {
        Syscalls().Ftruncate(again, valid_end);
        Syscalls().Close(again);
      }
    }
  }
  if (result != kErrorSuccess && created) unlink(path.c_str());
  return result;
}

std::int32_t ReplaceFile(const std::string& path, int directory_fd,
                         const std::string& bytes, struct stat* st) {
  const std::string temporary = path + ".tmp";
  int fd = Syscalls().Open(temporary.c_str(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return WindowsError(errno);
  std::int32_t result = WriteAll(fd, bytes);
  if (result == kErrorSuccess && Syscalls().Fsync(fd) != 0) {
    result = WindowsError(errno);
  }
  if (result == kErrorSuccess && fstat(fd, st) != 0) {
    result = WindowsError(errno);
  }
  if (Syscalls().Close(fd) != 0 && result == kErrorSuccess) {
    result = WindowsError(errno);
  }
  if (result == kErrorSuccess &&
      Syscalls().Rename(temporary.c_str(), path.c_str()) != 0) {
    result = WindowsError(errno);
  }
  if (result != kErrorSuccess) {
    unlink(temporary.c_str());
    return result;
  }
  if (directory_fd >= 0) Syscalls().Fsync(directory_fd);
  return kErrorSuccess;
}

}  // namespace tarnwell::posix
