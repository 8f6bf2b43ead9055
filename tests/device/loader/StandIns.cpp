// The coredll functions the image imports, each doing what Windows CE 5.0's
// reference says it does, over this machine: the registry calls over the
// host build's registry.reg (so that both runs leave the same bytes), the
// file calls over the Linux file a Windows path names, the message box as
// the host build's line. What no stand-in knows ends the run with its name.
//
// Environment: CE_WITHOUT_OLE32=1 (LoadLibraryW("ole32.dll") fails) and
// CE_MODULE_NAME_CUT=nul (GetModuleFileNameW's other reading of a cut).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Loader.h"
#include "platform/Platform.h"
#include "platform/posix/Errors.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/NativePath.h"

namespace {

constexpr std::uint32_t kInvalidHandle = 0xFFFFFFFFu;  // INVALID_HANDLE_VALUE
constexpr std::uint32_t kOle32 = 0x7E320000u;          // ole32's HMODULE here

// A call's arguments: r0-r3, then the caller's stack, 4 bytes each.
class Args {
 public:
  explicit Args(const CeCall& call) : call_(call) {}
  std::uint32_t operator[](unsigned i) const {
    return i < 4 ? call_.r[i] : reinterpret_cast<const std::uint32_t*>(call_.sp)[i - 4];
  }
  template <typename T>
  T* Pointer(unsigned i) const {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>((*this)[i]));
  }

 private:
  const CeCall& call_;
};

std::uint32_t Address(const void* pointer) {
  return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}
bool Setting(const char* name, const char* value) {
  const char* set = std::getenv(name);
  return set != nullptr && std::strcmp(set, value) == 0;
}
std::u16string Wide(const char16_t* text) { return text != nullptr ? text : u""; }

std::string g_image_path;
std::uint32_t g_image_base = 0;
std::uint32_t g_last_error = 0;
tarnwell::posix::FileRegistry g_registry;
bool g_registry_loaded = false;
std::int32_t g_load_result = 0;
std::map<std::uint32_t, int> g_files;  // handle -> descriptor
std::uint32_t g_next_file = 0x100;
// COM must start before the run's own calls (the registry, files, module
// name, message box) and end after them.
unsigned g_work = 0, g_work_at_com_end = 0, g_com_starts = 0, g_com_ends = 0;
bool g_com_in_order = true;

std::uint32_t Fail(std::int32_t error, std::uint32_t result = 0) {
  g_last_error = static_cast<std::uint32_t>(error);
  return result;
}

// The Linux path that a Windows one names: '\' as '/', no drive.
std::string NativePath(const char16_t* windows) {
  std::u16string path = Wide(windows);
  for (char16_t& c : path) c = c == u'\\' ? u'/' : c;
  return tarnwell::posix::WideToNative(path);
}

// --- Registry: the host's store, loaded from the image's directory at the
// first call, as the host build loads it before its first write.
std::int32_t LoadRegistry() {
  if (!g_registry_loaded) {
    g_registry_loaded = true;
    const std::string directory = g_image_path.substr(0, g_image_path.rfind('/') + 1);
    g_load_result = g_registry.Load(tarnwell::posix::NativeToWide(directory).c_str());
  }
  return g_load_result;
}

std::uint32_t RegCreateKeyExW(const Args& a) {
  // hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired,
  // lpSecurityAttributes, phkResult, lpdwDisposition
  if (a[6] != 0 || a[8] != 0) ce::Refuse("RegCreateKeyExW with security attributes or disposition");
  auto* result = a.Pointer<std::uint32_t>(7);
  if (a[2] != 0 || result == nullptr) return tarnwell::kErrorInvalidParameter;
  std::int32_t error = LoadRegistry();
  tarnwell::RegHandle key = 0;
  if (error == tarnwell::kErrorSuccess) {
    error = g_registry.CreateKey(a[0], a.Pointer<const char16_t>(1), a[5], &key);
  }
  *result = static_cast<std::uint32_t>(key);
  return static_cast<std::uint32_t>(error);
}

