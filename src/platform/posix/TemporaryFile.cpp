#include "platform/posix/TemporaryFile.h"

#include <time.h>

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
