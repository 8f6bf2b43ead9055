// ce_loader IMAGE: maps a Windows CE ARM executable (PE32, machine 0x01C0)
// at a base other than its own, applies every base relocation, binds every
// import by name to a stand-in, and calls its entry as WinMain on exactly
// 64 KiB of stack with a guard page below. The exit code is the entry's.
//
// Environment: CE_WITHOUT_OLE32=1 (LoadLibraryW("ole32.dll") fails),
// CE_MODULE_NAME_CUT=nul (GetModuleFileNameW cuts a long path to nSize - 1
// units and a NUL instead of nSize units), CE_FAIL_MALLOC=N or N+ (the
// image's Nth malloc call fails, or the Nth and every later one).
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "Loader.h"

namespace {

constexpr std::uint32_t kPage = 0x1000;
constexpr std::uint32_t kStackSize = 64 * 1024;
// CE keeps the last 2 KB of a thread's stack for its overflow handling.
constexpr std::uint32_t kStackLimit = kStackSize - 2 * 1024;
constexpr std::uint32_t kPaint = 0xC5A5C5A5u;

[[noreturn]] void Refuse(const char* format, ...) {
  std::va_list args;
  va_start(args, format);
  std::fputs("ce_loader: ", stderr);
  std::vfprintf(stderr, format, args);
  std::fputc('\n', stderr);
  va_end(args);
  std::exit(ce::kExitBadImage);
}

struct Image {
  std::vector<unsigned char> file;
  std::uint32_t headers = 0;  // offset of the optional header
  std::uint32_t sections = 0;
  std::uint32_t section_count = 0;
  std::uint32_t preferred_base = 0;
  std::uint32_t size = 0;
  unsigned char* base = nullptr;