std::uint32_t RegSetValueExW(const Args& a) {
  // hKey, lpValueName, Reserved, dwType, lpData, cbData
  if (a[2] != 0) return tarnwell::kErrorInvalidParameter;
  std::int32_t error = LoadRegistry();
  if (error == tarnwell::kErrorSuccess) {
    error = g_registry.SetValue(a[0], a.Pointer<const char16_t>(1), a[3], a.Pointer<const void>(4),
                                a[5]);
  }
  return static_cast<std::uint32_t>(error);
}

std::uint32_t RegCloseKey(const Args& a) {
  return static_cast<std::uint32_t>(g_registry.CloseKey(a[0]));
}

std::uint32_t GetModuleFileNameW(const Args& a) {
  // hModule (null or the image: the process's own file), lpFilename, nSize
  if (a[0] != 0 && a[0] != g_image_base) return Fail(tarnwell::kErrorInvalidHandle);
  std::u16string path = tarnwell::posix::NativeToWide(g_image_path);
  for (char16_t& c : path) c = c == u'/' ? u'\\' : c;
  auto* buffer = a.Pointer<char16_t>(1);
  const std::uint32_t size = a[2];
  if (path.size() < size) {
    std::memcpy(buffer, path.c_str(), (path.size() + 1) * sizeof(char16_t));
    return static_cast<std::uint32_t>(path.size());
  }
  // "The string is truncated": to nSize units, as the desktop's older
  // systems cut, or (CE_MODULE_NAME_CUT=nul) to nSize - 1 and a NUL.
  if (size == 0) return 0;
  const std::uint32_t kept = Setting("CE_MODULE_NAME_CUT", "nul") ? size - 1 : size;
  std::memcpy(buffer, path.data(), kept * sizeof(char16_t));
  if (kept < size) buffer[kept] = u'\0';
  return kept;
}

std::uint32_t GetLastError(const Args&) { return g_last_error; }
std::uint32_t SetLastError(const Args& a) { return Fail(static_cast<std::int32_t>(a[0])); }

// --- Files: GENERIC_READ and OPEN_EXISTING only, as the installer reads.
std::uint32_t GetFileAttributesW(const Args& a) {
  struct stat st;
  if (stat(NativePath(a.Pointer<const char16_t>(0)).c_str(), &st) != 0) {
    return Fail(tarnwell::posix::WindowsError(errno), 0xFFFFFFFFu);
  }
  return S_ISDIR(st.st_mode) ? 0x10u /* DIRECTORY */ : 0x80u /* NORMAL */;
}

