#include "platform/posix/TemporaryFile.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/PosixCalls.h"

namespace tarnwell::posix {
namespace {

constexpr char kTemporaryInfix[] = ".tmp-";
constexpr char kNameLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::size_t kRandomLetters = 10;
constexpr int kTemporaryTries = 16;

}  // namespace

std::int32_t CreateTemporary(int directory, const std::string& store,
                             std::string* name, int* fd) {
  for (int attempt = 0; attempt < kTemporaryTries; ++attempt) {
    unsigned char random[kRandomLetters];
    if (Calls().Random(random, sizeof random) != 0) return WindowsError(errno);
    *name = store + kTemporaryInfix;
    for (unsigned char r : random) {
      *name += kNameLetters[r % (sizeof kNameLetters - 1)];
    }
    *fd = OpenIn(directory, name->c_str(),
                 O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (*fd >= 0) return kErrorSuccess;
    if (errno != EEXIST) return WindowsError(errno);
  }
  return kErrorAccessDenied;  // every name taken: someone is playing games
}

bool IsTemporaryOf(const std::string& store, const char* name) {
  const std::size_t prefix = store.size() + sizeof kTemporaryInfix - 1;
  if (std::strlen(name) != prefix + kRandomLetters) return false;
  if (std::strncmp(name, store.c_str(), store.size()) != 0 ||
      std::strncmp(name + store.size(), kTemporaryInfix,
                   sizeof kTemporaryInfix - 1) != 0) {
    return false;
  }
  for (const char* p = name + prefix; *p != '\0'; ++p) {
    if (std::strchr(kNameLetters, *p) == nullptr) return false;
  }
  return true;
}

}  // namespace tarnwell::posix
