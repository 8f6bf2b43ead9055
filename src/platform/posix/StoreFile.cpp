#include "platform/posix/StoreFile.h"

#include <linux/fs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "regstore/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/StoreLock.h"
#include "platform/posix/PosixCalls.h"
#include "platform/posix/StoreMetadata.h"
#include "platform/posix/TemporaryFile.h"
#include "regstore/RegFormat.h"
#include "regstore/RegSyntax.h"
#include "regstore/Utf.h"

namespace tarnwell::posix {
namespace {

// Only the store's owner or root may save it: only they can give the new
// file the old one's owner. Nor may a user who cannot write it now.
std::int32_t MayWrite(const StorePlace& place) {
  if (!place.Exists) return kErrorSuccess;
  const uid_t me = Calls().Geteuid();
  if (me != 0 && me != place.Status.st_uid) return kErrorAccessDenied;
  if (Calls().Access(place.Directory, place.Name.c_str(), W_OK,
                     AT_EACCESS) == 0) {
    return kErrorSuccess;
  }
  // AT_EACCESS takes faccessat2 (Linux 5.8). Lacking where it fails for
  // the directory as well (an immutable store says EPERM too): then the
  // owner's mode says it, and the rename still fails on an immutable
  // store or a read-only file system.
  const int error = errno;
  if (!Lacking(error) ||
      Calls().Access(place.Directory, ".", F_OK, AT_EACCESS) == 0) {
    return WindowsError(error);
  }
  return me == 0 || (place.Status.st_mode & S_IWUSR) != 0 ? kErrorSuccess
                                                         : kErrorAccessDenied;
}

// Where files may be made but never renamed or removed (chattr +a), a
// save can only fail and leaves its temporary behind; where none may be
// made (+i), it fails as well. A file system without these attributes
// cannot tell, and the save goes on.
std::int32_t MayChange(int directory) {
  int flags = 0;
  if (Calls().Ioctl(directory, FS_IOC_GETFLAGS, &flags) != 0) {
    return kErrorSuccess;
  }
  return (flags & (FS_APPEND_FL | FS_IMMUTABLE_FL)) != 0 ? kErrorAccessDenied
                                                         : kErrorSuccess;
}

constexpr std::size_t kChunk = 64 * 1024;

// Reads the first two bytes: a file that does not begin with a store's
// byte-order mark is refused before it is read whole, since it may be of
// any size.
std::int32_t ReadMark(int fd, std::string* bytes) {
  while (bytes->size() < regstore::kByteOrderMark.size()) {
    char unit[2];
    const ssize_t n = Calls().Read(fd, unit, 2 - bytes->size());
    if (n == 0) break;
    if (n < 0 && errno != EINTR) return WindowsError(errno);
    if (n > 0) bytes->append(unit, static_cast<std::size_t>(n));
  }
  return *bytes == regstore::kByteOrderMark ? kErrorSuccess : kErrorBadDb;
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

}  // namespace

std::int32_t StoreFile::Open(const std::string& path, std::string* bytes,
                             bool* exists) {
  Close();
  std::int32_t result = FindStorePlace(path, &place_);
  if (result == kErrorSuccess && place_.Exists &&
      !S_ISREG(place_.Status.st_mode)) {
    // A directory, device or FIFO is no store, and nothing, a lock least
    // of all, is made beside it (a link to /dev/null would put one into
    // /dev).
    result = kErrorAccessDenied;
  }
  if (result == kErrorSuccess) result = MayWrite(place_);
  if (result == kErrorSuccess) result = MayChange(place_.Directory);
  if (result == kErrorSuccess) {
    result = TakeStoreLock(place_.Directory, place_.Name, place_.Owner, &lock_);
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
  const int fd = OpenIn(place_.Directory, place_.Name.c_str(),
                        O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? kErrorSuccess : WindowsError(errno);
  std::int32_t result = kErrorSuccess;
  if (Calls().Fstat(fd, &old_) != 0) {
    result = WindowsError(errno);
  } else if (!S_ISREG(old_.st_mode)) {
    result = kErrorAccessDenied;
  } else {
    try {
      result = ReadMark(fd, bytes);
      if (result == kErrorSuccess) {
        bytes->reserve(static_cast<std::size_t>(old_.st_size) + 1);
        result = ReadToEnd(fd, bytes);
      }
    } catch (const std::bad_alloc&) {
      result = kErrorNotEnoughMemory;  // the descriptor is closed below
    }
  }
  if (result != kErrorSuccess) {
    Calls().Close(fd);
    return result;
  }
  old_fd_ = fd;  // kept for its metadata, which the new file takes
  exists_ = true;
  return result;
}

std::int32_t StoreFile::WriteTemporary(int fd, const regstore::RegTree& tree) {
  if (exists_) {
    if (std::int32_t e = CopyFlags(old_fd_, fd)) return e;
  }
  FileSink sink(fd);
  if (!regstore::WriteRegText(tree, sink) || !sink.Flush()) {
    return sink.Error();
  }
  // The old file's owner, permissions and attributes, so that whoever
  // could use the store before still can, and nobody else; a new store
  // gets what the umask allows. A new file that could not keep them would
  // change who may use the store: that is a failed save, not a silent
  // change. Only once the content is written: a write takes a set-user-ID
  // bit and a file capability away.
  if (!exists_) {
    return Calls().Fchmod(fd, NewFileMode()) != 0 ? WindowsError(errno)
                                                  : kErrorSuccess;
  }
  // As the store is now, not as it was read: an owner, mode or ACL changed
  // during the run stays, and a user who may no longer write it saves
  // nothing. Its content must be as read: a write in place since (an
  // editor that saves so) would be lost.
  const struct stat read = old_;
  if (Calls().Fstat(old_fd_, &old_) != 0) return WindowsError(errno);
  if (old_.st_size != read.st_size ||
      old_.st_mtim.tv_sec != read.st_mtim.tv_sec ||
      old_.st_mtim.tv_nsec != read.st_mtim.tv_nsec) {
    return kErrorAccessDenied;
  }
  place_.Status = old_;
  if (std::int32_t e = MayWrite(place_)) return e;
  return CopyMetadata(old_fd_, old_, fd);
}

bool StoreFile::Unchanged() const {
  // The name still leads to the file read, or still to none: a run whose
  // bad lock this one replaced without waiting may have saved since.
  struct stat named;
  if (Calls().Fstatat(place_.Directory, place_.Name.c_str(), &named,
                      AT_SYMLINK_NOFOLLOW) != 0) {
    return !exists_ && errno == ENOENT;
  }
  // And a change of metadata since the copy (any moves ctime) would be
  // undone by the rename.
  struct stat now;
  return exists_ && Calls().Fstat(old_fd_, &now) == 0 &&
         named.st_dev == now.st_dev && named.st_ino == now.st_ino &&
         now.st_ctim.tv_sec == old_.st_ctim.tv_sec &&
         now.st_ctim.tv_nsec == old_.st_ctim.tv_nsec;
}

std::int32_t StoreFile::Replace(const regstore::RegTree& tree) {
  if (lock_ < 0) return kErrorInvalidHandle;
  return ReplaceIn(
      place_.Directory, place_.Name,
      [&](int fd) {
        try {
          return WriteTemporary(fd, tree);
        } catch (const std::bad_alloc&) {
          return kErrorNotEnoughMemory;
        }
      },
      [&] {
        return StillHoldsStoreLock(place_.Directory, place_.Name, lock_) &&
               Unchanged();
      });
}

void StoreFile::RemoveTemporaries() {
  const int fd = Calls().Dup(place_.Directory);
  if (fd < 0) return;
  DIR* directory = Calls().Opendir(fd);
  if (directory == nullptr) {
    Calls().Close(fd);
    return;
  }
  // What root's runs leave belongs to the store's owner already.
  const uid_t me = Calls().Geteuid();
  while (struct dirent* entry = Calls().Readdir(directory)) {
    struct stat st;
    // Only what this user's runs made and left: a file of another is not
    // ours to judge, nor one that merely has such a name.
    if (IsTemporaryOf(place_.Name, entry->d_name) &&
        IsMarkedTemporary(place_.Directory, entry->d_name, &st) &&
        (st.st_uid == me ||
         (me == 0 && exists_ && st.st_uid == old_.st_uid))) {
      Calls().Unlinkat(place_.Directory, entry->d_name, 0);
    }
  }
  Calls().Closedir(directory);
}

void StoreFile::Close() {
  if (old_fd_ >= 0) Calls().Close(old_fd_);
  old_fd_ = -1;
  if (lock_ >= 0) Calls().Close(lock_);
  lock_ = -1;
  if (place_.Directory >= 0) Calls().Close(place_.Directory);
  place_.Directory = -1;
}

}  // namespace tarnwell::posix
