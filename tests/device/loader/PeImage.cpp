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

constexpr std::uint32_t kPage = 0x1000;
constexpr std::uint32_t kStackSize = 64 * 1024;
// CE keeps the last 2 KB of a thread's stack for its overflow handling.
constexpr std::uint32_t kStackLimit = kStackSize - 2 * 1024;
constexpr std::uint32_t kPaint = 0xC5A5C5A5u;
constexpr std::uint32_t kWrite = 0x80000000u, kRead = 0x40000000u, kExecute = 0x20000000u;

std::vector<unsigned char> g_file;
unsigned char* g_base = nullptr;  // where the image is mapped
std::uint32_t g_size = 0;         // SizeOfImage

// A little-endian field of the file's headers.
std::uint32_t File(std::uint32_t offset, std::uint32_t bytes = 4) {
  if (offset > g_file.size() || g_file.size() - offset < bytes) {
    ce::Refuse("header read at 0x%x beyond the file", offset);
  }
  std::uint32_t value = 0;
  std::memcpy(&value, &g_file[offset], bytes);
  return value;
}

// The mapped bytes at rva, of which length must lie in the image.
unsigned char* At(std::uint32_t rva, std::uint32_t length) {
  if (rva > g_size || g_size - rva < length) {
    ce::Refuse("RVA 0x%x (+%u) outside the image of 0x%x bytes", rva, length, g_size);
  }
  return g_base + rva;
}
std::uint32_t Get(std::uint32_t rva, std::uint32_t bytes = 4) {
  std::uint32_t value = 0;
  std::memcpy(&value, At(rva, bytes), bytes);
  return value;
}
void Put(std::uint32_t rva, std::uint32_t value) { std::memcpy(At(rva, 4), &value, 4); }

struct Section {
  std::uint32_t virtual_size, rva, raw_size, raw_offset, flags;
};

// Every block holds HIGHLOW entries (and ABSOLUTE padding), each a word
// inside the image that holds an address inside it.
std::uint32_t Relocate(std::uint32_t start, std::uint32_t size, std::uint32_t preferred) {
  if (size == 0) ce::Refuse("no base relocations: the image cannot move");
  const std::uint32_t delta =
      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(g_base)) - preferred;
  std::uint32_t count = 0;
  for (std::uint32_t at = start, block; at < start + size; at += block) {
    const std::uint32_t page = Get(at);
    block = Get(at + 4);
    if (block < 8 || block % 2 != 0 || block > start + size - at) {
      ce::Refuse("relocation block at RVA 0x%x of %u bytes", at, block);
    }
    for (std::uint32_t e = at + 8; e < at + block; e += 2) {
      const std::uint32_t entry = Get(e, 2), type = entry >> 12, site = page + (entry & 0xFFF);
      if (type == 0) continue;
      if (type != 3) ce::Refuse("relocation of type %u at RVA 0x%x", type, site);
      const std::uint32_t target = Get(site);
      if (target < preferred || target - preferred > g_size) {
        ce::Refuse("relocation at RVA 0x%x points outside the image (0x%x)", site, target);
      }
      Put(site, target + delta);
      ++count;
    }
  }
  return count;
}

// coredll.dll only, every function by name: each IAT slot gets the
// trampoline of its stand-in.
std::uint32_t BindImports(std::uint32_t descriptors) {
  std::uint32_t count = 0;
  auto text = [](std::uint32_t rva) {
    std::string text;
    for (char c; (c = static_cast<char>(*At(rva, 1))) != '\0'; ++rva) text += c;
    return text;
  };
  for (std::uint32_t d = descriptors; d != 0 && (Get(d + 12) != 0 || Get(d + 16) != 0); d += 20) {
    const std::uint32_t lookup = Get(d) != 0 ? Get(d) : Get(d + 16), iat = Get(d + 16);
    std::string dll = text(Get(d + 12));
    for (char& c : dll) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (dll != "coredll.dll") ce::Refuse("imports from %s", dll.c_str());
    for (std::uint32_t k = 0, thunk; (thunk = Get(lookup + 4 * k)) != 0; ++k, ++count) {
      if (thunk & 0x80000000u) ce::Refuse("%s imported by ordinal %u", dll.c_str(), thunk & 0xFFFF);
      Put(iat + 4 * k, ce::Bind(dll, text(thunk + 2)));  // the name follows a 2-byte hint
    }
  }
  return count;
}

// One line on a fault in the image or a stand-in, then out.
void OnFault(int signal, siginfo_t* info, void* context) {
  const mcontext_t& m = static_cast<ucontext_t*>(context)->uc_mcontext;
  std::fprintf(stderr, "ce_loader: %s at pc=0x%lx lr=0x%lx (image at %p), address %p\n",
               strsignal(signal), m.arm_pc, m.arm_lr, static_cast<void*>(g_base), info->si_addr);
  _exit(ce::kExitRefused);
}

}  // namespace

