#include "platform/posix/StorePlace.h"

#include <limits.h>
#include <sys/stat.h>

#include <cerrno>
#include <deque>
#include <memory>
#include <vector>

#include "regstore/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/PosixCalls.h"
#include "platform/posix/UserGroups.h"

namespace tarnwell::posix {
namespace {

constexpr int kMaxLinks = 32;
constexpr int kDirectoryFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
// Passing through asks only for search permission where it can (a home
// directory of mode 0711).
#ifdef O_PATH
constexpr int kPassFlags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
constexpr int kPassFlags = kDirectoryFlags;
#endif

enum class Trust { kNone, kFull, kSticky };

// What a user namespace without a map shows as the owner of every file
// and as this run's user alike: no owner can be told from another there.
constexpr uid_t kOverflowUid = 65534;

bool TrustedOwner(uid_t owner) {
  return owner != kOverflowUid && (owner == 0 || owner == Calls().Geteuid());
}

// Whether a directory lets nobody but this user and root change it, or
// only as a sticky directory does. Where the group may write, an access
// ACL may let named users and groups write as well (its mask shows as the
// group's bits): such a directory is shared.
std::int32_t Judge(int fd, const struct stat& st, Trust* trust) {
  *trust = Trust::kNone;
  if (!TrustedOwner(st.st_uid)) return kErrorSuccess;
  bool shared = (st.st_mode & S_IWOTH) != 0;
  if (!shared && (st.st_mode & S_IWGRP) != 0) {
    bool only = false;
    if (Calls().Fgetxattr(fd, "system.posix_acl_access", nullptr, 0) >= 0) {
      shared = true;
    } else if (errno != ENODATA && errno != ENOTSUP) {
      return WindowsError(errno);
    } else if (std::int32_t e =
                   OnlyMemberOfGroup(st.st_gid, st.st_uid, &only)) {
      return e;
    } else {
      shared = !only;
    }
  }
  *trust = !shared                        ? Trust::kFull
           : (st.st_mode & S_ISVTX) != 0 ? Trust::kSticky
                                          : Trust::kNone;
  return kErrorSuccess;
}

// The open directory where the walk stands, with its owner and how far
// it is trusted. Only that one is held, so that a deep path takes no more
// descriptors than a short one.
class Walk {
 public:
  explicit Walk(PlaceRule rule) : rule_(rule) {}
  ~Walk() { Leave(); }

  int Fd() const { return here_.Fd; }
  Trust Here() const { return here_.Level; }
  uid_t Owner() const { return here_.Owner; }

  // "/" or, for a relative path where any directory will do, ".".
  std::int32_t Start(bool root) {
    return Enter(Calls().Openat(AT_FDCWD, root ? "/" : ".", Flags(), 0));
  }

  // Into the directory name of the current one.
  std::int32_t Down(const std::string& name) {
    return Enter(OpenIn(Fd(), name.c_str(), Flags()));
  }

  // "..": the current directory's parent (the root's is itself), judged
  // anew as every directory entered.
  std::int32_t Up() { return Enter(Calls().Openat(Fd(), "..", Flags(), 0)); }

  // Hands the current directory over to the caller, open for reading.
  std::int32_t Release(int* fd) {
    if (Flags() != kDirectoryFlags) {
      const int fd_read = Calls().Openat(Fd(), ".", kDirectoryFlags, 0);
      if (std::int32_t e = Enter(fd_read)) return e;
    }
    *fd = here_.Fd;
    here_.Fd = -1;
    return kErrorSuccess;
  }

 private:
  struct Step {
    int Fd = -1;
    Trust Level = Trust::kNone;
    uid_t Owner = 0;
  };

  int Flags() const {
    return rule_ == PlaceRule::kPrivate ? kDirectoryFlags : kPassFlags;
  }

  void Leave() {
    if (here_.Fd >= 0) Calls().Close(here_.Fd);
    here_ = Step();
  }

