// The coredll functions the image imports, each doing what Windows CE 5.0's
// reference says it does, over this machine: the registry calls over the
// host build's registry.reg (so that both runs leave the same bytes), the
// file calls over the Linux file a Windows path names, the message box as
// the host build's line. What no stand-in knows ends the run with its name.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Loader.h"
#include "platform/Platform.h"
#include "platform/posix/Errors.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/NativePath.h"

namespace {

constexpr std::uint32_t kInvalidHandle = 0xFFFFFFFFu;  // INVALID_HANDLE_VALUE
constexpr std::uint32_t kErrorModNotFound = 126;
constexpr std::uint32_t kErrorProcNotFound = 127;
constexpr std::uint32_t kOle32 = 0x7E320000u;  // ole32's HMODULE here

// A call's arguments: r0-r3, then the caller's stack, 4 bytes each.
class Args {
 public:
  explicit Args(const CeCall& call) : call_(call) {}
  std::uint32_t operator[](unsigned i) const {
    if (i < 4) return call_.r[i];
    return reinterpret_cast<const std::uint32_t*>(call_.sp)[i - 4];
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

struct StandIn {
  const char* dll;
  const char* name;
  std::uint32_t (*call)(const Args&);
};

struct Binding {
  std::string dll, name;
  const StandIn* stand_in;  // null: no stand-in knows it
};

ce::World g_world;
std::vector<Binding> g_bindings;
const char* g_last_import = "(none)";
std::uint32_t g_last_return = 0;
std::uint32_t g_last_error = 0;

tarnwell::posix::FileRegistry g_registry;
bool g_registry_loaded = false;
std::int32_t g_load_result = 0;
std::map<std::uint32_t, int> g_files;  // handle -> descriptor
std::uint32_t g_next_file = 0x100;
std::set<std::uintptr_t> g_blocks;  // what malloc gave and free did not take

// The order of COM against the run's own calls.
unsigned g_sequence = 0, g_first_work = 0, g_last_work = 0;
unsigned g_com_started = 0, g_com_ended = 0, g_com_starts = 0, g_com_ends = 0;
bool g_com_arguments_ok = true;
void Work() {
  ++g_sequence;
  if (g_first_work == 0) g_first_work = g_sequence;
  g_last_work = g_sequence;
}

[[noreturn]] void Unmodelled(const char* what) {
  std::fprintf(stderr, "ce_loader: %s: %s, which no stand-in models\n", g_last_import, what);
  std::exit(ce::kExitUnknownImport);
}

std::u16string Wide(const char16_t* text) { return text != nullptr ? text : u""; }

// The Windows form of a Linux path and back: '/' and '\' swapped, no drive.
std::u16string WindowsPath(const std::string& native) {
  std::u16string path = tarnwell::posix::NativeToWide(native);
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
  return path;
}
std::string NativePath(const char16_t* windows) {
  std::u16string path = Wide(windows);
  for (char16_t& c : path) {
    if (c == u'\\') c = u'/';
  }
  return tarnwell::posix::WideToNative(path);
}

std::uint32_t Fail(std::int32_t error, std::uint32_t result = 0) {
  g_last_error = static_cast<std::uint32_t>(error);
  return result;
}

// --- Registry: the host's store, loaded from the image's directory at the
// first call, as the host build loads it before its first write.
std::int32_t LoadRegistry() {
  if (!g_registry_loaded) {
    g_registry_loaded = true;
    std::string directory = g_world.image_path.substr(0, g_world.image_path.rfind('/') + 1);
    g_load_result = g_registry.Load(tarnwell::posix::NativeToWide(directory).c_str());
  }
  return g_load_result;
}

std::uint32_t RegCreateKeyExW(const Args& a) {
  Work();
  // hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired,
  // lpSecurityAttributes, phkResult, lpdwDisposition
  if (a[6] != 0) Unmodelled("security attributes (CE: set to NULL)");
  if (a[8] != 0) Unmodelled("a disposition asked for");
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
  Work();
  // hKey, lpValueName, Reserved, dwType, lpData, cbData
  if (a[2] != 0) return tarnwell::kErrorInvalidParameter;
  std::int32_t error = LoadRegistry();
  if (error != tarnwell::kErrorSuccess) return static_cast<std::uint32_t>(error);
  return static_cast<std::uint32_t>(g_registry.SetValue(
      a[0], a.Pointer<const char16_t>(1), a[3], a.Pointer<const void>(4), a[5]));
}

std::uint32_t RegCloseKey(const Args& a) {
  Work();
  return static_cast<std::uint32_t>(g_registry.CloseKey(a[0]));
}

// --- Modules and errors.
std::uint32_t GetModuleFileNameW(const Args& a) {
  Work();
  // hModule (null or the image: the process's own file), lpFilename, nSize
  if (a[0] != 0 && a[0] != g_world.image_base) return Fail(tarnwell::kErrorInvalidHandle);
  const std::u16string path = WindowsPath(g_world.image_path);
  auto* buffer = a.Pointer<char16_t>(1);
  const std::uint32_t size = a[2];
  if (path.size() < size) {
    std::memcpy(buffer, path.c_str(), (path.size() + 1) * sizeof(char16_t));
    return static_cast<std::uint32_t>(path.size());
  }
  // "The string is truncated": nSize units as the desktop's older systems
  // cut, or (CE_MODULE_NAME_CUT=nul) nSize - 1 units and a NUL.
  if (size == 0) return 0;
  const std::uint32_t kept = g_world.module_name_cut_nul ? size - 1 : size;
  std::memcpy(buffer, path.data(), kept * sizeof(char16_t));
  if (kept < size) buffer[kept] = u'\0';
  return kept;
}

std::uint32_t GetLastError(const Args&) { return g_last_error; }
std::uint32_t SetLastError(const Args& a) {
  g_last_error = a[0];
  return 0;
}

// --- Files: GENERIC_READ and OPEN_EXISTING only, as the installer reads.
std::uint32_t GetFileAttributesW(const Args& a) {
  Work();
  struct stat st;
  if (stat(NativePath(a.Pointer<const char16_t>(0)).c_str(), &st) != 0) {
    return Fail(tarnwell::posix::WindowsError(errno), 0xFFFFFFFFu);
  }
  return S_ISDIR(st.st_mode) ? 0x10u /* DIRECTORY */ : 0x80u /* NORMAL */;
}

std::uint32_t CreateFileW(const Args& a) {
  Work();
  // lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
  // dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile
  if (a[1] != 0x80000000u || a[4] != 3) Unmodelled("access other than GENERIC_READ, OPEN_EXISTING");
  if (a[3] != 0 || a[6] != 0) Unmodelled("security attributes or a template");
  int fd = open(NativePath(a.Pointer<const char16_t>(0)).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Fail(tarnwell::posix::WindowsError(errno), kInvalidHandle);
  struct stat st;
  // A directory is no file to CreateFile.
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return Fail(tarnwell::kErrorAccessDenied, kInvalidHandle);
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  g_next_file += 4;
  g_files[g_next_file] = fd;
  return g_next_file;
}

std::uint32_t ReadFile(const Args& a) {
  Work();
  // hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped
  if (a[4] != 0) Unmodelled("overlapped reading (CE: set to NULL)");
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
  Work();
  auto file = g_files.find(a[0]);
  if (file == g_files.end()) return Fail(tarnwell::kErrorInvalidHandle);
  close(file->second);
  g_files.erase(file);
  return 1;
}

// --- The message box: the host build's line, and what the box was.
std::uint32_t MessageBoxW(const Args& a) {
  Work();
  const std::u16string text = Wide(a.Pointer<const char16_t>(1));
  const std::u16string caption = Wide(a.Pointer<const char16_t>(2));
  std::fprintf(stderr, "ce_loader: MessageBoxW owner 0x%x style 0x%x: %s: %s\n", a[0], a[3],
               tarnwell::posix::WideToNative(caption).c_str(),
               tarnwell::posix::WideToNative(text).c_str());
  tarnwell::platform::ShowMessageBox(text.c_str(), caption.c_str(), a[3]);
  return 1;  // IDOK
}

// --- COM, loaded at run time. Module names are file names, in any case;
// export names are exact.
bool SameName(const char16_t* wide, const char* name, bool any_case) {
  auto fold = [any_case](int c) { return any_case ? std::tolower(c) : c; };
  for (; *name != '\0'; ++wide, ++name) {
    if (*wide == u'\0' || *wide > 0x7F) return false;
    if (fold(*wide) != fold(static_cast<unsigned char>(*name))) return false;
  }
  return *wide == u'\0';
}

std::uint32_t LoadLibraryW(const Args& a) {
  const auto* name = a.Pointer<const char16_t>(0);
  if (g_world.without_ole32 || name == nullptr ||
      !(SameName(name, "ole32.dll", true) || SameName(name, "ole32", true))) {
    return Fail(kErrorModNotFound);
  }
  return kOle32;
}

std::uint32_t GetProcAddressW(const Args& a) {
  if (a[0] != kOle32) return Fail(tarnwell::kErrorInvalidHandle);
  if (a[1] < 0x10000) Unmodelled("a look-up by ordinal");
  for (const char* name : {"CoInitializeEx", "CoUninitialize"}) {
    if (SameName(a.Pointer<const char16_t>(1), name, false)) return ce::Bind("ole32.dll", name);
  }
  return Fail(kErrorProcNotFound);
}

std::uint32_t CoInitializeEx(const Args& a) {
  g_com_started = ++g_sequence;
  ++g_com_starts;
  if (a[0] != 0 || a[1] != 0) g_com_arguments_ok = false;
  return 0;  // S_OK
}

std::uint32_t CoUninitialize(const Args&) {
  g_com_ended = ++g_sequence;
  ++g_com_ends;
  return 0;
}

// --- The C run-time functions of the core library.
unsigned g_mallocs = 0;
std::uint32_t Malloc(const Args& a) {
  const unsigned n = ++g_mallocs, failing = g_world.failing_malloc;
  if (failing != 0 && (n == failing || (n > failing && g_world.malloc_fails_on))) {
    std::fprintf(stderr, "ce_loader: malloc %u fails\n", n);
    return Fail(tarnwell::kErrorNotEnoughMemory);
  }
  void* block = std::malloc(a[0]);
  if (block != nullptr) g_blocks.insert(reinterpret_cast<std::uintptr_t>(block));
  return Address(block);
}
std::uint32_t Free(const Args& a) {
  void* block = a.Pointer<void>(0);
  if (block == nullptr) return 0;
  if (g_blocks.erase(reinterpret_cast<std::uintptr_t>(block)) == 0) {
    std::fprintf(stderr, "ce_loader: free(0x%x) of no block malloc gave\n", a[0]);
    std::exit(ce::kExitBrokenRule);
  }
  std::free(block);
  return 0;
}
std::uint32_t Memchr(const Args& a) {
  return Address(std::memchr(a.Pointer<const void>(0), static_cast<int>(a[1]), a[2]));
}
std::uint32_t Memcmp(const Args& a) {
  return static_cast<std::uint32_t>(std::memcmp(a.Pointer<const void>(0), a.Pointer<const void>(1), a[2]));
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

const StandIn kStandIns[] = {
    {"coredll.dll", "RegCreateKeyExW", RegCreateKeyExW},
    {"coredll.dll", "RegSetValueExW", RegSetValueExW},
    {"coredll.dll", "RegCloseKey", RegCloseKey},
    {"coredll.dll", "GetModuleFileNameW", GetModuleFileNameW},
    {"coredll.dll", "GetLastError", GetLastError},
    {"coredll.dll", "SetLastError", SetLastError},
    {"coredll.dll", "GetFileAttributesW", GetFileAttributesW},
    {"coredll.dll", "CreateFileW", CreateFileW},
    {"coredll.dll", "ReadFile", ReadFile},
    {"coredll.dll", "CloseHandle", CloseHandle},
    {"coredll.dll", "MessageBoxW", MessageBoxW},
    {"coredll.dll", "LoadLibraryW", LoadLibraryW},
    {"coredll.dll", "GetProcAddressW", GetProcAddressW},
    {"coredll.dll", "malloc", Malloc},
    {"coredll.dll", "free", Free},
    {"coredll.dll", "memchr", Memchr},
    {"coredll.dll", "memcmp", Memcmp},
    {"coredll.dll", "memcpy", Memcpy},
    {"coredll.dll", "memset", Memset},
    {"coredll.dll", "strlen", Strlen},
    {"ole32.dll", "CoInitializeEx", CoInitializeEx},
    {"ole32.dll", "CoUninitialize", CoUninitialize},
};

}  // namespace

namespace ce {

std::uint32_t TrampolineAddress(std::uint32_t index) {
  return Address(ce_trampolines + 16 * index);
}

std::uint32_t Bind(const std::string& dll, const std::string& name) {
  for (std::uint32_t i = 0; i < g_bindings.size(); ++i) {
    if (g_bindings[i].dll == dll && g_bindings[i].name == name) return TrampolineAddress(i);
  }
  if (g_bindings.size() == kTrampolineCount) return 0;
  const StandIn* found = nullptr;
  for (const StandIn& stand_in : kStandIns) {
    if (dll == stand_in.dll && name == stand_in.name) found = &stand_in;
  }
  g_bindings.push_back({dll, name, found});
  return TrampolineAddress(static_cast<std::uint32_t>(g_bindings.size() - 1));
}

void SetWorld(const World& world) { g_world = world; }

const char* LastImport() { return g_last_import; }
std::uint32_t LastImportReturn() { return g_last_return; }

bool FinishRun() {
  bool sound = true;
  auto broken = [&sound](const char* what, std::size_t count) {
    if (count == 0) return;
    std::fprintf(stderr, "ce_loader: the run left %zu %s\n", count, what);
    sound = false;
  };
  if (g_registry_loaded && g_load_result == tarnwell::kErrorSuccess) {
    broken("registry keys open", g_registry.OpenKeyCount());
    if (g_registry.Save() != tarnwell::kErrorSuccess) {
      std::fprintf(stderr, "ce_loader: registry.reg could not be saved\n");
      sound = false;
    }
  }
  broken("files open", g_files.size());
  broken("heap blocks allocated", g_blocks.size());
  if (g_world.without_ole32) {
    broken("COM calls without ole32", g_com_starts + g_com_ends);
  } else if (g_com_starts != 1 || g_com_ends != 1 || !g_com_arguments_ok ||
             g_com_started > g_first_work || g_com_ended < g_last_work) {
    std::fprintf(stderr,
                 "ce_loader: COM not started once with (NULL, 0) before the run and ended "
                 "once after it (%u starts, %u ends)\n", g_com_starts, g_com_ends);
    sound = false;
  } else {
    std::fprintf(stderr, "ce_loader: COM started with (NULL, 0) before the run, ended after\n");
  }
  return sound;
}

}  // namespace ce

extern "C" std::uint32_t ce_dispatch(const CeCall* call, std::uint32_t index) {
  const Binding& binding = g_bindings.at(index);
  g_last_import = binding.name.c_str();
  g_last_return = call->lr;
  if (binding.stand_in == nullptr) {
    std::fprintf(stderr, "ce_loader: the image called %s!%s, which no stand-in knows (lr=0x%x)\n",
                 binding.dll.c_str(), binding.name.c_str(), call->lr);
    std::exit(ce::kExitUnknownImport);
  }
  return binding.stand_in->call(Args(*call));
}
