#include "platform/posix/StoreMetadata.h"

#include <linux/fs.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "regstore/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/PosixCalls.h"
#include "platform/posix/TemporaryFile.h"

namespace tarnwell::posix {
namespace {

// The names of the file's extended attributes, each ending in a NUL. A
// list or value that grows between asking its size and reading it fails
// the save (ERANGE): the old file stays.
std::int32_t Names(int fd, std::vector<char>* names) {
  const ssize_t size = Calls().Flistxattr(fd, nullptr, 0);
  if (size < 0) {
    // A file system without them gives nothing to keep.
    return errno == ENOTSUP ? kErrorSuccess : WindowsError(errno);
  }
  names->resize(static_cast<std::size_t>(size));
  const ssize_t got = Calls().Flistxattr(fd, names->data(), names->size());
  if (got < 0) return WindowsError(errno);
  names->resize(static_cast<std::size_t>(got));
  return kErrorSuccess;
}

std::int32_t Value(int fd, const char* name, std::vector<char>* value) {
  const ssize_t size = Calls().Fgetxattr(fd, name, nullptr, 0);
  if (size < 0) return WindowsError(errno);
  value->resize(static_cast<std::size_t>(size));
  const ssize_t got = Calls().Fgetxattr(fd, name, value->data(), value->size());
  if (got < 0) return WindowsError(errno);
  value->resize(static_cast<std::size_t>(got));
  return kErrorSuccess;
}

// The file attributes (chattr) that say how the file is kept, not who may
// change it: immutable or append-only stop the save before it comes here.
constexpr int kKeptFlags = FS_SECRM_FL | FS_UNRM_FL | FS_COMPR_FL |
                           FS_SYNC_FL | FS_NODUMP_FL | FS_NOATIME_FL |
                           FS_NOCOMP_FL | FS_JOURNAL_DATA_FL | FS_NOTAIL_FL |
                           FS_NOCOW_FL;

bool IsMark(const char* name) { return std::strcmp(name, kTemporaryMark) == 0; }

bool Listed(const std::vector<char>& names, const char* name) {
  for (std::size_t at = 0; at < names.size(); at += std::strlen(&names[at]) + 1) {
    if (std::strcmp(&names[at], name) == 0) return true;
  }
  return false;
}

}  // namespace

std::int32_t CopyFlags(int from, int to) {
  int theirs = 0;
  int ours = 0;
  if (Calls().Ioctl(from, FS_IOC_GETFLAGS, &theirs) != 0) {
    // A file system without them gives nothing to keep.
    return errno == ENOTTY || errno == ENOTSUP ? kErrorSuccess
                                               : WindowsError(errno);
  }
  if (Calls().Ioctl(to, FS_IOC_GETFLAGS, &ours) != 0) {
    return WindowsError(errno);
  }
  int wanted = (ours & ~kKeptFlags) | (theirs & kKeptFlags);
  if (wanted != ours && Calls().Ioctl(to, FS_IOC_SETFLAGS, &wanted) != 0) {
    return WindowsError(errno);
  }
  return kErrorSuccess;
}

std::int32_t CopyMetadata(int from, const struct stat& old, int to) {
  struct stat now;
  if (Calls().Fstat(to, &now) != 0) return WindowsError(errno);
  if ((now.st_uid != old.st_uid || now.st_gid != old.st_gid) &&
      Calls().Fchown(to, old.st_uid, old.st_gid) != 0) {
    return WindowsError(errno);
  }
  std::vector<char> theirs;
  std::vector<char> ours;
  if (std::int32_t e = Names(from, &theirs)) return e;
  if (std::int32_t e = Names(to, &ours)) return e;
  // The temporary's mark stays until it has the file's name, and an old
  // file's is not copied.
  for (std::size_t at = 0; at < ours.size(); at += std::strlen(&ours[at]) + 1) {
    if (!Listed(theirs, &ours[at]) && !IsMark(&ours[at]) &&
        Calls().Fremovexattr(to, &ours[at]) != 0 && errno != ENODATA) {
      return WindowsError(errno);
    }
  }
  // The mode before the ACL: changing the mode rewrites the ACL's mask.
  if (Calls().Fchmod(to, old.st_mode & 07777) != 0) return WindowsError(errno);
  std::vector<char> value;
  for (std::size_t at = 0; at < theirs.size();
       at += std::strlen(&theirs[at]) + 1) {
    const char* name = &theirs[at];
    if (IsMark(name)) continue;
    if (std::int32_t e = Value(from, name, &value)) return e;
    if (Calls().Fsetxattr(to, name, value.data(), value.size(), 0) != 0) {
      return WindowsError(errno);
    }
  }
  return kErrorSuccess;
}

}  // namespace tarnwell::posix