  std::uint32_t Read32(std::uint32_t offset) const {
    if (offset > file.size() || file.size() - offset < 4) {
      Refuse("header read at 0x%x beyond the file", offset);
    }
    std::uint32_t value;
    std::memcpy(&value, &file[offset], 4);
    return value;
  }
  std::uint16_t Read16(std::uint32_t offset) const {
    return static_cast<std::uint16_t>(Read32(offset) & 0xFFFF);
  }
  // The mapped bytes at rva, of which length must lie in the image.
  unsigned char* At(std::uint32_t rva, std::uint32_t length) const {
    if (rva > size || size - rva < length) {
      Refuse("RVA 0x%x (+%u) outside the image of 0x%x bytes", rva, length, size);
    }
    return base + rva;
  }
  std::uint32_t Mapped32(std::uint32_t rva) const {
    std::uint32_t value;
    std::memcpy(&value, At(rva, 4), 4);
    return value;
  }
  // Data directory i: {rva, size}.
  std::uint32_t DirectoryRva(int i) const { return Read32(headers + 96 + 8 * i); }
  std::uint32_t DirectorySize(int i) const { return Read32(headers + 100 + 8 * i); }
  // The NUL-ended text at rva, inside the image.
  std::string Text(std::uint32_t rva) const {
    std::string text;
    for (;; ++rva) {
      const char c = static_cast<char>(*At(rva, 1));
      if (c == '\0') return text;
      text += c;
    }
  }
};

void ReadHeaders(Image& image) {
  const Image& in = image;
  if (in.file.size() < 64 || in.Read16(0) != 0x5A4D) Refuse("no MZ header");
  const std::uint32_t pe = in.Read32(0x3C);
  if (in.Read32(pe) != 0x00004550) Refuse("no PE signature");
  if (in.Read16(pe + 4) != 0x01C0) Refuse("machine 0x%x, not ARM (0x01c0)", in.Read16(pe + 4));
  image.section_count = in.Read16(pe + 6);
  const std::uint32_t optional_size = in.Read16(pe + 20);
  image.headers = pe + 24;
  image.sections = image.headers + optional_size;
  if (in.Read16(image.headers) != 0x10B) Refuse("not PE32 (optional header magic 0x10b)");
  if (optional_size < 96 + 16 * 8 || in.Read32(image.headers + 92) < 16) {
    Refuse("fewer than 16 data directories");
  }
  image.preferred_base = in.Read32(image.headers + 28);
  if (in.Read32(image.headers + 32) != kPage) Refuse("section alignment is not 0x1000");
  image.size = in.Read32(image.headers + 56);
  if (image.size == 0 || image.size % kPage != 0 || image.size > 16 * 1024 * 1024) {
    Refuse("size of image 0x%x", image.size);
  }
}

// Maps the headers and every section elsewhere than at the preferred
// base, which is kept inaccessible: an address the relocations missed
// faults instead of reading something else.
void MapSections(Image& image) {
  void* kept = mmap(reinterpret_cast<void*>(static_cast<std::uintptr_t>(image.preferred_base)),
                    image.size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (kept != reinterpret_cast<void*>(static_cast<std::uintptr_t>(image.preferred_base))) {
    Refuse("cannot keep the preferred base 0x%x from use", image.preferred_base);
  }
  void* memory = mmap(nullptr, image.size, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) Refuse("cannot map 0x%x bytes", image.size);
  image.base = static_cast<unsigned char*>(memory);
  if (reinterpret_cast<std::uintptr_t>(image.base) == image.preferred_base) {
    Refuse("mapped at the preferred base: the relocations would go untried");
  }
  const std::uint32_t header_size = image.Read32(image.headers + 60);
  if (header_size > image.file.size() || header_size > image.size) Refuse("size of headers");
  std::memcpy(image.base, image.file.data(), header_size);
  for (std::uint32_t i = 0; i < image.section_count; ++i) {
    const std::uint32_t at = image.sections + 40 * i;
    const std::uint32_t virtual_size = image.Read32(at + 8);
    const std::uint32_t rva = image.Read32(at + 12);
    const std::uint32_t raw_size = image.Read32(at + 16);
    const std::uint32_t raw_offset = image.Read32(at + 20);
    const std::uint32_t flags = image.Read32(at + 36);
    if (rva % kPage != 0 || rva < header_size) Refuse("section %u at RVA 0x%x", i, rva);
    if ((flags & 0xA0000000u) == 0xA0000000u) Refuse("section %u is writable and executable", i);
    const std::uint32_t copied = raw_size < virtual_size ? raw_size : virtual_size;
    if (raw_offset > image.file.size() || image.file.size() - raw_offset < copied) {
      Refuse("section %u's data beyond the file", i);
    }
    std::memcpy(image.At(rva, virtual_size), &image.file[raw_offset], copied);
  }
}

// Every block must be of HIGHLOW entries (and ABSOLUTE padding), each a
// word inside the image holding an address inside it.
std::uint32_t Relocate(const Image& image) {
  const std::uint32_t delta =
      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(image.base)) -
      image.preferred_base;
  const std::uint32_t start = image.DirectoryRva(5), size = image.DirectorySize(5);
  if (size == 0) Refuse("no base relocations: the image cannot move");
  std::uint32_t count = 0;
  for (std::uint32_t at = start; at < start + size;) {
    const std::uint32_t page = image.Mapped32(at);
    const std::uint32_t block = image.Mapped32(at + 4);
    if (block < 8 || block % 2 != 0 || block > start + size - at) {
      Refuse("relocation block at RVA 0x%x of %u bytes", at, block);
    }
    for (std::uint32_t e = at + 8; e < at + block; e += 2) {
      std::uint16_t entry;
      std::memcpy(&entry, image.At(e, 2), 2);
      const unsigned type = entry >> 12;
      if (type == 0) continue;
      if (type != 3) Refuse("relocation of type %u at RVA 0x%x", type, page + (entry & 0xFFF));
      const std::uint32_t site = page + (entry & 0xFFF);
      const std::uint32_t target = image.Mapped32(site);
      if (target < image.preferred_base || target - image.preferred_base > image.size) {
        Refuse("relocation at RVA 0x%x points outside the image (0x%x)", site, target);
      }
      const std::uint32_t moved = target + delta;
      std::memcpy(image.At(site, 4), &moved, 4);
      ++count;
    }
    at += block;
  }
  return count;
}

// One descriptor, coredll.dll, every function by name; each IAT slot gets
// the trampoline of its stand-in.
std::uint32_t BindImports(const Image& image) {
  const std::uint32_t start = image.DirectoryRva(1);
  if (start == 0) return 0;
  std::uint32_t count = 0;
  for (std::uint32_t d = start;; d += 20) {
    const std::uint32_t lookup = image.Mapped32(d);
    const std::uint32_t name = image.Mapped32(d + 12);
    const std::uint32_t iat = image.Mapped32(d + 16);
    if (name == 0 && iat == 0) break;
    std::string dll = image.Text(name);
    for (char& c : dll) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (dll != "coredll.dll") Refuse("imports from %s", dll.c_str());
    const std::uint32_t iat_start = image.DirectoryRva(12);
    if (iat < iat_start || iat - iat_start >= image.DirectorySize(12)) {
      Refuse("the IAT at RVA 0x%x lies outside data directory 12", iat);
    }
    for (std::uint32_t k = 0;; ++k) {
      const std::uint32_t thunk = image.Mapped32((lookup != 0 ? lookup : iat) + 4 * k);
      if (thunk == 0) break;
      if (thunk & 0x80000000u) Refuse("%s imported by ordinal %u", dll.c_str(), thunk & 0xFFFF);
      const std::string function = image.Text(thunk + 2);  // after the hint
      const std::uint32_t address = ce::Bind(dll, function);
      if (address == 0) Refuse("more imports than trampolines");
      std::memcpy(image.At(iat + 4 * k, 4), &address, 4);
      ++count;
    }
  }
  return count;
}

void Protect(const Image& image) {
  mprotect(image.base, kPage, PROT_READ);
  for (std::uint32_t i = 0; i < image.section_count; ++i) {
    const std::uint32_t at = image.sections + 40 * i;
    const std::uint32_t virtual_size = image.Read32(at + 8);
    const std::uint32_t rva = image.Read32(at + 12);
    const std::uint32_t length = (virtual_size + kPage - 1) / kPage * kPage;
    const std::uint32_t flags = image.Read32(at + 36);
    const int protection = (flags & 0x40000000u ? PROT_READ : 0) |
                           (flags & 0x80000000u ? PROT_WRITE : 0) |
                           (flags & 0x20000000u ? PROT_EXEC : 0);
    if (mprotect(image.At(rva, length), length, protection) != 0) {
      Refuse("cannot protect section %u", i);
    }
  }
  __builtin___clear_cache(reinterpret_cast<char*>(image.base),
                          reinterpret_cast<char*>(image.base + image.size));
}

// Whether the entry lies in an executable section, in ARM state.
bool EntryIsCode(const Image& image, std::uint32_t entry) {
  if (entry % 4 != 0) return false;
  for (std::uint32_t i = 0; i < image.section_count; ++i) {
    const std::uint32_t at = image.sections + 40 * i;
    const std::uint32_t rva = image.Read32(at + 12);
    if ((image.Read32(at + 36) & 0x20000000u) && entry >= rva &&
        entry - rva < image.Read32(at + 8)) {
      return true;
    }
  }
  return false;
}

const Image* g_image = nullptr;
unsigned char* g_stack = nullptr;  // the guard page; the stack follows it

// Where an address lies: the image's own (with its address in the linked
// ELF file, for objdump) or elsewhere (the loader, a stand-in).
std::string Place(std::uintptr_t address) {
  const std::uintptr_t base = reinterpret_cast<std::uintptr_t>(g_image->base);
  char text[64];
  if (address - base < g_image->size) {
    std::snprintf(text, sizeof text, "0x%lx (ELF 0x%lx)", static_cast<unsigned long>(address),
                  static_cast<unsigned long>(address - base + g_image->preferred_base));
  } else {
    std::snprintf(text, sizeof text, "0x%lx (not the image)", static_cast<unsigned long>(address));
  }
  return text;
}

void OnFault(int signal, siginfo_t* info, void* context) {
  const mcontext_t& m = static_cast<ucontext_t*>(context)->uc_mcontext;
  const std::uintptr_t fault = reinterpret_cast<std::uintptr_t>(info->si_addr);
  const bool guard = fault - reinterpret_cast<std::uintptr_t>(g_stack) < kPage;
  std::fprintf(stderr, "ce_loader: %s%s at pc=%s, lr=%s, sp=0x%lx, address 0x%lx; "
               "the last import called: %s, returning to %s\n",
               strsignal(signal), guard ? " in the stack's guard page" : "",
               Place(m.arm_pc).c_str(), Place(m.arm_lr).c_str(), m.arm_sp,
               static_cast<unsigned long>(fault), ce::LastImport(),
               Place(ce::LastImportReturn()).c_str());
  _exit(ce::kExitCrash);
}

void CatchFaults() {
  static std::vector<char> alternate(64 * 1024);
  stack_t stack = {};
  stack.ss_sp = alternate.data();
  stack.ss_size = alternate.size();
  sigaltstack(&stack, nullptr);
  struct sigaction action = {};
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK;
  for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) sigaction(signal, &action, nullptr);
}

