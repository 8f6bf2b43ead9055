// ce_loader IMAGE: maps a Windows CE ARM executable (PE32, machine 0x01C0)
// at a base other than its own, applies every base relocation, binds every
// import by name to a stand-in, and calls its entry as WinMain on exactly
// 64 KiB of stack with a guard page below. The exit code is the entry's.
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "Loader.h"

namespace {

using ce::u32;
constexpr u32 kPage = 0x1000;
constexpr u32 kStackSize = 64 * 1024;
// CE keeps the last 2 KB of a thread's stack for its overflow handling.
constexpr u32 kStackLimit = kStackSize - 2 * 1024;
constexpr u32 kPaint = 0xC5A5C5A5u;
constexpr u32 kWrite = 0x80000000u, kRead = 0x40000000u, kExecute = 0x20000000u;

std::vector<unsigned char> g_file;
unsigned char* g_base = nullptr;  // where the image is mapped
u32 g_size = 0;                   // SizeOfImage

// Bytes of the file, or of the mapped image at an RVA, that must lie inside it.
const unsigned char* FileAt(u32 offset, u32 length) {
  if (offset > g_file.size() || g_file.size() - offset < length) {
    ce::Refuse("bytes 0x%x (+%u) beyond the file", offset, length);
  }
  return &g_file[offset];
}
unsigned char* At(u32 rva, u32 length) {
  if (rva > g_size || g_size - rva < length) {
    ce::Refuse("RVA 0x%x (+%u) outside the image of 0x%x bytes", rva, length, g_size);
  }
  return g_base + rva;
}
u32 Little(const unsigned char* bytes, u32 length) {
  u32 value = 0;
  std::memcpy(&value, bytes, length);
  return value;
}
u32 File(u32 offset, u32 length = 4) { return Little(FileAt(offset, length), length); }
u32 Get(u32 rva, u32 length = 4) { return Little(At(rva, length), length); }
void Put(u32 rva, u32 value) { std::memcpy(At(rva, 4), &value, 4); }
u32 Word(const void* pointer) {
  return static_cast<u32>(reinterpret_cast<std::uintptr_t>(pointer));
}

// Every block holds HIGHLOW entries (and ABSOLUTE padding), each a word
// inside the image that holds an address inside it.
u32 Relocate(u32 start, u32 size, u32 preferred) {
  if (size == 0) ce::Refuse("no base relocations: the image cannot move");
  u32 count = 0;
  for (u32 at = start, block; at < start + size; at += block) {
    const u32 page = Get(at);
    block = Get(at + 4);
    if (block < 8 || block % 2 != 0 || block > start + size - at) {
      ce::Refuse("relocation block at RVA 0x%x of %u bytes", at, block);
    }
    for (u32 e = at + 8; e < at + block; e += 2) {
      const u32 entry = Get(e, 2), type = entry >> 12, site = page + (entry & 0xFFF);
      if (type == 0) continue;
      if (type != 3) ce::Refuse("relocation of type %u at RVA 0x%x", type, site);
      const u32 target = Get(site);
      if (target - preferred > g_size) {
        ce::Refuse("relocation at RVA 0x%x points outside the image (0x%x)", site, target);
      }
      Put(site, target - preferred + Word(g_base));
      ++count;
    }
  }
  return count;
}

// coredll.dll only, every function by name: each IAT slot gets the
// trampoline of its stand-in.
u32 BindImports(u32 descriptors) {
  auto text = [](u32 rva) {
    std::string text;
    for (char c; (c = static_cast<char>(*At(rva, 1))) != '\0'; ++rva) text += c;
    return text;
  };
  u32 count = 0;
  for (u32 d = descriptors; descriptors != 0 && (Get(d + 12) != 0 || Get(d + 16) != 0); d += 20) {
    const u32 iat = Get(d + 16), lookup = Get(d) != 0 ? Get(d) : iat;
    std::string dll = text(Get(d + 12));
    for (char& c : dll) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (dll != "coredll.dll") ce::Refuse("imports from %s", dll.c_str());
    for (u32 k = 0, thunk; (thunk = Get(lookup + 4 * k)) != 0; ++k, ++count) {
      if (thunk & 0x80000000u) ce::Refuse("%s imported by ordinal %u", dll.c_str(), thunk & 0xFFFF);
      Put(iat + 4 * k, ce::Bind(dll, text(thunk + 2)));  // the name follows a 2-byte hint
    }
  }
  return count;
}

void OnFault(int signal, siginfo_t* info, void* context) {
  const mcontext_t& m = static_cast<ucontext_t*>(context)->uc_mcontext;
  std::fprintf(stderr, "ce_loader: %s at pc=0x%lx lr=0x%lx (image at %p), address %p\n",
               strsignal(signal), m.arm_pc, m.arm_lr, static_cast<void*>(g_base), info->si_addr);
  _exit(ce::kExitRefused);
}

}  // namespace