[[noreturn]] void ce::Refuse(const char* format, ...) {
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

  // The headers: PE32 for ARM, with the base relocation directory (5).
  if (File(0, 2) != 0x5A4D || File(File(0x3C)) != 0x00004550) ce::Refuse("not a PE image");
  const std::uint32_t pe = File(0x3C), optional = pe + 24;
  if (File(pe + 4, 2) != 0x01C0) ce::Refuse("machine 0x%x, not ARM (0x1c0)", File(pe + 4, 2));
  if (File(optional, 2) != 0x10B || File(optional + 92) < 6)
    ce::Refuse("not PE32 with 6 data directories");
  const std::uint32_t preferred = File(optional + 28), headers = File(optional + 60);
  g_size = File(optional + 56);
  if (g_size % kPage != 0 || g_size > 16 * 1024 * 1024 || headers > g_size ||
      headers > g_file.size()) {
    ce::Refuse("size of image 0x%x, of headers 0x%x", g_size, headers);
  }
  std::vector<Section> sections(File(pe + 6, 2));
  for (std::uint32_t i = 0; i < sections.size(); ++i) {
    const std::uint32_t at = optional + File(pe + 20, 2) + 40 * i;
    sections[i] = {File(at + 8), File(at + 12), File(at + 16), File(at + 20), File(at + 36)};
  }

  // Mapped away from the preferred base, which is kept inaccessible: an
  // address the relocations missed faults instead of reading something else.
  auto* kept = reinterpret_cast<void*>(static_cast<std::uintptr_t>(preferred));
  if (mmap(kept, g_size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0) != kept) {
    ce::Refuse("cannot keep the preferred base 0x%x from use", preferred);
  }
  void* memory = mmap(nullptr, g_size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) ce::Refuse("cannot map 0x%x bytes", g_size);
  g_base = static_cast<unsigned char*>(memory);
  const auto base = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(g_base));
  std::memcpy(g_base, g_file.data(), headers);
  for (const Section& s : sections) {
    if (s.rva % kPage != 0 || s.rva < headers) ce::Refuse("a section at RVA 0x%x", s.rva);
    if ((s.flags & kWrite) && (s.flags & kExecute))
      ce::Refuse("the section at RVA 0x%x is writable and executable", s.rva);
    const std::uint32_t copied = s.raw_size < s.virtual_size ? s.raw_size : s.virtual_size;
    if (s.raw_offset > g_file.size() || g_file.size() - s.raw_offset < copied)
      ce::Refuse("section data beyond the file");
    std::memcpy(At(s.rva, s.virtual_size), &g_file[s.raw_offset], copied);
  }
  const std::uint32_t relocations = Relocate(File(optional + 136), File(optional + 140), preferred);
  ce::SetImage(real, base);
  const std::uint32_t imports = BindImports(File(optional + 104));
  mprotect(g_base, kPage, PROT_READ);
  for (const Section& s : sections) {
    const std::uint32_t length = (s.virtual_size + kPage - 1) / kPage * kPage;
    const int protection = (s.flags & kRead ? PROT_READ : 0) | (s.flags & kWrite ? PROT_WRITE : 0) |
                           (s.flags & kExecute ? PROT_EXEC : 0);
    if (mprotect(At(s.rva, length), length, protection) != 0)
      ce::Refuse("cannot protect a section");
  }
  __builtin___clear_cache(reinterpret_cast<char*>(g_base),
                          reinterpret_cast<char*>(g_base + g_size));
  std::fprintf(stderr, "ce_loader: mapped at 0x%x (preferred 0x%x), %u relocations, %u imports\n",
               base, preferred, relocations, imports);

  // The stack: a guard page, then 64 KiB painted so that its depth shows.
  auto* guard = static_cast<unsigned char*>(mmap(
      nullptr, kPage + kStackSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  if (guard == MAP_FAILED) ce::Refuse("cannot map the stack");
  mprotect(guard, kPage, PROT_NONE);
  auto* stack = reinterpret_cast<std::uint32_t*>(guard + kPage);
  std::fill(stack, stack + kStackSize / 4, kPaint);
  // The handler runs on a stack of its own, as the image's may be spent.
  static std::vector<char> alternate(64 * 1024);
  stack_t alternate_stack = {};
  alternate_stack.ss_sp = alternate.data();
  alternate_stack.ss_size = alternate.size();
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
  const std::uint32_t args[4] = {
      base, 0, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(command_line)), 1};
  const std::uint32_t top =
      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(stack + kStackSize / 4)) - 4;
  const std::uint32_t result = ce_enter(base + File(optional + 16), top, args);

  bool sound = ce::FinishRun();
  std::uint32_t depth = kStackSize;
  while (depth > 0 && stack[kStackSize / 4 - depth / 4] == kPaint) depth -= 4;
  std::fprintf(stderr, "ce_loader: stack: %u bytes of %u\n", depth, kStackSize);
  if (depth >= kStackLimit) {
    std::fprintf(stderr, "ce_loader: the stack reached the last 2 KB, which CE keeps for itself\n");
    sound = false;
  }
  return sound ? static_cast<int>(result) : ce::kExitRefused;
}
