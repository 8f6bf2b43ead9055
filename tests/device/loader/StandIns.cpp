// The coredll functions the image imports, each doing what Windows CE 5.0's
// reference says it does, over this machine: the registry calls over the
// host build's registry.reg (so that both runs leave the same bytes), the
// file calls over the Linux file a Windows path names, the message box as
// the host build's line. What no stand-in models ends the run with its name.
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
#include <vector>

#include "Loader.h"
#include "platform/Platform.h"
#include "platform/posix/Errors.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/NativePath.h"

namespace {

using ce::u32;
constexpr u32 kInvalid = 0xFFFFFFFFu;  // INVALID_HANDLE_VALUE, INVALID_FILE_ATTRIBUTES
constexpr u32 kOle32 = 0x7E320000u;    // ole32's HMODULE here
constexpr u32 kFiles = 0x100;          // a file's handle: its descriptor + kFiles

// A call's arguments: r0-r3, then the caller's stack, 4 bytes each.
struct Args {
  const CeCall& call;
  u32 operator[](unsigned i) const {
    return i < 4 ? call.r[i] : reinterpret_cast<const u32*>(call.sp)[i - 4];
  }
  template <typename T>
  T* Ptr(unsigned i) const {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>((*this)[i]));
  }
};

u32 Word(const void* pointer) {
  return static_cast<u32>(reinterpret_cast<std::uintptr_t>(pointer));
}
bool Setting(const char* name, const char* value) {
  const char* set = std::getenv(name);
  return set != nullptr && std::strcmp(set, value) == 0;
}
// The text at a wide pointer, as ASCII (any other unit as '?'), lowered on request.
std::string Ascii(const char16_t* text, bool lower) {
  std::string ascii;
  for (; text != nullptr && *text != u'\0'; ++text) {
    ascii += *text > 0x7F ? '?' : static_cast<char>(lower ? std::tolower(*text) : *text);
  }
  return ascii;
}
// The Linux path a Windows one names: '\' as '/', no drive.
std::string NativePath(std::u16string path) {
  for (char16_t& c : path) c = c == u'\\' ? u'/' : c;
  return tarnwell::posix::WideToNative(path);
}

std::string g_path;  // the image's real path
u32 g_base = 0, g_last_error = 0;
tarnwell::posix::FileRegistry g_registry;
bool g_registry_loaded = false;
std::int32_t g_load_result = 0;
// COM must start before the run's own calls (the StandIn's work) and end after them.
unsigned g_work = 0, g_work_at_com_end = 0, g_com_starts = 0, g_com_ends = 0;
bool g_com_in_order = true;

u32 Fail(std::int32_t error, u32 result = 0) {
  g_last_error = static_cast<u32>(error);
  return result;
}

// The host's store, loaded from the image's directory at the first call,
// as the host build loads it before its first write.
std::int32_t LoadRegistry() {
  if (!g_registry_loaded) {
    g_registry_loaded = true;
    const std::string directory = g_path.substr(0, g_path.rfind('/') + 1);
    g_load_result = g_registry.Load(tarnwell::posix::NativeToWide(directory).c_str());
  }
  return g_load_result;
}

u32 RegCreateKeyExW(const Args& a) {
  // hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired,
  // lpSecurityAttributes, phkResult, lpdwDisposition
  if (a[6] != 0 || a[8] != 0) ce::Refuse("RegCreateKeyExW with security or disposition");
  if (a[2] != 0 || a[7] == 0) return tarnwell::kErrorInvalidParameter;
  std::int32_t error = LoadRegistry();
  tarnwell::RegHandle key = 0;
  if (error == tarnwell::kErrorSuccess) {
    error = g_registry.CreateKey(a[0], a.Ptr<const char16_t>(1), a[5], &key);
  }
  *a.Ptr<u32>(7) = static_cast<u32>(key);
  return static_cast<u32>(error);
}

u32 RegSetValueExW(const Args& a) {
  // hKey, lpValueName, Reserved, dwType, lpData, cbData
  if (a[2] != 0) return tarnwell::kErrorInvalidParameter;
  std::int32_t error = LoadRegistry();
  if (error == tarnwell::kErrorSuccess) {
    error = g_registry.SetValue(a[0], a.Ptr<const char16_t>(1), a[3], a.Ptr<const void>(4), a[5]);
  }
  return static_cast<u32>(error);
}