std::uint32_t CreateFileW(const Args& a) {
  // lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
  // dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile
  if (a[1] != 0x80000000u || a[4] != 3 || a[3] != 0 || a[6] != 0) {
    ce::Refuse("CreateFileW other than GENERIC_READ, OPEN_EXISTING, no security or template");
  }
  const int fd = open(NativePath(a.Pointer<const char16_t>(0)).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(tarnwell::posix::WindowsError(errno), kInvalidHandle);
  struct stat st;
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {  // a directory is no file to CreateFile
    close(fd);
    return Fail(tarnwell::kErrorAccessDenied, kInvalidHandle);
  }
  g_next_file += 4;
  g_files[g_next_file] = fd;
  return g_next_file;
}

std::uint32_t ReadFile(const Args& a) {
  // hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped
  if (a[4] != 0) ce::Refuse("ReadFile overlapped (CE: set to NULL)");
  auto* count = a.Pointer<std::uint32_t>(3);
  if (count != nullptr) *count = 0;
  auto file = g_files.find(a[0]);
  if (file == g_files.end()) return Fail(tarnwell::kErrorInvalidHandle);
  ssize_t got;
  do {
    got = read(file->second, a.Pointer<void>(1), a[2]);
  } while (got < 0 && errno == EINTR);
  if (got < 0) return Fail(tarnwell::posix::WindowsError(errno));
  if (count != nullptr) *count = static_cast<std::uint32_t>(got);
  return 1;
}

std::uint32_t CloseHandle(const Args& a) {
  auto file = g_files.find(a[0]);
  if (file == g_files.end()) return Fail(tarnwell::kErrorInvalidHandle);
  close(file->second);
  g_files.erase(file);
  return 1;
}

// The host build's line. No owner, and MB_OK with the error or the
// information icon: the stream the host picks shows which.
std::uint32_t MessageBoxW(const Args& a) {
  if (a[0] != 0 || (a[3] != 0x10 && a[3] != 0x40)) {
    ce::Refuse("MessageBoxW with owner 0x%x, style 0x%x", a[0], a[3]);
  }
  tarnwell::platform::ShowMessageBox(a.Pointer<const char16_t>(1), a.Pointer<const char16_t>(2),
                                     a[3]);
  return 1;  // IDOK
}

// --- COM, loaded at run time. Module names are file names, in any case;
// export names are exact.
bool SameName(const char16_t* wide, const char* name, bool any_case) {
  auto fold = [any_case](int c) { return any_case ? std::tolower(c) : c; };
  for (; *name != '\0'; ++wide, ++name) {
    if (*wide == u'\0' || *wide > 0x7F || fold(*wide) != fold(static_cast<unsigned char>(*name))) {
      return false;
    }
  }
  return *wide == u'\0';
}

std::uint32_t LoadLibraryW(const Args& a) {
  const auto* name = a.Pointer<const char16_t>(0);
  if (Setting("CE_WITHOUT_OLE32", "1") || name == nullptr ||
      !(SameName(name, "ole32.dll", true) || SameName(name, "ole32", true))) {
    return Fail(126);  // ERROR_MOD_NOT_FOUND
  }
  return kOle32;
}

std::uint32_t GetProcAddressW(const Args& a) {
  if (a[0] != kOle32) return Fail(tarnwell::kErrorInvalidHandle);
  if (a[1] < 0x10000) ce::Refuse("GetProcAddressW by ordinal");
  for (const char* name : {"CoInitializeEx", "CoUninitialize"}) {
    if (SameName(a.Pointer<const char16_t>(1), name, false)) return ce::Bind("ole32.dll", name);
  }
  return Fail(127);  // ERROR_PROC_NOT_FOUND
}

std::uint32_t CoInitializeEx(const Args& a) {
  if (a[0] != 0 || a[1] != 0 || g_work != 0) g_com_in_order = false;
  ++g_com_starts;
  return 0;  // S_OK
}

std::uint32_t CoUninitialize(const Args&) {
  g_work_at_com_end = g_work;
  ++g_com_ends;
  return 0;
}

// --- The C run-time functions of the core library.
std::uint32_t Malloc(const Args& a) { return Address(std::malloc(a[0])); }
std::uint32_t Free(const Args& a) {
  std::free(a.Pointer<void>(0));
  return 0;
}
std::uint32_t Memchr(const Args& a) {
  return Address(std::memchr(a.Pointer<const void>(0), static_cast<int>(a[1]), a[2]));
}
std::uint32_t Memcmp(const Args& a) {
  return static_cast<std::uint32_t>(
      std::memcmp(a.Pointer<const void>(0), a.Pointer<const void>(1), a[2]));
}
std::uint32_t Memcpy(const Args& a) {
  return Address(std::memcpy(a.Pointer<void>(0), a.Pointer<const void>(1), a[2]));
}
std::uint32_t Memset(const Args& a) {
  return Address(std::memset(a.Pointer<void>(0), static_cast<int>(a[1]), a[2]));
}
std::uint32_t Strlen(const Args& a) {
  return static_cast<std::uint32_t>(std::strlen(a.Pointer<const char>(0)));
}

struct StandIn {
  const char* dll;
  const char* name;
  std::uint32_t (*call)(const Args&);
  bool work;  // one of the run's own calls, which COM must enclose
};
const StandIn kStandIns[] = {
    {"coredll.dll", "RegCreateKeyExW", RegCreateKeyExW, true},
    {"coredll.dll", "RegSetValueExW", RegSetValueExW, true},
    {"coredll.dll", "RegCloseKey", RegCloseKey, true},
    {"coredll.dll", "GetModuleFileNameW", GetModuleFileNameW, true},
    {"coredll.dll", "GetLastError", GetLastError, false},
    {"coredll.dll", "SetLastError", SetLastError, false},
    {"coredll.dll", "GetFileAttributesW", GetFileAttributesW, true},
    {"coredll.dll", "CreateFileW", CreateFileW, true},
    {"coredll.dll", "ReadFile", ReadFile, true},
    {"coredll.dll", "CloseHandle", CloseHandle, true},
    {"coredll.dll", "MessageBoxW", MessageBoxW, true},
    {"coredll.dll", "LoadLibraryW", LoadLibraryW, false},
    {"coredll.dll", "GetProcAddressW", GetProcAddressW, false},
    {"coredll.dll", "malloc", Malloc, false},
    {"coredll.dll", "free", Free, false},
    {"coredll.dll", "memchr", Memchr, false},
    {"coredll.dll", "memcmp", Memcmp, false},
    {"coredll.dll", "memcpy", Memcpy, false},
    {"coredll.dll", "memset", Memset, false},
    {"coredll.dll", "strlen", Strlen, false},
    {"ole32.dll", "CoInitializeEx", CoInitializeEx, false},
    {"ole32.dll", "CoUninitialize", CoUninitialize, false},
};

struct Binding {
  std::string dll, name;
  const StandIn* stand_in;  // null: no stand-in knows it
};
std::vector<Binding> g_bindings;  // trampoline i calls g_bindings[i]

}  // namespace

