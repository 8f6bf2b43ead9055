// Only generic POSIX code here: -o FILE. Another user may share a
// directory on the way (/tmp) and plant or swap names there, so the place
// is found as the store finds its own, one name at a time with a link
// followed only when it is the user's own or root's, and decided once, on
// the directory's descriptor; the file is replaced as the store replaces
// itself (a marked temporary made exclusively, never through a link, and
// a rename).
#include "platform/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/Errors.h"
#include "platform/posix/PosixCalls.h"
#include "platform/posix/StorePlace.h"
#include "platform/posix/TemporaryFile.h"
#include "regstore/Registry.h"

namespace tarnwell::platform {

using posix::Calls;

std::int32_t ReplaceFile(const std::string& path, std::string_view bytes,
                         OutputRefusal* refusal) {
  *refusal = OutputRefusal::kNone;
  posix::StorePlace place;
  std::int32_t result =
      posix::FindStorePlace(path, &place, posix::PlaceRule::kAnyDirectory);
  if (place.OthersLink) *refusal = OutputRefusal::kOthersLink;
  // A name ending in "/", "." or ".." is a directory's.
  if (result == kErrorBadPathname ||
      (result == kErrorSuccess && place.Exists &&
       !S_ISREG(place.Status.st_mode))) {
    *refusal = OutputRefusal::kNotRegular;
    result = kErrorAccessDenied;
  }
  if (result == kErrorSuccess) {
    // An output written anew keeps its mode, so that a private one stays
    // private; a new one gets what a plain create would give it.
    const mode_t mode =
        place.Exists ? place.Status.st_mode & 07777 : posix::NewFileMode();
    result = posix::ReplaceIn(place.Directory, place.Name, [&](int fd) {
      if (std::int32_t e = posix::WriteAll(fd, bytes.data(), bytes.size())) {
        return e;
      }
      return Calls().Fchmod(fd, mode) != 0 ? posix::WindowsError(errno)
                                           : kErrorSuccess;
    });
  }
  if (place.Directory >= 0) Calls().Close(place.Directory);
  return result;
}

bool IsStandardInput(const std::string& name) {
  struct stat input, named;
  return Calls().Fstat(STDIN_FILENO, &input) == 0 &&
         Calls().Fstatat(AT_FDCWD, name.c_str(), &named, 0) == 0 &&
         input.st_dev == named.st_dev && input.st_ino == named.st_ino;
}

}  // namespace tarnwell::platform
