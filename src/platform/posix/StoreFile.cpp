#include "platform/posix/StoreFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/StoreLock.h"
#include "platform/posix/StoreSyscalls.h"
#include "regstore/RegFormat.h"
#include "regstore/RegSyntax.h"
#include "regstore/Utf.h"

namespace tarnwell::posix {
namespace {

constexpr std::size_t kChunk = 64 * 1024;
constexpr char kTemporaryInfix[] = ".tmp-";
constexpr char kNameLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kRandomLetters = 10;
constexpr int kTemporaryTries = 16;

std::int32_t WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = Syscalls().Write(fd, data, size);
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

// Encodes the export as UTF-16LE into a buffer of its own size and writes
// it out chunk by chunk.
class FileSink : public regstore::RegTextSink {
 public:
  explicit FileSink(int fd) : fd_(fd) {
    buffer_.reserve(2 * kChunk);
    buffer_.append(regstore::kByteOrderMark);
  }

  bool Put(std::u16string_view text) override {
    regstore::AppendUtf16Le(buffer_, text);
    return buffer_.size() < kChunk || Flush();
  }

  bool Flush() {
    if (error_ == kErrorSuccess) {
      error_ = WriteAll(fd_, buffer_.data(), buffer_.size());
    }
    buffer_.clear();
    return error_ == kErrorSuccess;
  }

  std::int32_t Error() const { return error_; }