u32 GetModuleFileNameW(const Args& a) {
  // hModule (null or the image: the process's own file), lpFilename, nSize
  if (a[0] != 0 && a[0] != g_base) return Fail(tarnwell::kErrorInvalidHandle);
  std::u16string path = tarnwell::posix::NativeToWide(g_path);
  for (char16_t& c : path) c = c == u'/' ? u'\\' : c;
  const u32 size = a[2];
  // "The string is truncated": to nSize units, as the desktop's older
  // systems cut, or (CE_MODULE_NAME_CUT=nul) to nSize - 1 and a NUL.
  u32 kept = static_cast<u32>(path.size());
  if (kept >= size) kept = size > 0 && Setting("CE_MODULE_NAME_CUT", "nul") ? size - 1 : size;
  std::memcpy(a.Ptr<char16_t>(1), path.c_str(), kept * sizeof(char16_t));
  if (kept < size) a.Ptr<char16_t>(1)[kept] = u'\0';
  return kept;
}

// Files: GENERIC_READ and OPEN_EXISTING only, as the installer reads.
u32 GetFileAttributesW(const Args& a) {
  struct stat st;
  if (stat(NativePath(a.Ptr<const char16_t>(0)).c_str(), &st) != 0) {
    return Fail(tarnwell::posix::WindowsError(errno), kInvalid);
  }
  return S_ISDIR(st.st_mode) ? 0x10 /* DIRECTORY */ : 0x80 /* NORMAL */;
}

