// Only generic POSIX code here: the platform services of the host build.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "platform/Platform.h"
#include "regstore/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/NativePath.h"
#include "platform/posix/PosixCalls.h"
#include "regstore/Utf.h"

namespace tarnwell::platform {
namespace {

class FdByteSource : public ByteSource {
 public:
  explicit FdByteSource(int fd) : fd_(fd) {}
  ~FdByteSource() override { posix::Calls().Close(fd_); }

  Status Read(char* buffer, std::size_t capacity,
              std::size_t* count) override {
    *count = 0;
    for (;;) {
      ssize_t n = posix::Calls().Read(fd_, buffer, capacity);
      if (n > 0) {
        *count = static_cast<std::size_t>(n);
        return Status::kData;
      }
      if (n == 0) return Status::kEnd;
      if (errno != EINTR) return Status::kError;
    }
  }

 private:
  int fd_;
};

// Appends text as UTF-8 while it fits in capacity bytes; returns the new
// length.
std::size_t AppendUtf8(char* out, std::size_t capacity, std::size_t length,
                       std::u16string_view text) {
  char bytes[4];
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = regstore::NextUtf8(text, &i, bytes);
    if (length + n > capacity) break;
    for (std::size_t k = 0; k < n; ++k) out[length++] = bytes[k];
  }
  return length;
}

}  // namespace

std::uint32_t ModuleFileName(char16_t* buffer, std::uint32_t capacity,
                             std::int32_t* error) try {
  std::string native = posix::ExecutablePath();
  if (native.empty()) {
    *error = posix::WindowsError(errno);
    return 0;
  }
  std::u16string wide = posix::NativeToWide(native);
  if (wide.size() + 1 > capacity) {
    *error = kErrorInsufficientBuffer;
    return 0;
  }
  std::memcpy(buffer, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
  return static_cast<std::uint32_t>(wide.size());
} catch (const std::bad_alloc&) {
  // The core takes no exceptions: running out of memory is a value.
  *error = kErrorNotEnoughMemory;
  return 0;
}

char16_t PathSeparator() { return u'/'; }

void ShowMessageBox(const char16_t* text, const char16_t* caption,
                    std::uint32_t style) {
  // Built on the stack and written straight to the descriptor: the message
  // must appear even when memory has run out.
  char line[2048];
  std::size_t length = 0;
  length = AppendUtf8(line, sizeof line - 1, length, caption);
  length = AppendUtf8(line, sizeof line - 1, length, u": ");
  length = AppendUtf8(line, sizeof line - 1, length, text);
  line[length++] = '\n';
  // The error icon goes with the error stream.
  const int fd = (style & 0xF0) == 0x10 ? STDERR_FILENO : STDOUT_FILENO;
  posix::WriteAll(fd, line, length);
}

void ComInitialize() {}
void ComUninitialize() {}

std::unique_ptr<ByteSource> OpenFileForReading(const char16_t* path,
                                               std::int32_t* error) try {
  std::string native = posix::WideToNative(path);
  // Non-blocking, so that a FIFO without a writer cannot hang the run.
  const posix::PosixCalls& calls = posix::Calls();
  int fd = calls.Openat(AT_FDCWD, native.c_str(),
                        O_RDONLY | O_NONBLOCK | O_CLOEXEC, 0);
  if (fd < 0) {
    *error = posix::WindowsError(errno);
    return nullptr;
  }
  struct stat st;
  if (calls.Fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = kErrorAccessDenied;
    calls.Close(fd);
    return nullptr;
  }
  // Reads wait for the disk from here on.
  const int flags = calls.Fcntl(fd, F_GETFL, 0);
  if (flags < 0 || calls.Fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    *error = posix::WindowsError(errno);
    calls.Close(fd);
    return nullptr;
  }
  std::unique_ptr<ByteSource> source(new (std::nothrow) FdByteSource(fd));
  if (!source) {
    calls.Close(fd);
    *error = kErrorNotEnoughMemory;
  }
  return source;
} catch (const std::bad_alloc&) {
  *error = kErrorNotEnoughMemory;
  return nullptr;
}

}  // namespace tarnwell::platform