  std::int32_t Enter(int fd) {
    if (fd < 0) return WindowsError(errno);
    Leave();
    here_.Fd = fd;
    if (rule_ == PlaceRule::kAnyDirectory) {
      here_.Level = Trust::kFull;
      return kErrorSuccess;
    }
    struct stat st;
    if (Calls().Fstat(fd, &st) != 0) return WindowsError(errno);
    here_.Owner = st.st_uid;
    if (std::int32_t e = Judge(fd, st, &here_.Level)) return e;
    return here_.Level == Trust::kNone ? kErrorAccessDenied : kErrorSuccess;
  }

  PlaceRule rule_;
  Step here_;
};

// Puts the names of path in front of those still to walk; true when it
// ends in "/", ".", or "..", which name no file.
bool PushNames(const std::string& path, std::deque<std::string>* names) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) parts.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  names->insert(names->begin(), parts.begin(), parts.end());
  const std::size_t last = path.rfind('/');
  const std::string tail =
      last == std::string::npos ? path : path.substr(last + 1);
  return tail.empty() || tail == "." || tail == "..";
}

std::int32_t Absolute(const std::string& path, std::string* full) {
  if (!path.empty() && path[0] == '/') {
    *full = path;
    return kErrorSuccess;
  }
  std::string cwd(PATH_MAX, '\0');
  if (Calls().Getcwd(&cwd[0], cwd.size()) == nullptr) {
    return WindowsError(errno);
  }
  cwd.resize(cwd.find('\0'));
  *full = cwd + "/" + path;
  return kErrorSuccess;
}

std::int32_t Find(const std::string& path, PlaceRule rule, Walk* walk,
                  StorePlace* place) {
  // The store judges every directory from the root; any directory will do
  // for the other rule, so a relative path starts where the user is.
  const bool from_root = rule == PlaceRule::kPrivate || path.rfind('/', 0) == 0;
  std::string full = path;
  if (rule == PlaceRule::kPrivate) {
    if (std::int32_t e = Absolute(path, &full)) return e;
  }
  std::deque<std::string> names;
  if (PushNames(full, &names)) return kErrorBadPathname;
  if (std::int32_t e = walk->Start(from_root)) return e;
  int links = 0;
  while (!names.empty()) {
    const std::string name = names.front();
    names.pop_front();
    if (name == ".") continue;
    if (name == "..") {
      if (std::int32_t e = walk->Up()) return e;
      continue;
    }
    struct stat entry;
    if (Calls().Fstatat(walk->Fd(), name.c_str(), &entry,
                        AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno == ENOENT && names.empty()) {
        place->Name = name;  // a store yet to be made
        place->Exists = false;
        break;
      }
      return WindowsError(errno);
    }
    if (S_ISLNK(entry.st_mode)) {
      // A link nobody else made: in a trusted directory only its owner
      // and root could have; a sticky one says nothing of its entries.
      if (!TrustedOwner(entry.st_uid)) {
        place->OthersLink = true;
        return kErrorAccessDenied;
      }
      if (++links > kMaxLinks) return kErrorCantResolveFilename;
      std::string target(PATH_MAX, '\0');
      const ssize_t n = Calls().Readlinkat(walk->Fd(), name.c_str(),
                                           &target[0], target.size());
      if (n < 0) return WindowsError(errno);
      if (static_cast<std::size_t>(n) >= target.size()) {
        return kErrorFilenameTooLong;
      }
      target.resize(static_cast<std::size_t>(n));
      const bool last = names.empty();
      if (PushNames(target, &names) && last) return kErrorBadPathname;
      if (target[0] == '/') {
        if (std::int32_t e = walk->Start(true)) return e;
      }
      continue;
    }
    if (names.empty()) {
      place->Name = name;
      place->Exists = true;
      place->Status = entry;
      break;
    }
    if (std::int32_t e = walk->Down(name)) return e;
  }
  // (A path or link whose last name is ".", ".." or empty was refused
  // above, so the walk ends on a name.)
  // Where the lock and the new file are made, nobody else may make
  // anything: sticky is not enough.
  if (walk->Here() != Trust::kFull) return kErrorAccessDenied;
  place->Owner = walk->Owner();
  return walk->Release(&place->Directory);
}

}  // namespace

std::int32_t FindStorePlace(const std::string& path, StorePlace* place,
                           PlaceRule rule) {
  *place = StorePlace();
  Walk walk(rule);
  return Find(path, rule, &walk, place);
}

}  // namespace tarnwell::posix
