#include "platform/posix/StoreLock.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <unistd.h>

#include <cerrno>

#include "regstore/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/PosixCalls.h"
#include "platform/posix/TemporaryFile.h"

namespace tarnwell::posix {
namespace {

constexpr std::int32_t kErrorTimeout = 1460;  // ERROR_TIMEOUT
constexpr long kPollNanoseconds = 20 * 1000 * 1000;
constexpr mode_t kLockMode = 0600;
// A run tries again only when another run changed the lock's name under
// it, which is that run's progress; many runs meeting a bad lock at once
// on a slow machine take several turns each before one gives up.
constexpr int kTries = 64;
constexpr char kLockSuffix[] = ".lock";
// Held while a run replaces a lock file that is not as it must be, so
// that two runs never both replace one (the second would put its own
// over the first's, which may already be held).
constexpr char kGuardSuffix[] = ".lock-new";

// Whether the file is a lock as it must be; with links 2, one that is so
// but for a second name, as a lock made by a link has for a moment.
bool Good(const struct stat& lock, uid_t owner, nlink_t links = 1) {
  return S_ISREG(lock.st_mode) && lock.st_nlink == links &&
         lock.st_uid == owner && (lock.st_mode & 07777) == kLockMode;
}

long long NowNanoseconds() {
  struct timespec now;
  if (Calls().Clock(CLOCK_MONOTONIC, &now) != 0) return -1;
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// One try for a write lock on the whole file: 0, or -1 with errno set.
int TryLock(int fd) {
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (Calls().Lock(fd, F_OFD_SETLK, &lock) == 0) return 0;
  // A kernel without lock ownership per descriptor, or a sandbox that
  // refuses it.
  return Lacking(errno) ? Calls().Lock(fd, F_SETLK, &lock) : -1;
}

// A write lock on the whole file, waiting for the holder until the
// allowed time since start is up. Where locks are not to be had, the run
// does not write.
std::int32_t Lock(int fd, long long start) {
  for (;;) {
    if (TryLock(fd) == 0) return kErrorSuccess;
    if (errno != EAGAIN && errno != EACCES && errno != EINTR) {
      return WindowsError(errno);
    }
    const long long now = NowNanoseconds();
    if (now < 0) return WindowsError(errno);
    if (now - start >= kLockWaitSeconds * 1000000000LL) return kErrorTimeout;
    struct timespec pause = {0, kPollNanoseconds};
    Calls().Sleep(&pause, nullptr);
  }
}

struct Target {
  int Directory;
  const std::string& Store;  // the store's name, for temporary names
  std::string Name;          // the lock file's
  uid_t Owner;
  long long Start;
};

// Gives the held temporary the target's name where nothing has it yet:
// renameat2's RENAME_NOREPLACE or, where that is lacking (NFS, 9p, FUSE,
// older kernels, sandboxes), the exclusive creation that NFS keeps, a hard
// link, after which the temporary's name goes. NFS may answer a link whose
// reply was lost with EEXIST (or EIO, mounted soft): the held file's link
// count says whether it was made. 0 when named, 1 when named but the
// temporary's name stayed, -1 (errno set) when not named.
int NameAnew(const Target& t, const std::string& temporary, int fd) {
  if (Calls().Renameat2(t.Directory, temporary.c_str(), t.Directory,
                        t.Name.c_str(), RENAME_NOREPLACE) == 0) {
    return 0;
  }
  if (!Lacking(errno)) return -1;
  if (Calls().Linkat(t.Directory, temporary.c_str(), t.Directory,
                     t.Name.c_str(), 0) != 0) {
    const int error = errno;
    struct stat held;
    if (Calls().Fstat(fd, &held) != 0) return -1;
    errno = error;
    if (held.st_nlink != 2) return -1;
  }
  return Calls().Unlinkat(t.Directory, temporary.c_str(), 0) == 0 ||
                 errno == ENOENT
             ? 0
             : 1;
}

// Makes a lock file as it must be under a temporary name, locked by this
// run, and gives it the target's name: over what is there when `replace`,
// else only where nothing is. *again when another run was quicker or took
// the temporary name away.
std::int32_t Install(const Target& t, bool replace, int* fd, bool* again) {
  *again = false;
  std::string temporary;
  if (std::int32_t e = CreateTemporary(t.Directory, t.Store, &temporary, fd)) {
    return e;
  }
  // Its owner is this run's user: in a trusted directory only its owner
  // and root make files, and root trusts no directory of another.
  std::int32_t result = kErrorSuccess;
  if (Calls().Fchmod(*fd, kLockMode) != 0) {
    result = WindowsError(errno);
  } else {
    result = Lock(*fd, t.Start);
  }
  if (result == kErrorSuccess) {
    const int named =
        replace ? Calls().Renameat(t.Directory, temporary.c_str(), t.Directory,
                                   t.Name.c_str())
                : NameAnew(t, temporary, *fd);
    // While the temporary's name stays, the file keeps the mark by which
    // clean-up removes it under that name once the lock is replaced.
    if (named == 0) UnmarkTemporary(*fd);
    if (named >= 0) return kErrorSuccess;
    *again = errno == EEXIST || errno == ENOENT;
    result = WindowsError(errno);
  }
  Calls().Unlinkat(t.Directory, temporary.c_str(), 0);
  Calls().Close(*fd);
  *fd = -1;
  return result;
}

std::int32_t Acquire(const Target& t, bool may_replace, int* fd);

bool Same(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether the name in the directory still leads to the file held.
bool NameLeadsTo(int directory, const std::string& name,
                 const struct stat& held) {
  struct stat named;
  return Calls().Fstatat(directory, name.c_str(), &named,
                         AT_SYMLINK_NOFOLLOW) == 0 &&
         Same(named, held);
}

// Under the guard, replaces the lock file if it is still not as it must
// be; *fd then holds the new one, locked. One that is so but for a second
// name is being made: it is left to its maker unless it is `stale`, which
// the caller held and found so still.
std::int32_t Replace(const Target& t, const struct stat* stale, int* fd) {
  *fd = -1;
  Target guard = t;
  guard.Name = t.Store + kGuardSuffix;
  int held = -1;
  if (std::int32_t e = Acquire(guard, false, &held)) return e;
  std::int32_t result = kErrorSuccess;
  struct stat lock;
  if (Calls().Fstatat(t.Directory, t.Name.c_str(), &lock,
                      AT_SYMLINK_NOFOLLOW) != 0) {
    if (errno != ENOENT) result = WindowsError(errno);
  } else if (!Good(lock, t.Owner) &&
             (!Good(lock, t.Owner, 2) ||
              (stale != nullptr && Same(lock, *stale)))) {
    bool again = false;
    if (!S_ISDIR(lock.st_mode)) {
      result = Install(t, true, fd, &again);
    } else if (Calls().Unlinkat(t.Directory, t.Name.c_str(), AT_REMOVEDIR) !=
               0) {
      result = WindowsError(errno);  // not empty: not ours to empty
    } else {
      // Nothing is renamed over a directory: an empty one goes first, and
      // a run that puts its lock in the gap is waited for like any other.
      result = Install(t, false, fd, &again);
    }
    // Another run was quicker, or its clean-up took the temporary: look
    // again.
    if (again) result = kErrorSuccess;
  }
  // Gone before it is let go: whoever waits for it then finds its name
  // empty or another's, and starts anew.
  Calls().Unlinkat(t.Directory, guard.Name.c_str(), 0);
  Calls().Close(held);
  return result;
}

// Opens the file of the target's name and locks it, making it where there
// is none, and (when may_replace) putting a new one in the place of one
// that is not as it must be. Holds it only while the name still leads to
// it.
std::int32_t Acquire(const Target& t, bool may_replace, int* fd) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    *fd = OpenIn(t.Directory, t.Name.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (*fd < 0 && errno == ENOENT) {
      bool again = false;
      const std::int32_t e = Install(t, false, fd, &again);
      if (e == kErrorSuccess || !again) return e;
      continue;
    }
    struct stat held;
    if (*fd >= 0 && Calls().Fstat(*fd, &held) != 0) {
      const std::int32_t e = WindowsError(errno);
      Calls().Close(*fd);
      return e;
    }
    // Made by a link a moment ago, it has a second name until its maker,
    // who holds it, removes that: it is waited for like any held lock,
    // then looked at again.
    const bool waited = *fd >= 0 && Good(held, t.Owner, 2);
    if (waited) {
      std::int32_t e = Lock(*fd, t.Start);
      if (e == kErrorSuccess && Calls().Fstat(*fd, &held) != 0) {
        e = WindowsError(errno);
      }
      if (e != kErrorSuccess) {
        Calls().Close(*fd);
        return e;
      }
    }
    // Removed since it was opened (the guard at the end of another run's
    // replacement): the name leads elsewhere now, so look again.
    if (*fd >= 0 && held.st_nlink == 0) {
      Calls().Close(*fd);
      continue;
    }
    // Two names still: its maker was killed before it removed the other.
    // The guard, whose name goes when its holder is done, serves so; a
    // lock is replaced, and the other name, alone then, is cleaned up.
    if (*fd < 0 || !(Good(held, t.Owner) ||
                     (waited && !may_replace && Good(held, t.Owner, 2)))) {
      if (*fd >= 0) Calls().Close(*fd);
      if (!may_replace) return kErrorAccessDenied;
      const std::int32_t e = Replace(t, waited ? &held : nullptr, fd);
      if (e != kErrorSuccess || *fd >= 0) return e;
      continue;  // another run had replaced it already
    }
    std::int32_t e = waited ? kErrorSuccess : Lock(*fd, t.Start);
    if (e == kErrorSuccess && NameLeadsTo(t.Directory, t.Name, held)) {
      return kErrorSuccess;
    }
    Calls().Close(*fd);
    if (e != kErrorSuccess) return e;
  }
  *fd = -1;
  return kErrorAccessDenied;
}

// A guard that a run killed while it replaced a lock left behind: nobody
// holds it, and no run removes it until the next bad lock. Taken, it goes,
// as its maker would have removed it; one that a run holds stays.
void RemoveLeftGuard(const Target& t) {
  const std::string name = t.Store + kGuardSuffix;
  const int fd = OpenIn(t.Directory, name.c_str(),
                        O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat held;
  if (Calls().Fstat(fd, &held) == 0 && Good(held, t.Owner) &&
      TryLock(fd) == 0 && NameLeadsTo(t.Directory, name, held)) {
    Calls().Unlinkat(t.Directory, name.c_str(), 0);
  }
  Calls().Close(fd);
}

}  // namespace

std::int32_t TakeStoreLock(int directory, const std::string& name,
                           uid_t owner, int* lock_fd) {
  const long long start = NowNanoseconds();
  if (start < 0) return WindowsError(errno);
  const Target target = {directory, name, name + kLockSuffix, owner, start};
  int fd = -1;
  if (std::int32_t e = Acquire(target, true, &fd)) return e;
  RemoveLeftGuard(target);
  *lock_fd = fd;
  return kErrorSuccess;
}

bool StillHoldsStoreLock(int directory, const std::string& name,
                         int lock_fd) {
  struct stat held;
  return Calls().Fstat(lock_fd, &held) == 0 &&
         NameLeadsTo(directory, name + kLockSuffix, held);
}

}  // namespace tarnwell::posix
