// The test loader's pieces: the PE image mapped and called (PeImage.cpp),
// the coredll stand-ins (StandIns.cpp) and the trampolines between the
// image's calling convention and ours (Trampolines.S).
#pragma once

#include <cstdint>
#include <string>

namespace ce {

// Exit codes of the loader's own failures, above any the image returns.
constexpr int kExitBadImage = 64;       // not an image this loader maps
constexpr int kExitUnknownImport = 65;  // the image called what no stand-in knows
constexpr int kExitCrash = 66;          // a fault signal in the image
constexpr int kExitBrokenRule = 67;     // stack, ABI, leaks, COM order

// Trampolines: the image calls trampoline i, which saves its argument
// registers and stack pointer, moves to the loader's stack and calls
// Dispatch with i.
constexpr std::uint32_t kTrampolineCount = 64;
std::uint32_t TrampolineAddress(std::uint32_t index);

// Binds one import (or a GetProcAddressW result) to a trampoline; returns
// its address, or 0 when every trampoline is taken.
std::uint32_t Bind(const std::string& dll, const std::string& name);

// The world the stand-ins show the image.
struct World {
  std::string image_path;      // real path of the image
  std::uint32_t image_base;    // where it is mapped (its HINSTANCE)
  bool without_ole32;          // LoadLibraryW("ole32.dll") fails
  bool module_name_cut_nul;    // GetModuleFileNameW cuts as NUL-ended
  unsigned failing_malloc;     // malloc call n fails (0: none)
  bool malloc_fails_on;        // ... and every later one
};
void SetWorld(const World& world);

// After the entry returned: saves the registry and checks what the run
// left (open keys, files, heap blocks, COM). Returns false after saying
// what broke a rule on stderr.
bool FinishRun();

// The import called last and where the image called it from, for crash
// reports.
const char* LastImport();
std::uint32_t LastImportReturn();

}  // namespace ce

extern "C" {
// Saved by a trampoline: the argument registers, the caller's sp (its
// stack arguments start there) and its return address.
struct CeCall {
  std::uint32_t r[4];
  std::uint32_t sp;
  std::uint32_t lr;
};
std::uint32_t ce_dispatch(const CeCall* call, std::uint32_t index);
// Calls entry(args[0..3]) on the stack that ends at stack_top; returns r0.
// ce_exit_regs then holds r4..r11 and sp as the entry returned them.
std::uint32_t ce_enter(std::uint32_t entry, std::uint32_t stack_top,
                       const std::uint32_t* args);
extern std::uint32_t ce_exit_regs[9];
extern std::uint32_t ce_entry_regs[8];  // r4-r11 handed to the entry
extern char ce_trampolines[];
}
