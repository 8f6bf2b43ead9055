// Only generic POSIX code here: the platform services of the host build.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Platform.h"
#include "platform/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/NativePath.h"

namespace tarnwell::platform {
namespace {

class FdByteSource : public ByteSource {
 public:
  explicit FdByteSource(int fd) : fd_(fd) {}
  ~FdByteSource() override { close(fd_); }

  Status Read(char* buffer, std::size_t capacity,
              std::size_t* count) override {
    *count = 0;
    for (;;) {
      ssize_t n = read(fd_, buffer, capacity);
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

}  // namespace

std::uint32_t ModuleFileName(char16_t* buffer, std::uint32_t capacity,
                             std::int32_t* error) {
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
}

char16_t PathSeparator() { return u'/'; }

void ShowMessageBox(const char16_t* text, const char16_t* caption,
                    std::uint32_t style) {
  std::string line = posix::WideToNative(caption);
  line += ": ";
  line += posix::WideToNative(text);
  line += '\n';
  // The error icon goes with the error stream.
  std::FILE* stream = (style & 0xF0) == 0x10 ? stderr : stdout;
  std::fputs(line.c_str(), stream);
  std::fflush(stream);
}

void ComInitialize() {}
void ComUninitialize() {}

std::unique_ptr<ByteSource> OpenFileForReading(const char16_t* path,
                                               std::int32_t* error) {
  std::string native = posix::WideToNative(path);
  // Non-blocking, so that a FIFO without a writer cannot hang the run.
  int fd = open(native.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = posix::WindowsError(errno);
    return nullptr;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = kErrorAccessDenied;
    close(fd);
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return std::make_unique<FdByteSource>(fd);
}

}  // namespace tarnwell::platform
