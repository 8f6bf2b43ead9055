// The test loader's pieces: the image mapped and called (PeImage.cpp), the
// coredll stand-ins (StandIns.cpp) and the trampolines between the image's
// calling convention and ours (Trampolines.S).
#pragma once

#include <cstdint>
#include <string>

namespace ce {
using u32 = std::uint32_t;
constexpr int kExitRefused = 64;  // the loader's own failures, above the image's codes

[[noreturn]] void Refuse(const char* format, ...);  // says why on stderr, then exits
// Binds dll!name to a trampoline and returns its address; a name that no
// stand-in knows fails with its name when called.
u32 Bind(const std::string& dll, const std::string& name);
void SetImage(const std::string& path, u32 base);  // before the entry
// After the entry: saves the registry and checks COM's order; false after
// saying what broke.
bool FinishRun();
}  // namespace ce

extern "C" {
// Saved by a trampoline: r0-r3, the caller's sp (its stack arguments start
// there) and its return address.
struct CeCall {
  std::uint32_t r[4], sp, lr;
};
std::uint32_t ce_dispatch(const CeCall* call, std::uint32_t index);
// Calls entry(args[0..3]) on the stack that ends at stack_top; returns r0.
std::uint32_t ce_enter(std::uint32_t entry, std::uint32_t stack_top, const std::uint32_t* args);
extern char ce_trampolines[];  // 64 of 16 bytes each
}
