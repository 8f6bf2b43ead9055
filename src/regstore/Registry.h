// The registry as the installer sees it: create-or-open a key, set a value,
// close a key. One implementation per world (the real Win32 registry, the
// host's file store), plus in-memory stores for previews and tests. It lies
// on the ground floor, beside the in-memory store, so that the stores and
// the platforms above them all include it from below.
#pragma once

#include <cstdint>

namespace tarnwell {

// An open key. Zero is never a valid handle.
using RegHandle = std::uintptr_t;

// The predefined HKEY_LOCAL_MACHINE handle value.
constexpr RegHandle kLocalMachine = 0x80000002u;

// Windows error codes that the stores return.
constexpr std::int32_t kErrorSuccess = 0;
constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorAccessDenied = 5;
constexpr std::int32_t kErrorInvalidHandle = 6;
constexpr std::int32_t kErrorNotEnoughMemory = 8;
constexpr std::int32_t kErrorBadFormat = 11;
constexpr std::int32_t kErrorInvalidParameter = 87;
constexpr std::int32_t kErrorDiskFull = 112;
constexpr std::int32_t kErrorInsufficientBuffer = 122;
constexpr std::int32_t kErrorBadPathname = 161;
constexpr std::int32_t kErrorFilenameTooLong = 206;  // ERROR_FILENAME_EXCED_RANGE
constexpr std::int32_t kErrorBadDb = 1009;           // the store is corrupt
constexpr std::int32_t kErrorRegistryIoFailed = 1016;
constexpr std::int32_t kErrorCantResolveFilename = 1921;  // links in a loop

// Value types.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegExpandSz = 2;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;

// KEY_READ | KEY_WRITE, the access every writer asks for.
constexpr std::uint32_t kKeyReadWrite = 0x2001Fu;

class Registry {
 public:
  virtual ~Registry() = default;

  // Creates every missing key along the backslash-separated path below
  // parent and opens the last one; opening an existing key is success too.
  virtual std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                                 std::uint32_t access, RegHandle* key) = 0;

  // Creates or replaces the named value of an open key.
  virtual std::int32_t SetValue(RegHandle key, const char16_t* name,
                                std::uint32_t type, const void* data,
                                std::uint32_t size) = 0;

  virtual std::int32_t CloseKey(RegHandle key) = 0;

  // Makes the store ready for the install pass; called once, before the
  // pass's first call. `directory` is the program's own directory (with
  // its last separator), where a store that is a file lies. The real
  // registry needs nothing.
  virtual std::int32_t Load(const char16_t* directory) {
    (void)directory;
    return kErrorSuccess;
  }

  // Makes what the run wrote last beyond it; called once, after the
  // install pass. The real registry keeps every change as it is made.
  virtual std::int32_t Save() { return kErrorSuccess; }
};

}  // namespace tarnwell