 private:
  int fd_;
  std::string buffer_;
  std::int32_t error_ = kErrorSuccess;
};

// The file's bytes from where fd stands to its end.
std::int32_t ReadAll(int fd, std::size_t size, std::string* bytes) {
  bytes->reserve(size);
  // On the heap: a compiler that inlines this would otherwise take the
  // chunk from the stack of every load, even of a store that is not there.
  std::string chunk(kChunk, '\0');
  for (;;) {
    const ssize_t n = Syscalls().Read(fd, &chunk[0], chunk.size());
    if (n > 0) {
      bytes->append(chunk, 0, static_cast<std::size_t>(n));
    } else if (n == 0) {
      return kErrorSuccess;
    } else if (errno != EINTR) {
      return WindowsError(errno);
    }
  }
}

bool IsTemporaryOf(const std::string& store, const char* name) {
  const std::size_t prefix = store.size() + sizeof kTemporaryInfix - 1;
  if (std::strlen(name) != prefix + kRandomLetters) return false;
  if (std::strncmp(name, store.c_str(), store.size()) != 0 ||
      std::strncmp(name + store.size(), kTemporaryInfix,
                   sizeof kTemporaryInfix - 1) != 0) {
    return false;
  }
  for (const char* p = name + prefix; *p != '\0'; ++p) {
    if (std::strchr(kNameLetters, *p) == nullptr) return false;
  }
  return true;
}

}  // namespace

std::int32_t StoreFile::Open(const std::string& path, std::string* bytes,
                             bool* exists) {
  Close();
  std::int32_t result = FindStorePlace(path, &place_);
  if (result == kErrorSuccess) {
    struct stat store;
    const bool found = Syscalls().Fstatat(place_.Directory, place_.Name.c_str(),
                                          &store, AT_SYMLINK_NOFOLLOW) == 0;
    if (!found && errno != ENOENT) {
      result = WindowsError(errno);
    } else {
      result = TakeStoreLock(place_.Directory, place_.Name,
                             found ? &store : nullptr, &lock_);
    }
  }
  if (result == kErrorSuccess) result = Read(bytes);
  if (result != kErrorSuccess) {
    Close();
    return result;
  }
  RemoveTemporaries();
  *exists = exists_;
  return kErrorSuccess;
}

std::int32_t StoreFile::Read(std::string* bytes) {
  bytes->clear();
  exists_ = false;
  // Not following a link (one appearing now was not there when the place
  // was found) and not waiting on a FIFO.
  const int fd = Syscalls().Openat(place_.Directory, place_.Name.c_str(),
                                   O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                                   0);
  if (fd < 0) return errno == ENOENT ? kErrorSuccess : WindowsError(errno);
  std::int32_t result = kErrorSuccess;
  if (Syscalls().Fstat(fd, &old_) != 0) {
    result = WindowsError(errno);
  } else if (!S_ISREG(old_.st_mode)) {
    result = kErrorAccessDenied;
  } else {
    try {
      result = ReadAll(fd, static_cast<std::size_t>(old_.st_size), bytes);
    } catch (const std::bad_alloc&) {
      result = kErrorNotEnoughMemory;  // the descriptor is closed below
    }
  }
  if (Syscalls().Close(fd) != 0 && result == kErrorSuccess) {
    result = WindowsError(errno);
  }
  exists_ = result == kErrorSuccess;
  return result;
}

std::int32_t StoreFile::CreateTemporary(std::string* name, int* fd) {
  for (int attempt = 0; attempt < kTemporaryTries; ++attempt) {
    unsigned char random[kRandomLetters];
    if (Syscalls().Random(random, sizeof random) != 0) {
      return WindowsError(errno);
    }
    *name = place_.Name + kTemporaryInfix;
    for (unsigned char r : random) {
      *name += kNameLetters[r % (sizeof kNameLetters - 1)];
    }
    *fd = Syscalls().Openat(
        place_.Directory, name->c_str(),
        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (*fd >= 0) return kErrorSuccess;
    if (errno != EEXIST) return WindowsError(errno);
  }
  return kErrorAccessDenied;  // every name taken: someone is playing games
}

std::int32_t StoreFile::WriteTemporary(int fd, const regstore::RegTree& tree) {
  // The old file's owner and permissions, so that whoever could use the
  // store before still can; a new store gets what the umask allows.
  if (exists_) {
    // A new file that could not keep them would change who may use the
    // store: that is a failed save, not a silent change.
    if ((old_.st_uid != Syscalls().Geteuid() ||
         old_.st_gid != Syscalls().Getegid()) &&
        Syscalls().Fchown(fd, old_.st_uid, old_.st_gid) != 0) {
      return WindowsError(errno);
    }
    if (Syscalls().Fchmod(fd, old_.st_mode & 07777) != 0) {
      return WindowsError(errno);
    }
  } else if (Syscalls().Fchmod(fd, NewFileMode()) != 0) {
    return WindowsError(errno);
  }
  FileSink sink(fd);
  if (!regstore::WriteRegText(tree, sink) || !sink.Flush()) {
    return sink.Error();
  }
  if (Syscalls().Fsync(fd) != 0) return WindowsError(errno);
  return kErrorSuccess;
}

std::int32_t StoreFile::Replace(const regstore::RegTree& tree) {
  if (lock_ < 0) return kErrorInvalidHandle;
  std::string temporary;
  int fd = -1;
  if (std::int32_t e = CreateTemporary(&temporary, &fd)) return e;
  std::int32_t result = kErrorSuccess;
  try {
    result = WriteTemporary(fd, tree);
  } catch (const std::bad_alloc&) {
    result = kErrorNotEnoughMemory;
  }
  if (Syscalls().Close(fd) != 0 && result == kErrorSuccess) {
    result = WindowsError(errno);
  }
  if (result == kErrorSuccess &&
      Syscalls().Renameat(place_.Directory, temporary.c_str(),
                          place_.Directory, place_.Name.c_str()) != 0) {
    result = WindowsError(errno);
  }
  if (result != kErrorSuccess) {
    Syscalls().Unlinkat(place_.Directory, temporary.c_str(), 0);
    return result;
  }
  exists_ = true;
  // The rename is lasting once the directory is. Should flushing it fail,
  // the new file is in place all the same and cannot be taken back, so the
  // save has happened: reporting a failure would say the old file stayed.
  Syscalls().Fsync(place_.Directory);
  return kErrorSuccess;
}

void StoreFile::RemoveTemporaries() {
  const int fd = Syscalls().Dup(place_.Directory);
  if (fd < 0) return;
  DIR* directory = Syscalls().Opendir(fd);
  if (directory == nullptr) {
    Syscalls().Close(fd);
    return;
  }
  // What root's runs leave belongs to the store's owner already.
  const uid_t me = Syscalls().Geteuid();
  while (struct dirent* entry = Syscalls().Readdir(directory)) {
    if (!IsTemporaryOf(place_.Name, entry->d_name)) continue;
    struct stat st;
    // Only what this user's runs leave: a file of another is not ours to
    // judge.
    if (Syscalls().Fstatat(place_.Directory, entry->d_name, &st,
                           AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(st.st_mode) &&
        (st.st_uid == me ||
         (me == 0 && exists_ && st.st_uid == old_.st_uid))) {
      Syscalls().Unlinkat(place_.Directory, entry->d_name, 0);
    }
  }
  Syscalls().Closedir(directory);
}

void StoreFile::Close() {
  if (lock_ >= 0) Syscalls().Close(lock_);
  lock_ = -1;
  if (place_.Directory >= 0) Syscalls().Close(place_.Directory);
  place_.Directory = -1;
}

}  // namespace tarnwell::posix
