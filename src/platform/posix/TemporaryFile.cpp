#include "platform/posix/TemporaryFile.h"

#include <time.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "regstore/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/PosixCalls.h"

namespace tarnwell::posix {

const char kTemporaryMark[] = "user.tarnwell.temporary";

namespace {

constexpr char kTemporaryInfix[] = ".~tarnwell-";
constexpr char kNameLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kRandomLetters = 12;
constexpr int kTemporaryTries = 16;
constexpr mode_t kTemporaryMode = S_ISVTX | 0600;
// The longest name a directory entry takes on Linux (NAME_MAX).
constexpr std::size_t kLongestName = 255;

// How much of the file's name a temporary's name begins with: as much as
// leaves room for the rest within the longest name.
std::size_t StemLength(const std::string& name) {
  constexpr std::size_t kRoom =
      kLongestName - (sizeof kTemporaryInfix - 1) - kRandomLetters;
  return std::min(name.size(), kRoom);
}

// Random bytes for a name. Where getrandom (Linux 3.17) is lacking, the
// clock's nanoseconds: the name need only be new, which the exclusive
// creation makes sure of, not secret, since nobody but the directory's
// owner and root may make files there.
std::int32_t NameBytes(unsigned char* bytes, std::size_t size) {
  if (Calls().Random(bytes, size) == 0) return kErrorSuccess;
  if (!Lacking(errno)) return WindowsError(errno);
  struct timespec now;
  if (Calls().Clock(CLOCK_REALTIME, &now) != 0) return WindowsError(errno);
  auto n = static_cast<std::uint64_t>(now.tv_sec) * 1000000000u +
           static_cast<std::uint64_t>(now.tv_nsec);
  for (std::size_t i = 0; i < size; ++i, n /= sizeof kNameLetters - 1) {
    bytes[i] = static_cast<unsigned char>(n % (sizeof kNameLetters - 1));
  }
  return kErrorSuccess;
}

}  // namespace

std::int32_t CreateTemporary(int directory, const std::string& store,
                             std::string* name, int* fd) {
  for (int attempt = 0; attempt < kTemporaryTries; ++attempt) {
    unsigned char random[kRandomLetters];
    if (std::int32_t e = NameBytes(random, sizeof random)) return e;
    *name = store.substr(0, StemLength(store)) + kTemporaryInfix;
    for (unsigned char r : random) {
      *name += kNameLetters[r % (sizeof kNameLetters - 1)];
    }
    *fd = OpenIn(directory, name->c_str(),
                 O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, kTemporaryMode);
    if (*fd < 0 && errno == EEXIST) continue;
    if (*fd < 0) return WindowsError(errno);
    // Where none can be set (no extended attributes, a umask that took the
    // owner's write, a sandbox that refuses the call), the sticky bit alone
    // marks the file.
    if (Calls().Fsetxattr(*fd, kTemporaryMark, "", 0, 0) == 0 ||
        errno == ENOTSUP || errno == EACCES || Lacking(errno)) {
      return kErrorSuccess;
    }
    const std::int32_t e = WindowsError(errno);
    Calls().Unlinkat(directory, name->c_str(), 0);
    Calls().Close(*fd);
    *fd = -1;
    return e;
  }
  return kErrorAccessDenied;  // every name taken: someone is playing games
}

void UnmarkTemporary(int fd) { Calls().Fremovexattr(fd, kTemporaryMark); }

std::int32_t ReplaceIn(int directory, const std::string& name,
                       const std::function<std::int32_t(int fd)>& fill,
                       const std::function<bool()>& still) {
  std::string temporary;
  int fd = -1;
  if (std::int32_t e = CreateTemporary(directory, name, &temporary, &fd)) {
    return e;
  }
  std::int32_t result = fill(fd);
  if (result == kErrorSuccess && Calls().Fsync(fd) != 0) {
    result = WindowsError(errno);
  }
  // A second descriptor takes the mark away once the file has its name;
  // the first is closed before, for what a close reports (NFS).
  const int kept = Calls().Dup(fd);
  if (kept < 0 && result == kErrorSuccess) result = WindowsError(errno);
  if (Calls().Close(fd) != 0 && result == kErrorSuccess) {
    result = WindowsError(errno);
  }
  if (result == kErrorSuccess && still && !still()) {
    result = kErrorAccessDenied;
  }
  if (result == kErrorSuccess &&
      Calls().Renameat(directory, temporary.c_str(), directory,
                       name.c_str()) != 0) {
    result = WindowsError(errno);
  }
  if (result != kErrorSuccess) {
    Calls().Unlinkat(directory, temporary.c_str(), 0);
    if (kept >= 0) Calls().Close(kept);
    return result;
  }
  UnmarkTemporary(kept);
  Calls().Close(kept);
  // The rename is lasting once the directory is. Should flushing it fail,
  // the new file is in place all the same and cannot be taken back, so the
  // replacement has happened: reporting a failure would say the old file
  // stayed.
  Calls().Fsync(directory);
  return kErrorSuccess;
}

// Allocates nothing: clean-up asks it of each name while it holds a
// directory stream open.
bool IsTemporaryOf(const std::string& store, const char* name) {
  const std::size_t kept = StemLength(store);
  const std::size_t prefix = kept + sizeof kTemporaryInfix - 1;
  if (std::strlen(name) != prefix + kRandomLetters ||
      std::strncmp(name, store.c_str(), kept) != 0 ||
      std::strncmp(name + kept, kTemporaryInfix,
                   sizeof kTemporaryInfix - 1) != 0) {
    return false;
  }
  for (const char* p = name + prefix; *p != '\0'; ++p) {
    if (std::strchr(kNameLetters, *p) == nullptr) return false;
  }
  return true;
}

bool IsMarkedTemporary(int directory, const char* name, struct stat* st) {
  // Only a plain file is opened: a device's open may act.
  if (Calls().Fstatat(directory, name, st, AT_SYMLINK_NOFOLLOW) != 0 ||
      !S_ISREG(st->st_mode) || st->st_nlink != 1) {
    return false;
  }
  if ((st->st_mode & S_ISVTX) != 0) return true;
  const int fd = OpenIn(directory, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat held;
  const bool marked =
      Calls().Fstat(fd, &held) == 0 && held.st_dev == st->st_dev &&
      held.st_ino == st->st_ino &&
      Calls().Fgetxattr(fd, kTemporaryMark, nullptr, 0) >= 0;
  Calls().Close(fd);
  return marked;
}

}  // namespace tarnwell::posix
