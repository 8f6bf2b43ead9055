#include "platform/posix/StorePlace.h"

#include <limits.h>

#include <cerrno>

#include "platform/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/StoreSyscalls.h"

namespace tarnwell::posix {
namespace {

constexpr int kMaxLinks = 32;
constexpr std::int32_t kErrorCantResolveFilename = 1921;

int OpenDirectory(int at, const std::string& path) {
  return Syscalls().Openat(at, path.c_str(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
}

// Splits at the last "/": the directory part ("/" for the root, "." when
// there is none) and the name.
void Split(const std::string& path, std::string* directory,
           std::string* name) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) {
    *directory = ".";
    *name = path;
  } else {
    *directory = slash == 0 ? "/" : path.substr(0, slash);
    *name = path.substr(slash + 1);
  }
}

// Follows one link: *directory and *name move to its target.
std::int32_t FollowLink(int* directory, std::string* name) {
  char target[PATH_MAX];
  const ssize_t n =
      Syscalls().Readlinkat(*directory, name->c_str(), target, sizeof target);
  if (n < 0) return WindowsError(errno);
  if (static_cast<std::size_t>(n) >= sizeof target) {
    return kErrorFilenameTooLong;
  }
  std::string where;
  Split(std::string(target, static_cast<std::size_t>(n)), &where, name);
  if (name->empty() || *name == "." || *name == "..") {
    return kErrorBadPathname;
  }
  if (where == ".") return kErrorSuccess;
  const int next = OpenDirectory(*directory, where);
  if (next < 0) return WindowsError(errno);
  Syscalls().Close(*directory);
  *directory = next;
  return kErrorSuccess;
}

std::int32_t Find(const std::string& path, StorePlace* place) {
  std::string where;
  Split(path, &where, &place->Name);
  if (place->Name.empty()) return kErrorBadPathname;
  place->Directory = OpenDirectory(AT_FDCWD, where);
  if (place->Directory < 0) return WindowsError(errno);
  for (int links = 0; links <= kMaxLinks; ++links) {
    struct stat link;
    if (Syscalls().Fstatat(place->Directory, place->Name.c_str(), &link,
                           AT_SYMLINK_NOFOLLOW) != 0) {
      return errno == ENOENT ? kErrorSuccess : WindowsError(errno);
    }
    if (!S_ISLNK(link.st_mode)) return kErrorSuccess;
    struct stat directory;
    if (Syscalls().Fstat(place->Directory, &directory) != 0) {
      return WindowsError(errno);
    }
    if (link.st_uid != Syscalls().Geteuid() &&
        link.st_uid != directory.st_uid) {
      return kErrorAccessDenied;
    }
    if (std::int32_t e = FollowLink(&place->Directory, &place->Name)) return e;
  }
  return kErrorCantResolveFilename;
}

}  // namespace

std::int32_t FindStorePlace(const std::string& path, StorePlace* place) {
  std::int32_t result = Find(path, place);
  if (result != kErrorSuccess && place->Directory >= 0) {
    Syscalls().Close(place->Directory);
    place->Directory = -1;
  }
  return result;
}

}  // namespace tarnwell::posix
