#include "platform/posix/StoreLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/StoreSyscalls.h"

namespace tarnwell::posix {
namespace {

constexpr std::int32_t kErrorTimeout = 1460;  // ERROR_TIMEOUT
constexpr long kPollNanoseconds = 20 * 1000 * 1000;

// Read and write for every class of user that may write the store.
mode_t LockMode(mode_t store_mode) {
  mode_t mode = 0;
  if (store_mode & S_IWUSR) mode |= S_IRUSR | S_IWUSR;
  if (store_mode & S_IWGRP) mode |= S_IRGRP | S_IWGRP;
  if (store_mode & S_IWOTH) mode |= S_IROTH | S_IWOTH;
  return mode;
}

struct Expected {
  uid_t Owner;
  gid_t Group;
  mode_t Mode;
};

// A lock only those who may write the store can open: one name, owned by
// the store's owner (or root), no permission the store does not give, and
// the store's group where the group may open it.
bool Trusted(const struct stat& lock, const Expected& want) {
  if (!S_ISREG(lock.st_mode) || lock.st_nlink != 1) return false;
  if (lock.st_uid != want.Owner && lock.st_uid != 0) return false;
  if ((lock.st_mode & 0777 & ~want.Mode) != 0) return false;
  return (want.Mode & 0070) == 0 || lock.st_gid == want.Group;
}

// Gives a lock file this run made, or one of its own, the group, owner
// (root only) and permissions that Trusted wants.
std::int32_t Mend(int fd, const Expected& want, struct stat* lock) {
  if (lock->st_gid != want.Group &&
      Syscalls().Fchown(fd, static_cast<uid_t>(-1), want.Group) == 0) {
    lock->st_gid = want.Group;
  }
  if (Syscalls().Geteuid() == 0 && lock->st_uid != want.Owner &&
      Syscalls().Fchown(fd, want.Owner, static_cast<gid_t>(-1)) == 0) {
    lock->st_uid = want.Owner;
  }
  if ((lock->st_mode & 07777) != want.Mode) {
    if (Syscalls().Fchmod(fd, want.Mode) != 0) return WindowsError(errno);
    lock->st_mode = (lock->st_mode & ~07777) | want.Mode;
  }
  return kErrorSuccess;
}

// Only the store's owner or root may save it: only they can give the new
// file the old one's owner. Nor may a user who cannot write it now.
std::int32_t MayWrite(int directory, const std::string& name,
                      const struct stat* store) {
  if (store == nullptr) return kErrorSuccess;
  const uid_t me = Syscalls().Geteuid();
  if (me != 0 && me != store->st_uid) return kErrorAccessDenied;
  if (Syscalls().Access(directory, name.c_str(), W_OK, AT_EACCESS) != 0) {
    return WindowsError(errno);
  }
  return kErrorSuccess;
}

// Opens the lock file, making it when missing (never through an existing
// name, which a shared directory may forbid), mending one of this run's
// own, and, for the store's owner, putting a new one in the place of one
// that others could hold.
std::int32_t OpenLockFile(int directory, const std::string& name,
                          const struct stat* store, int* fd) {
  const std::string lock_name = name + ".lock";
  const uid_t me = Syscalls().Geteuid();
  Expected want;
  want.Owner = store != nullptr ? store->st_uid : me;
  want.Group = store != nullptr ? store->st_gid : Syscalls().Getegid();
  want.Mode = LockMode(store != nullptr ? store->st_mode : NewFileMode());
  constexpr int kOpenFlags = O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
  bool replaced = false;
  for (int attempt = 0; attempt < 4; ++attempt) {
    bool created = false;
    *fd = Syscalls().Openat(directory, lock_name.c_str(), kOpenFlags, 0);
    if (*fd < 0 && errno == ENOENT) {
      *fd = Syscalls().Openat(directory, lock_name.c_str(),
                              kOpenFlags | O_CREAT | O_EXCL, want.Mode);
      if (*fd < 0 && errno == EEXIST) continue;  // another run was quicker
      created = *fd >= 0;
    }
    if (*fd < 0) return WindowsError(errno);
    struct stat lock;
    if (Syscalls().Fstat(*fd, &lock) != 0) return WindowsError(errno);
    // A file of more than one name is some other file too: not ours to
    // change, whoever owns it.
    const bool ours = created || (lock.st_uid == me && S_ISREG(lock.st_mode) &&
                                  lock.st_nlink == 1);
    if (ours) {
      if (std::int32_t e = Mend(*fd, want, &lock)) return e;
    }
    if (Trusted(lock, want)) return kErrorSuccess;
    Syscalls().Close(*fd);
    *fd = -1;
    // Before the store exists nobody is its owner: a lock of another user
    // may be one that a run making the store holds, not to be taken away.
    if (replaced || store == nullptr) break;
    if (Syscalls().Unlinkat(directory, lock_name.c_str(), 0) != 0) {
      if (errno == ENOENT) continue;  // another run replaced it already
      return kErrorAccessDenied;
    }
    replaced = true;
  }
  return kErrorAccessDenied;
}

long long NowNanoseconds() {
  struct timespec now;
  if (Syscalls().Clock(CLOCK_MONOTONIC, &now) != 0) return -1;
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// A write lock on the whole file, waiting for the holder at most the
// allowed time. Where locks are not to be had, the run does not write.
std::int32_t Lock(int fd) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  int command = F_OFD_SETLK;
  const long long start = NowNanoseconds();
  if (start < 0) return WindowsError(errno);
  for (;;) {
    if (Syscalls().Lock(fd, command, &lock) == 0) return kErrorSuccess;
    if (errno == EINVAL && command == F_OFD_SETLK) {
      command = F_SETLK;  // a kernel without lock ownership per descriptor
      continue;
    }
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
      return WindowsError(errno);
    }
    const long long now = NowNanoseconds();
    if (now < 0) return WindowsError(errno);
    if (now - start >= kLockWaitSeconds * 1000000000LL) return kErrorTimeout;
    struct timespec pause = {0, kPollNanoseconds};
    Syscalls().Sleep(&pause, nullptr);
  }
}

}  // namespace

std::int32_t TakeStoreLock(int directory, const std::string& name,
                           const struct stat* store, int* lock_fd) {
  int fd = -1;
  std::int32_t result = MayWrite(directory, name, store);
  if (result == kErrorSuccess) result = OpenLockFile(directory, name, store, &fd);
  if (result == kErrorSuccess) result = Lock(fd);
  if (result != kErrorSuccess) {
    if (fd >= 0) Syscalls().Close(fd);
    return result;
  }
  *lock_fd = fd;
  return kErrorSuccess;
}

}  // namespace tarnwell::posix
