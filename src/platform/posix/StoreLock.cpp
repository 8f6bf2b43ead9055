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

bool Trusted(const struct stat& lock, const Expected& want, bool owner_writes) {
  if (!S_ISREG(lock.st_mode) || lock.st_nlink != 1) return false;
  if (lock.st_uid != want.Owner && lock.st_uid != 0 && !owner_writes) {
    return false;
  }
  if ((lock.st_mode & 0777 & ~want.Mode) != 0) return false;
  return (want.Mode & 0070) == 0 || lock.st_gid == want.Group;
}

// Opens the lock file, making it when missing and mending its owner and
// permissions when it is ours; refuses one that others could hold.
std::int32_t OpenLockFile(int directory, const std::string& name,
                          const struct stat* store, int* fd) {
  const std::string lock_name = name + ".lock";
  Expected want;
  want.Owner = store != nullptr ? store->st_uid : Syscalls().Geteuid();
  want.Group = store != nullptr ? store->st_gid : Syscalls().Getegid();
  want.Mode = LockMode(store != nullptr ? store->st_mode : NewFileMode());
  *fd = Syscalls().Openat(
      directory, lock_name.c_str(),
      O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, want.Mode);
  if (*fd < 0) return WindowsError(errno);
  struct stat lock;
  if (Syscalls().Fstat(*fd, &lock) != 0) return WindowsError(errno);
  const uid_t me = Syscalls().Geteuid();
  if (lock.st_uid == me && S_ISREG(lock.st_mode) && lock.st_nlink == 1) {
    // Ours to mend; giving it to the store's owner works only for root. A
    // file of more than one name is some other file too, and refused below.
    if (lock.st_uid != want.Owner || lock.st_gid != want.Group) {
      if (Syscalls().Fchown(*fd, want.Owner, want.Group) == 0) {
        lock.st_uid = want.Owner;
        lock.st_gid = want.Group;
      }
    }
    if ((lock.st_mode & 07777) != want.Mode) {
      if (Syscalls().Fchmod(*fd, want.Mode) != 0) return WindowsError(errno);
      lock.st_mode = (lock.st_mode & ~07777) | want.Mode;
    }
  }
  // A lock file owned by someone else than the store's owner is trusted
  // only when its owner is this user and may write the store.
  const bool owner_writes =
      lock.st_uid == me &&
      (store == nullptr ||
       Syscalls().Access(directory, name.c_str(), W_OK, AT_EACCESS) == 0);
  return Trusted(lock, want, owner_writes) ? kErrorSuccess
                                           : kErrorAccessDenied;
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
  std::int32_t result = OpenLockFile(directory, name, store, &fd);
  if (result == kErrorSuccess) result = Lock(fd);
  if (result != kErrorSuccess) {
    if (fd >= 0) Syscalls().Close(fd);
    return result;
  }
  *lock_fd = fd;
  return kErrorSuccess;
}

}  // namespace tarnwell::posix