// How far below the top the image wrote: the lowest word whose paint is
// gone.
std::uint32_t StackDepth(const std::uint32_t* stack) {
  const std::uint32_t words = kStackSize / 4;
  for (std::uint32_t i = 0; i < words; ++i) {
    if (stack[i] != kPaint) return (words - i) * 4;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: ce_loader IMAGE\n");
    return ce::kExitBadImage;
  }
  char real[PATH_MAX];
  if (realpath(argv[1], real) == nullptr) Refuse("cannot find %s", argv[1]);
  Image image;
  std::ifstream in(real, std::ios::binary);
  image.file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) Refuse("cannot read %s", real);
  ReadHeaders(image);
  MapSections(image);
  const std::uint32_t relocations = Relocate(image);
  const std::uint32_t entry = image.Read32(image.headers + 16);
  if (!EntryIsCode(image, entry)) Refuse("entry RVA 0x%x is not ARM code of the image", entry);

  const char* cut = std::getenv("CE_MODULE_NAME_CUT");
  const char* without = std::getenv("CE_WITHOUT_OLE32");
  const std::uint32_t base =
      static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(image.base));
  const char* failing = std::getenv("CE_FAIL_MALLOC");
  ce::SetWorld({real, base, without != nullptr && std::strcmp(without, "1") == 0,
                cut != nullptr && std::strcmp(cut, "nul") == 0,
                failing != nullptr ? static_cast<unsigned>(std::atoi(failing)) : 0u,
                failing != nullptr && std::strchr(failing, '+') != nullptr});
  const std::uint32_t imports = BindImports(image);
  Protect(image);
  std::fprintf(stderr, "ce_loader: mapped at 0x%x (preferred 0x%x), %u relocations, %u imports\n",
               base, image.preferred_base, relocations, imports);

  void* memory = mmap(nullptr, kPage + kStackSize, PROT_READ | PROT_WRITE,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) Refuse("cannot map the stack");
  g_stack = static_cast<unsigned char*>(memory);
  mprotect(g_stack, kPage, PROT_NONE);
  auto* stack = reinterpret_cast<std::uint32_t*>(g_stack + kPage);
  for (std::uint32_t i = 0; i < kStackSize / 4; ++i) stack[i] = kPaint;
  g_image = &image;
  CatchFaults();

  // WinMain(hInstance, hPrevInstance, lpCmdLine, nShowCmd): an empty wide
  // command line, SW_SHOWNORMAL.
  static const char16_t command_line[] = u"";
  const std::uint32_t args[4] = {
      base, 0, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(command_line)), 1};
  // The entry starts one word below the top: a stack aligned to 4 bytes
  // and not 8, as CE code may hand on, so that any reliance on 8 shows.
  const std::uint32_t top = static_cast<std::uint32_t>(
      reinterpret_cast<std::uintptr_t>(g_stack + kPage + kStackSize)) - 4;
  const std::uint32_t result = ce_enter(base + entry, top, args);

  bool sound = ce::FinishRun();
  const std::uint32_t depth = StackDepth(stack);
  std::fprintf(stderr, "ce_loader: stack: %u bytes of %u\n", depth, kStackSize);
  if (depth >= kStackLimit) {
    std::fprintf(stderr, "ce_loader: the stack reached the last 2 KB, which CE keeps for itself\n");
    sound = false;
  }
  for (int i = 0; i < 8; ++i) {
    if (ce_exit_regs[i] != ce_entry_regs[i]) {
      std::fprintf(stderr, "ce_loader: the entry returned r%d changed\n", i + 4);
      sound = false;
    }
  }
  if (ce_exit_regs[8] != top) {
    std::fprintf(stderr, "ce_loader: the entry returned sp 0x%x, not 0x%x\n", ce_exit_regs[8], top);
    sound = false;
  }
  if (!sound) return ce::kExitBrokenRule;
  return static_cast<int>(result);
}