u32 CreateFileW(const Args& a) {
  // lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
  // dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile
  if (a[1] != 0x80000000u || a[3] != 0 || a[4] != 3 || a[6] != 0) {
    ce::Refuse("CreateFileW other than GENERIC_READ, OPEN_EXISTING, no security or template");
  }
  const int fd = open(NativePath(a.Ptr<const char16_t>(0)).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(tarnwell::posix::WindowsError(errno), kInvalid);
  struct stat st;
  if (fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) return kFiles + static_cast<u32>(fd);
  close(fd);  // a directory is no file to CreateFile
  return Fail(tarnwell::kErrorAccessDenied, kInvalid);
}

u32 ReadFile(const Args& a) {
  // hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped
  if (a[4] != 0) ce::Refuse("ReadFile overlapped (CE: set to NULL)");
  const ssize_t got = read(static_cast<int>(a[0] - kFiles), a.Ptr<void>(1), a[2]);
  if (a[3] != 0) *a.Ptr<u32>(3) = got < 0 ? 0 : static_cast<u32>(got);
  return got < 0 ? Fail(tarnwell::posix::WindowsError(errno)) : 1;
}

// The host build's line, for no owner and MB_OK with the error or the
// information icon (the stream the host picks shows which).
u32 MessageBoxW(const Args& a) {
  if (a[0] != 0 || (a[3] != 0x10 && a[3] != 0x40)) {
    ce::Refuse("MessageBoxW with owner 0x%x, style 0x%x", a[0], a[3]);
  }
  tarnwell::platform::ShowMessageBox(a.Ptr<const char16_t>(1), a.Ptr<const char16_t>(2), a[3]);
  return 1;  // IDOK
}

// COM, loaded at run time: module names in any case, export names exact.
u32 LoadLibraryW(const Args& a) {
  const std::string name = Ascii(a.Ptr<const char16_t>(0), true);
  if (Setting("CE_WITHOUT_OLE32", "1") || (name != "ole32.dll" && name != "ole32")) {
    return Fail(126);  // ERROR_MOD_NOT_FOUND
  }
  return kOle32;
}

u32 GetProcAddressW(const Args& a) {
  if (a[0] != kOle32) return Fail(tarnwell::kErrorInvalidHandle);
  if (a[1] < 0x10000) ce::Refuse("GetProcAddressW by ordinal");
  const std::string name = Ascii(a.Ptr<const char16_t>(1), false);
  if (name == "CoInitializeEx" || name == "CoUninitialize") return ce::Bind("ole32.dll", name);
  return Fail(127);  // ERROR_PROC_NOT_FOUND
}

u32 CoInitializeEx(const Args& a) {
  if (a[0] != 0 || a[1] != 0 || g_work != 0) g_com_in_order = false;
  ++g_com_starts;
  return 0;  // S_OK
}

u32 CoUninitialize(const Args&) {
  g_work_at_com_end = g_work;
  ++g_com_ends;
  return 0;
}

u32 CloseHandle(const Args& a) {
  return close(static_cast<int>(a[0] - kFiles)) == 0 ? 1 : Fail(tarnwell::kErrorInvalidHandle);
}

struct StandIn {
  const char* name;
  u32 (*call)(const Args&);
  bool work = false;  // one of the run's own calls, which COM must enclose
  const char* dll = "coredll.dll";
};
const StandIn kStandIns[] = {
    {"RegCreateKeyExW", RegCreateKeyExW, true},
    {"RegSetValueExW", RegSetValueExW, true},
    {"RegCloseKey", [](const Args& a) { return u32(g_registry.CloseKey(a[0])); }, true},
    {"GetModuleFileNameW", GetModuleFileNameW, true},
    {"GetLastError", [](const Args&) { return g_last_error; }},
    {"SetLastError", [](const Args& a) { return Fail(std::int32_t(a[0])); }},
    {"GetFileAttributesW", GetFileAttributesW, true},
    {"CreateFileW", CreateFileW, true},
    {"ReadFile", ReadFile, true},
    {"CloseHandle", CloseHandle, true},
    {"MessageBoxW", MessageBoxW, true},
    {"LoadLibraryW", LoadLibraryW},
    {"GetProcAddressW", GetProcAddressW},
    {"CoInitializeEx", CoInitializeEx, false, "ole32.dll"},
    {"CoUninitialize", CoUninitialize, false, "ole32.dll"},
    // The C run-time functions of the core library.
    {"malloc", [](const Args& a) { return Word(std::malloc(a[0])); }},
    {"free",
     [](const Args& a) {
       std::free(a.Ptr<void>(0));
       return u32{0};
     }},
    {"memchr", [](const Args& a) { return Word(std::memchr(a.Ptr<void>(0), int(a[1]), a[2])); }},
    {"memcmp",
     [](const Args& a) { return u32(std::memcmp(a.Ptr<void>(0), a.Ptr<void>(1), a[2])); }},
    {"memcpy",
     [](const Args& a) { return Word(std::memcpy(a.Ptr<void>(0), a.Ptr<void>(1), a[2])); }},
    {"memset", [](const Args& a) { return Word(std::memset(a.Ptr<void>(0), int(a[1]), a[2])); }},
    {"strlen", [](const Args& a) { return u32(std::strlen(a.Ptr<char>(0))); }},
};

struct Binding {
  std::string dll, name;
  const StandIn* stand_in;  // null: no stand-in knows it
};
std::vector<Binding> g_bindings;  // trampoline i calls g_bindings[i]

}  // namespace

ce::u32 ce::Bind(const std::string& dll, const std::string& name) {
  u32 i = 0;
  while (i < g_bindings.size() && (g_bindings[i].dll != dll || g_bindings[i].name != name)) ++i;
  if (i == 64) Refuse("more imports than trampolines");
  if (i == g_bindings.size()) {
    const StandIn* found = nullptr;
    for (const StandIn& s : kStandIns) found = dll == s.dll && name == s.name ? &s : found;
    g_bindings.push_back({dll, name, found});
  }
  return Word(ce_trampolines + 16 * i);
}

void ce::SetImage(const std::string& path, u32 base) {
  g_path = path;
  g_base = base;
}

bool ce::FinishRun() {
  bool sound = true;
  if (g_registry_loaded && g_load_result == tarnwell::kErrorSuccess &&
      g_registry.Save() != tarnwell::kErrorSuccess) {
    std::fprintf(stderr, "ce_loader: registry.reg could not be saved\n");
    sound = false;
  }
  // Without ole32 there is no COM to call.
  if (!Setting("CE_WITHOUT_OLE32", "1") &&
      (g_com_starts != 1 || g_com_ends != 1 || !g_com_in_order || g_work_at_com_end != g_work)) {
    std::fprintf(stderr,
                 "ce_loader: COM not started once with (NULL, 0) before the run's calls "
                 "and ended once after them (%u starts, %u ends)\n",
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
  return binding.stand_in->call(Args{*call});
}
