// ce_loader IMAGE: runs a Windows CE ARM executable as CE would: mapped
// away from its preferred base with every relocation applied, every import
// bound by name to a stand-in below, its entry called as WinMain on exactly
// 64 KiB of stack above a guard page. Exits with the entry's result, or 64
// when the loader refuses the image or the run broke a rule. The stand-ins
// do what Windows CE 5.0's reference says, over this machine; what none
// models ends the run with its name. Set CE_WITHOUT_OLE32 and ole32 cannot
// be loaded; set CE_CUT_NUL for GetModuleFileNameW's other reading of a cut.
#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/Errors.h"
#include "platform/posix/FileRegistry.h"
#include "platform/posix/NativePath.h"

using u32 = std::uint32_t;

// Trampolines.S: trampoline i saves the image's r0-r3, sp and lr in a
// CeCall and calls ce_dispatch(call, i) on the loader's own stack.
extern "C" {
struct CeCall {
  u32 r[4], sp, lr;
};
u32 ce_dispatch(const CeCall* call, u32 index);
// Calls entry(args[0..3]) on the stack that ends at stack_top; returns r0.
u32 ce_enter(u32 entry, u32 stack_top, const u32* args);
extern char ce_trampolines[];  // 64 of 16 bytes each
}

namespace {

using tarnwell::kErrorInvalidHandle;
using tarnwell::posix::WindowsError;
constexpr int kExitRefused = 64;  // above any code the image returns
constexpr u32 kPage = 0x1000, kStackSize = 64 * 1024, kPaint = 0xC5A5C5A5u;
// CE keeps the last 2 KB of a thread's stack for its overflow handling.
constexpr u32 kStackLimit = kStackSize - 2 * 1024;
constexpr u32 kWrite = 0x80000000u, kRead = 0x40000000u, kExecute = 0x20000000u;
constexpr u32 kInvalid = 0xFFFFFFFFu;  // INVALID_HANDLE_VALUE, INVALID_FILE_ATTRIBUTES
constexpr u32 kOle32 = 0x7E320000u;    // ole32's HMODULE here; a file's handle is its descriptor

[[noreturn]] void Refuse(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::fputs("ce_loader: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  va_end(args);
  std::exit(kExitRefused);
}
u32 Word(const void* p) { return static_cast<u32>(reinterpret_cast<std::uintptr_t>(p)); }

// --- The stand-ins.

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

const bool g_without_ole32 = std::getenv("CE_WITHOUT_OLE32") != nullptr;
const bool g_cut_nul = std::getenv("CE_CUT_NUL") != nullptr;
std::string g_path;                // the image's real path
unsigned char* g_image = nullptr;  // where it is mapped
u32 g_size = 0;                    // SizeOfImage
u32 g_last_error = 0;              // GetLastError's
tarnwell::posix::FileRegistry g_registry;
std::int32_t g_loaded = -1;  // what g_registry.Load gave
// COM: 0 before CoInitializeEx(NULL, 0), 1 until CoUninitialize, 2 after;
// -1 once out of that order, or once the run's own calls (a StandIn's work)
// came outside 1.
int g_com = 0;

u32 Fail(std::int32_t error, u32 result = 0) {
  g_last_error = static_cast<u32>(error);
  return result;
}
// The text at a wide pointer as UTF-8, '\' as '/': a Windows path as the
// Linux one it names.
std::string Narrow(const char16_t* text) {
  std::u16string wide = text != nullptr ? text : u"";
  std::replace(wide.begin(), wide.end(), u'\\', u'/');
  return tarnwell::posix::WideToNative(wide);
}

u32 RegCreateKeyExW(const Args& a) {
  // hKey, lpSubKey, Reserved, lpClass, dwOptions, samDesired,
  // lpSecurityAttributes, phkResult, lpdwDisposition
  if (a[2] != 0 || a[6] != 0 || a[7] == 0 || a[8] != 0) Refuse("RegCreateKeyExW's arguments");
  tarnwell::RegHandle key = 0;
  const std::int32_t error =
      g_loaded != 0 ? g_loaded : g_registry.CreateKey(a[0], a.Ptr<char16_t>(1), a[5], &key);
  *a.Ptr<u32>(7) = static_cast<u32>(key);
  return static_cast<u32>(error);
}

u32 RegSetValueExW(const Args& a) {
  // hKey, lpValueName, Reserved, dwType, lpData, cbData
  if (a[2] != 0) Refuse("RegSetValueExW's Reserved");
  if (g_loaded != 0) return static_cast<u32>(g_loaded);
  return static_cast<u32>(
      g_registry.SetValue(a[0], a.Ptr<char16_t>(1), a[3], a.Ptr<void>(4), a[5]));
}

u32 GetModuleFileNameW(const Args& a) {
  // hModule (null or the image: the process's own file), lpFilename, nSize
  if (a[0] != 0 && a[0] != Word(g_image)) return Fail(kErrorInvalidHandle);
  std::u16string path = tarnwell::posix::NativeToWide(g_path);
  std::replace(path.begin(), path.end(), u'/', u'\\');
  // "The string is truncated": to nSize units, as the desktop's older
  // systems cut, or (CE_CUT_NUL) to nSize - 1 and a NUL.
  const u32 size = a[2];
  u32 kept = static_cast<u32>(path.size());
  if (kept >= size) kept = size > 0 && g_cut_nul ? size - 1 : size;
  std::memcpy(a.Ptr<char16_t>(1), path.c_str(), kept * sizeof(char16_t));
  if (kept < size) a.Ptr<char16_t>(1)[kept] = u'\0';
  return kept;
}

// Files: read whole, as the installer reads its configuration.
u32 GetFileAttributesW(const Args& a) {
  struct stat st;
  if (stat(Narrow(a.Ptr<char16_t>(0)).c_str(), &st) != 0)
    return Fail(WindowsError(errno), kInvalid);
  return S_ISDIR(st.st_mode) ? 0x10 /* DIRECTORY */ : 0x80 /* NORMAL */;
}

u32 CreateFileW(const Args& a) {
  // lpFileName, dwDesiredAccess, dwShareMode, lpSecurityAttributes,
  // dwCreationDisposition, dwFlagsAndAttributes, hTemplateFile
  if (a[1] != 0x80000000u || a[3] != 0 || a[4] != 3 || a[6] != 0) {
    Refuse("CreateFileW other than GENERIC_READ, OPEN_EXISTING, no security, no template");
  }
  const int fd = open(Narrow(a.Ptr<char16_t>(0)).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Fail(WindowsError(errno), kInvalid);
  struct stat st;
  if (fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode)) return static_cast<u32>(fd);
  close(fd);  // a directory is no file to CreateFile
  return Fail(tarnwell::kErrorAccessDenied, kInvalid);
}

u32 ReadFile(const Args& a) {
  // hFile, lpBuffer, nNumberOfBytesToRead, lpNumberOfBytesRead, lpOverlapped
  if (a[4] != 0) Refuse("ReadFile overlapped (CE: set to NULL)");
  const ssize_t got = read(static_cast<int>(a[0]), a.Ptr<void>(1), a[2]);
  if (a[3] != 0) *a.Ptr<u32>(3) = got < 0 ? 0 : static_cast<u32>(got);
  return got < 0 ? Fail(WindowsError(errno)) : 1;
}

// The host build's line, for no owner and MB_OK with the error or the
// information icon (the stream the host picks shows which).
u32 MessageBoxW(const Args& a) {
  if (a[0] != 0 || (a[3] != 0x10 && a[3] != 0x40))
    Refuse("MessageBoxW owner 0x%x style 0x%x", a[0], a[3]);
  tarnwell::platform::ShowMessageBox(a.Ptr<char16_t>(1), a.Ptr<char16_t>(2), a[3]);
  return 1;  // IDOK
}

// COM, loaded at run time: module names in any case, export names exact.
u32 LoadLibraryW(const Args& a) {
  const std::string name = Narrow(a.Ptr<char16_t>(0));
  if (g_without_ole32 ||
      (strcasecmp(name.c_str(), "ole32.dll") && strcasecmp(name.c_str(), "ole32"))) {
    return Fail(126);  // ERROR_MOD_NOT_FOUND
  }
  return kOle32;
}

u32 Bind(const std::string& dll, const std::string& name);
u32 GetProcAddressW(const Args& a) {
  if (a[0] != kOle32) return Fail(kErrorInvalidHandle);
  if (a[1] < 0x10000) Refuse("GetProcAddressW by ordinal");
  const std::string name = Narrow(a.Ptr<char16_t>(1));
  if (name == "CoInitializeEx" || name == "CoUninitialize") return Bind("ole32.dll", name);
  return Fail(127);  // ERROR_PROC_NOT_FOUND
}

u32 CoInitializeEx(const Args& a) {
  g_com = g_com == 0 && a[0] == 0 && a[1] == 0 ? 1 : -1;
  return 0;  // S_OK
}

struct StandIn {
  const char* name;
  u32 (*call)(const Args&);
  bool work = false;  // one of the run's own calls, which COM must enclose
  const char* dll = "coredll.dll";
};
using A = const Args&;
// clang-format off
const StandIn kStandIns[] = {
    {"RegCreateKeyExW", RegCreateKeyExW, true},
    {"RegSetValueExW", RegSetValueExW, true},
    {"RegCloseKey", [](A a) { return u32(g_registry.CloseKey(a[0])); }, true},
    {"GetModuleFileNameW", GetModuleFileNameW, true},
    {"GetLastError", [](A) { return g_last_error; }},
    {"SetLastError", [](A a) { return Fail(std::int32_t(a[0])); }},
    {"GetFileAttributesW", GetFileAttributesW, true},
    {"CreateFileW", CreateFileW, true},
    {"ReadFile", ReadFile, true},
    {"CloseHandle", [](A a) { return close(int(a[0])) ? Fail(kErrorInvalidHandle) : 1; }, true},
    {"MessageBoxW", MessageBoxW, true},
    {"LoadLibraryW", LoadLibraryW},
    {"GetProcAddressW", GetProcAddressW},
    {"CoInitializeEx", CoInitializeEx, false, "ole32.dll"},
    {"CoUninitialize", [](A) { g_com = g_com == 1 ? 2 : -1; return 0u; }, false, "ole32.dll"},
    // The C run-time functions of the core library.
    {"malloc", [](A a) { return Word(std::malloc(a[0])); }},
    {"free", [](A a) { std::free(a.Ptr<void>(0)); return 0u; }},
    {"memchr", [](A a) { return Word(std::memchr(a.Ptr<void>(0), int(a[1]), a[2])); }},
    {"memcmp", [](A a) { return u32(std::memcmp(a.Ptr<void>(0), a.Ptr<void>(1), a[2])); }},
    {"memcpy", [](A a) { return Word(std::memcpy(a.Ptr<void>(0), a.Ptr<void>(1), a[2])); }},
    {"memset", [](A a) { return Word(std::memset(a.Ptr<void>(0), int(a[1]), a[2])); }},
    {"strlen", [](A a) { return u32(std::strlen(a.Ptr<char>(0))); }},
};
// clang-format on

constexpr u32 kKnown = sizeof kStandIns / sizeof kStandIns[0];
std::vector<std::string> g_unknown;  // what trampolines kKnown and above stand for

// The trampoline of dll!name: that of its stand-in, or one that fails.
u32 Bind(const std::string& dll, const std::string& name) {
  u32 i = 0;
  while (i < kKnown && (dll != kStandIns[i].dll || name != kStandIns[i].name)) ++i;
  if (i == kKnown) {
    i += static_cast<u32>(g_unknown.size());
    g_unknown.push_back(dll + "!" + name);
  }
  if (i >= 64) Refuse("more imports than trampolines");
  return Word(ce_trampolines + 16 * i);
}

// --- The image.

std::vector<unsigned char> g_file;

// Bytes of the file, or of the mapped image at an RVA, that must lie inside it.
const unsigned char* FileAt(u32 offset, u32 length) {
  if (offset > g_file.size() || g_file.size() - offset < length) Refuse("beyond the file");
  return &g_file[offset];
}
unsigned char* At(u32 rva, u32 length) {
  if (rva > g_size || g_size - rva < length)
    Refuse("RVA 0x%x (+%u) outside the image", rva, length);
  return g_image + rva;
}
u32 Little(const unsigned char* bytes, u32 length) {
  u32 value = 0;
  std::memcpy(&value, bytes, length);
  return value;
}
u32 File(u32 offset, u32 length = 4) { return Little(FileAt(offset, length), length); }
u32 Get(u32 rva, u32 length = 4) { return Little(At(rva, length), length); }
void Put(u32 rva, u32 value) { std::memcpy(At(rva, 4), &value, 4); }

// Every block holds HIGHLOW entries (and ABSOLUTE padding), each a word
// inside the image that holds an address inside it.
void Relocate(u32 start, u32 size, u32 preferred) {
  if (size == 0) Refuse("no base relocations: the image cannot move");
  for (u32 at = start, block; at < start + size; at += block) {
    const u32 page = Get(at);
    block = Get(at + 4);
    if (block < 8 || block % 2 != 0 || block > start + size - at) Refuse("relocation block size");
    for (u32 e = at + 8; e < at + block; e += 2) {
      const u32 entry = Get(e, 2), type = entry >> 12, site = page + (entry & 0xFFF);
      if (type == 0) continue;
      if (type != 3) Refuse("relocation of type %u at RVA 0x%x", type, site);
      const u32 target = Get(site);
      if (target - preferred > g_size) Refuse("relocation at RVA 0x%x to 0x%x", site, target);
      Put(site, target - preferred + Word(g_image));
    }
  }
}

// coredll.dll only, every function by name: each IAT slot gets the
// trampoline of its stand-in.
void BindImports(u32 descriptors) {
  auto text = [](u32 rva) {  // cut at the image's end
    const char* start = reinterpret_cast<const char*>(At(rva, 1));
    return std::string(start, strnlen(start, g_size - rva));
  };
  for (u32 d = descriptors; descriptors != 0 && (Get(d + 12) != 0 || Get(d + 16) != 0); d += 20) {
    const u32 iat = Get(d + 16), lookup = Get(d) != 0 ? Get(d) : iat;
    const std::string dll = text(Get(d + 12));
    if (strcasecmp(dll.c_str(), "coredll.dll") != 0) Refuse("imports from %s", dll.c_str());
    for (u32 k = 0, thunk; (thunk = Get(lookup + 4 * k)) != 0; ++k) {
      if (thunk & 0x80000000u) Refuse("%s imported by ordinal %u", dll.c_str(), thunk & 0xFFFF);
      Put(iat + 4 * k, Bind("coredll.dll", text(thunk + 2)));  // the name follows a 2-byte hint
    }
  }
}

void OnFault(int signal, siginfo_t* info, void* context) {
  const mcontext_t& m = static_cast<ucontext_t*>(context)->uc_mcontext;
  std::fprintf(stderr, "ce_loader: %s at pc=0x%lx lr=0x%lx (image at %p), address %p\n",
               strsignal(signal), m.arm_pc, m.arm_lr, static_cast<void*>(g_image), info->si_addr);
  _exit(kExitRefused);
}

}  // namespace

extern "C" u32 ce_dispatch(const CeCall* call, u32 index) {
  if (index >= kKnown) {
    Refuse("the image called %s, which no stand-in knows (lr=0x%x)",
           g_unknown[index - kKnown].c_str(), call->lr);
  }
  if (kStandIns[index].work && g_com != 1) g_com = -1;
  return kStandIns[index].call(Args{*call});
}

int main(int argc, char** argv) {
  const char* real = argc == 2 ? realpath(argv[1], nullptr) : nullptr;
  if (real == nullptr) Refuse("usage: ce_loader IMAGE");
  std::FILE* in = std::fopen(real, "rb");
  for (int c; in != nullptr && (c = std::getc(in)) != EOF;) g_file.push_back(c & 0xFF);

  // PE32 for ARM, with the import (1) and base relocation (5) directories.
  const u32 pe = File(0x3C), optional = pe + 24, sections = optional + File(pe + 20, 2);
  if (File(0, 2) != 0x5A4D || File(pe) != 0x4550 || File(pe + 4, 2) != 0x01C0 ||
      File(optional, 2) != 0x10B || File(optional + 92) < 6) {
    Refuse("not a PE32 image for ARM");
  }
  const u32 preferred = File(optional + 28), headers = File(optional + 60);
  g_size = File(optional + 56);

  // Mapped away from the preferred base, which is kept inaccessible: an
  // address the relocations missed faults instead of reading something else.
  auto* kept = reinterpret_cast<void*>(static_cast<std::uintptr_t>(preferred));
  if (mmap(kept, g_size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0) != kept) {
    Refuse("cannot keep the preferred base 0x%x from use", preferred);
  }
  void* memory = mmap(nullptr, g_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) Refuse("cannot map 0x%x bytes", g_size);
  g_image = static_cast<unsigned char*>(memory);
  std::memcpy(At(0, headers), FileAt(0, headers), headers);
  for (u32 i = 0, at = sections; i < File(pe + 6, 2); ++i, at += 40) {
    const u32 size = File(at + 8), rva = File(at + 12), flags = File(at + 36);
    if ((flags & kWrite) && (flags & kExecute)) Refuse("RVA 0x%x is writable and executable", rva);
    const u32 copied = std::min(size, File(at + 16));
    std::memcpy(At(rva, size), FileAt(File(at + 20), copied), copied);
  }
  Relocate(File(optional + 136), File(optional + 140), preferred);
  BindImports(File(optional + 104));
  mprotect(g_image, kPage, PROT_READ);
  for (u32 i = 0, at = sections; i < File(pe + 6, 2); ++i, at += 40) {
    const u32 length = (File(at + 8) + kPage - 1) / kPage * kPage, flags = File(at + 36);
    const int protection = (flags & kRead ? PROT_READ : 0) | (flags & kWrite ? PROT_WRITE : 0) |
                           (flags & kExecute ? PROT_EXEC : 0);
    if (mprotect(At(File(at + 12), length), length, protection) != 0) Refuse("mprotect");
  }
  __builtin___clear_cache(reinterpret_cast<char*>(g_image),
                          reinterpret_cast<char*>(g_image + g_size));

  // The stack: a guard page, then 64 KiB painted so that its depth shows.
  // A fault is reported in one line (one in the guard page kills at once).
  void* guard = mmap(nullptr, kPage + kStackSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  auto* stack = reinterpret_cast<u32*>(static_cast<unsigned char*>(guard) + kPage);
  if (guard == MAP_FAILED || mprotect(stack, kStackSize, PROT_READ | PROT_WRITE) != 0) {
    Refuse("cannot map the stack");
  }
  std::fill(stack, stack + kStackSize / 4, kPaint);
  struct sigaction action = {};
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO;
  for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) sigaction(signal, &action, nullptr);

  // The registry as the host build has it before its first write.
  g_path = real;
  g_loaded = g_registry.Load(
      tarnwell::posix::NativeToWide(g_path.substr(0, g_path.rfind('/') + 1)).c_str());
  // WinMain(hInstance, hPrevInstance, lpCmdLine, nShowCmd): an empty wide
  // command line, SW_SHOWNORMAL. The entry starts one word below the top:
  // aligned to 4 bytes and not 8, as CE code may hand on, so that any
  // reliance on 8 shows.
  static const char16_t command_line[] = u"";
  const u32 args[4] = {Word(g_image), 0, Word(command_line), 1};
  const u32 top = Word(stack + kStackSize / 4) - 4;
  const u32 result = ce_enter(Word(g_image) + File(optional + 16), top, args);

  // What the run left: the registry saved, COM started first and ended last
  // (without ole32 there is none), the stack clear of CE's last 2 KB.
  bool sound = true;
  auto broken = [&sound](const char* what) {
    std::fprintf(stderr, "ce_loader: %s\n", what);
    sound = false;
  };
  if (g_loaded == 0 && g_registry.Save() != 0) broken("registry.reg could not be saved");
  if (!g_without_ole32 && g_com != 2) broken("COM not started with (NULL, 0) first, ended last");
  u32 depth = kStackSize;
  while (depth > 0 && stack[kStackSize / 4 - depth / 4] == kPaint) depth -= 4;
  std::fprintf(stderr, "ce_loader: stack: %u bytes of %u\n", depth, kStackSize);
  if (depth >= kStackLimit) broken("the stack reached the last 2 KB, which CE keeps for itself");
  return sound ? static_cast<int>(result) : kExitRefused;
}
