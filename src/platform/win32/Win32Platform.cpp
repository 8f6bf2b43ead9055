// The platform services of the Windows build. Only wide (W) calls that
// Windows CE offers as well: no console, no ANSI calls, no C runtime files.
#include <windows.h>

#include <new>

#include "platform/Platform.h"
#include "platform/Registry.h"

namespace tarnwell::platform {
namespace {

static_assert(sizeof(wchar_t) == sizeof(char16_t),
              "Windows wide text is UTF-16, as the core's");

const wchar_t* Wide(const char16_t* text) {
  return reinterpret_cast<const wchar_t*>(text);
}

std::int32_t LastError() {
  DWORD error = GetLastError();
  // A failure that gives no reason is still a failure.
  return error != ERROR_SUCCESS ? static_cast<std::int32_t>(error)
                                : kErrorRegistryIoFailed;
}

// The file's bytes as they are: ReadFile knows no text mode, so a Ctrl-Z
// byte is data like any other.
class HandleByteSource : public ByteSource {
 public:
  explicit HandleByteSource(HANDLE file) : file_(file) {}
  ~HandleByteSource() override { CloseHandle(file_); }

  HandleByteSource(const HandleByteSource&) = delete;
  HandleByteSource& operator=(const HandleByteSource&) = delete;

  Status Read(char* buffer, std::size_t capacity,
              std::size_t* count) override {
    *count = 0;
    DWORD wanted = capacity > 0x10000 ? 0x10000 : static_cast<DWORD>(capacity);
    DWORD got = 0;
    if (!ReadFile(file_, buffer, wanted, &got, nullptr)) return Status::kError;
    if (got == 0) return Status::kEnd;
    *count = got;
    return Status::kData;
  }

 private:
  HANDLE file_;
};

}  // namespace

std::uint32_t ModuleFileName(char16_t* buffer, std::uint32_t capacity,
                             std::int32_t* error) {
  SetLastError(ERROR_SUCCESS);
  DWORD length =
      GetModuleFileNameW(nullptr, reinterpret_cast<wchar_t*>(buffer), capacity);
  if (length == 0) {
    *error = LastError();
    return 0;
  }
  // A result that fills the whole buffer is a cut path: Windows XP and CE
  // do not even say so through GetLastError.
  if (length >= capacity) {
    *error = kErrorInsufficientBuffer;
    return 0;
  }
  return length;
}

char16_t PathSeparator() { return u'\\'; }

void ShowMessageBox(const char16_t* text, const char16_t* caption,
                    std::uint32_t style) {
  MessageBoxW(nullptr, Wide(text), Wide(caption), style);
}

void ComInitialize() { CoInitializeEx(nullptr, 0); }

void ComUninitialize() { CoUninitialize(); }

std::unique_ptr<ByteSource> OpenFileForReading(const char16_t* path,
                                               std::int32_t* error) {
  DWORD attributes = GetFileAttributesW(Wide(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    *error = LastError();
    return nullptr;
  }
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    *error = kErrorAccessDenied;
    return nullptr;
  }
  HANDLE file = CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    *error = LastError();
    return nullptr;
  }
  std::unique_ptr<ByteSource> source(new (std::nothrow) HandleByteSource(file));
  if (!source) {
    CloseHandle(file);
    *error = kErrorNotEnoughMemory;
  }
  return source;
}

}  // namespace tarnwell::platform
