#include "platform/posix/Errors.h"

#include <cerrno>

#include "regstore/Registry.h"

namespace tarnwell::posix {

std::int32_t WindowsError(int error_number) {
  switch (error_number) {
    case 0:
      return kErrorRegistryIoFailed;  // failed without saying why
    case ENOENT:
      return kErrorFileNotFound;
    case ENOTDIR:
      return 3;  // ERROR_PATH_NOT_FOUND
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrorAccessDenied;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    case ENAMETOOLONG:
      return kErrorFilenameTooLong;
    case EBADF:
      return kErrorInvalidHandle;
    default:
      return kErrorRegistryIoFailed;
  }
}

}  // namespace tarnwell::posix