std::uint32_t ce::Bind(const std::string& dll, const std::string& name) {
  std::uint32_t i = 0;
  while (i < g_bindings.size() && (g_bindings[i].dll != dll || g_bindings[i].name != name)) ++i;
  if (i == g_bindings.size()) {
    if (i == 64) Refuse("more imports than trampolines");
    const StandIn* found = nullptr;
    for (const StandIn& s : kStandIns) found = dll == s.dll && name == s.name ? &s : found;
    g_bindings.push_back({dll, name, found});
  }
  return Address(ce_trampolines + 16 * i);
}

void ce::SetImage(const std::string& path, std::uint32_t base) {
  g_image_path = path;
  g_image_base = base;
}

bool ce::FinishRun() {
  bool sound = true;
  if (g_registry_loaded && g_load_result == tarnwell::kErrorSuccess &&
      g_registry.Save() != tarnwell::kErrorSuccess) {
    std::fprintf(stderr, "ce_loader: registry.reg could not be saved\n");
    sound = false;
  }
  // Without ole32, GetProcAddressW cannot give COM's functions at all.
  if (!Setting("CE_WITHOUT_OLE32", "1") &&
      (g_com_starts != 1 || g_com_ends != 1 || !g_com_in_order || g_work_at_com_end != g_work)) {
    std::fprintf(stderr,
                 "ce_loader: COM not started once with (NULL, 0) before the run's calls and ended "
                 "once after them (%u starts, %u ends)\n",
                 g_com_starts, g_com_ends);
    sound = false;
  }
  return sound;
}

extern "C" std::uint32_t ce_dispatch(const CeCall* call, std::uint32_t index) {
  const Binding& binding = g_bindings.at(index);
  if (binding.stand_in == nullptr) {
    ce::Refuse("the image called %s!%s, which no stand-in knows (lr=0x%x)", binding.dll.c_str(),
               binding.name.c_str(), call->lr);
  }
  if (binding.stand_in->work) ++g_work;
  return binding.stand_in->call(Args(*call));
}
