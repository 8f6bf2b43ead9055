// The platform services of the Windows build. Only wide (W) calls that
// Windows CE offers as well (wince5_api.txt lists what we may call): no
// console, no ANSI calls, no C runtime files. The one call that differs is
// the look-up of COM's functions; see FindExport.
#include <windows.h>

#include <new>

#include "platform/Platform.h"
#include "regstore/Registry.h"

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

// Windows CE names exports by wide text only (GetProcAddressW); desktop
// Windows by 8-bit text only (GetProcAddress). Names here are ASCII.
#ifdef _WIN32_WCE
FARPROC FindExport(HMODULE module, const char* name) {
  wchar_t wide[32];
  std::size_t i = 0;
  for (; name[i] != '\0' && i + 1 < sizeof wide / sizeof wide[0]; ++i) {
    wide[i] = static_cast<unsigned char>(name[i]);
  }
  if (name[i] != '\0') return nullptr;  // longer than any name we look up
  wide[i] = L'\0';
  return GetProcAddressW(module, wide);
}
#else
FARPROC FindExport(HMODULE module, const char* name) {
  return GetProcAddress(module, name);
}
#endif

// A function pointer from an export, through void (*)(), the type that
// converts to any other without a warning.
template <typename Function>
Function ExportAs(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(
      reinterpret_cast<void (*)()>(FindExport(module, name)));
}

// COM is loaded when the run starts rather than imported: a device image
// may have no ole32, and the program must start all the same. Once loaded,
// ole32 stays until the process ends, as an imported DLL would.
using CoUninitializeFunction = void(WINAPI*)();
CoUninitializeFunction g_co_uninitialize = nullptr;

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
  // A path that fills the buffer may have been cut: Windows XP cuts it to
  // the whole buffer without a NUL, and CE's page says only "truncated",
  // which may leave the last unit to a NUL. Neither says so through
  // GetLastError, and a cut path names some ancestor directory, where
  // another usbcdc.cfg may lie. So a path that takes every unit but the
  // NUL's is refused as well.
  if (length + 1 >= capacity) {
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

void ComInitialize() {
  HMODULE ole32 = LoadLibraryW(L"ole32.dll");
  if (ole32 == nullptr) return;
  using CoInitializeExFunction = HRESULT(WINAPI*)(LPVOID, DWORD);
  auto initialize = ExportAs<CoInitializeExFunction>(ole32, "CoInitializeEx");
  auto uninitialize = ExportAs<CoUninitializeFunction>(ole32, "CoUninitialize");
  if (initialize == nullptr || uninitialize == nullptr) return;
  // The multithreaded apartment; the result changes nothing in the run.
  initialize(nullptr, 0);
  g_co_uninitialize = uninitialize;
}

void ComUninitialize() {
  if (g_co_uninitialize == nullptr) return;
  g_co_uninitialize();
  g_co_uninitialize = nullptr;
}

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