void ce::Refuse(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::fputs("ce_loader: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  va_end(args);
  std::exit(kExitRefused);
}

int main(int argc, char** argv) {
  char real[PATH_MAX];
  if (argc != 2 || realpath(argv[1], real) == nullptr) ce::Refuse("usage: ce_loader IMAGE");
  std::ifstream in(real, std::ios::binary);
  g_file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());

  // PE32 for ARM, with the import (1) and base relocation (5) directories.
  if (File(0, 2) != 0x5A4D || File(File(0x3C)) != 0x00004550) ce::Refuse("not a PE image");
  const u32 pe = File(0x3C), optional = pe + 24, sections = optional + File(pe + 20, 2);
  if (File(pe + 4, 2) != 0x01C0) ce::Refuse("machine 0x%x, not ARM (0x1c0)", File(pe + 4, 2));
  if (File(optional, 2) != 0x10B || File(optional + 92) < 6) ce::Refuse("not PE32");
  const u32 preferred = File(optional + 28), headers = File(optional + 60);
  g_size = File(optional + 56);
  if (g_size % kPage != 0 || g_size > 0x1000000 || headers > g_size) ce::Refuse("image size");

  // Mapped away from the preferred base, which is kept inaccessible: an
  // address the relocations missed faults instead of reading something else.
  auto* kept = reinterpret_cast<void*>(static_cast<std::uintptr_t>(preferred));
  if (mmap(kept, g_size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0) != kept) {
    ce::Refuse("cannot keep the preferred base 0x%x from use", preferred);
  }
  void* memory = mmap(nullptr, g_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) ce::Refuse("cannot map 0x%x bytes", g_size);
  g_base = static_cast<unsigned char*>(memory);
  std::memcpy(g_base, FileAt(0, headers), headers);
  for (u32 i = 0, at = sections; i < File(pe + 6, 2); ++i, at += 40) {
    const u32 size = File(at + 8), rva = File(at + 12), flags = File(at + 36);
    if (rva % kPage != 0 || rva < headers) ce::Refuse("a section at RVA 0x%x", rva);
    if ((flags & kWrite) && (flags & kExecute))
      ce::Refuse("RVA 0x%x is writable and executable", rva);
    const u32 copied = std::min(size, File(at + 16));
    std::memcpy(At(rva, size), FileAt(File(at + 20), copied), copied);
  }
  const u32 relocations = Relocate(File(optional + 136), File(optional + 140), preferred);
  ce::SetImage(real, Word(g_base));
  const u32 imports = BindImports(File(optional + 104));
  mprotect(g_base, kPage, PROT_READ);
  for (u32 i = 0, at = sections; i < File(pe + 6, 2); ++i, at += 40) {
    const u32 length = (File(at + 8) + kPage - 1) / kPage * kPage, flags = File(at + 36);
    const int protection = (flags & kRead ? PROT_READ : 0) | (flags & kWrite ? PROT_WRITE : 0) |
                           (flags & kExecute ? PROT_EXEC : 0);
    if (mprotect(At(File(at + 12), length), length, protection) != 0) ce::Refuse("mprotect");
  }
  __builtin___clear_cache(reinterpret_cast<char*>(g_base),
                          reinterpret_cast<char*>(g_base + g_size));
  std::fprintf(stderr, "ce_loader: mapped at %p (preferred 0x%x), %u relocations, %u imports\n",
               static_cast<void*>(g_base), preferred, relocations, imports);

  // The stack: a guard page, then 64 KiB painted so that its depth shows.
  // A fault is reported in one line, from the loader's stack.
  void* guard = mmap(nullptr, kPage + kStackSize, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  auto* stack = reinterpret_cast<u32*>(static_cast<unsigned char*>(guard) + kPage);
  if (guard == MAP_FAILED || mprotect(stack, kStackSize, PROT_READ | PROT_WRITE) != 0) {
    ce::Refuse("cannot map the stack");
  }
  std::fill(stack, stack + kStackSize / 4, kPaint);
  static char alternate[64 * 1024];
  stack_t alternate_stack = {alternate, 0, sizeof alternate};
  sigaltstack(&alternate_stack, nullptr);
  struct sigaction action = {};
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) sigaction(signal, &action, nullptr);

  // WinMain(hInstance, hPrevInstance, lpCmdLine, nShowCmd): an empty wide
  // command line, SW_SHOWNORMAL. The entry starts one word below the top:
  // aligned to 4 bytes and not 8, as CE code may hand on, so that any
  // reliance on 8 shows.
  static const char16_t command_line[] = u"";
  const u32 args[4] = {Word(g_base), 0, Word(command_line), 1};
  const u32 top = Word(stack + kStackSize / 4) - 4;
  const u32 result = ce_enter(Word(g_base) + File(optional + 16), top, args);

  bool sound = ce::FinishRun();
  u32 depth = kStackSize;
  while (depth > 0 && stack[kStackSize / 4 - depth / 4] == kPaint) depth -= 4;
  std::fprintf(stderr, "ce_loader: stack: %u bytes of %u\n", depth, kStackSize);
  if (depth >= kStackLimit) {
    std::fprintf(stderr, "ce_loader: the stack reached the last 2 KB, which CE keeps for itself\n");
    sound = false;
  }
  return sound ? static_cast<int>(result) : ce::kExitRefused;
}
