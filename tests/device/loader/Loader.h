// The test loader's pieces: the image mapped and called (PeImage.cpp), the
// coredll stand-ins (StandIns.cpp) and the trampolines between the image's
// calling convention and ours (Trampolines.S).
#pragma once

#include <cstdint>
#include <string>

namespace ce {

// The loader's own failures exit with this, above any code the image returns.
constexpr int kExitRefused = 64;

// Says why on stderr and exits with kExitRefused.
[[noreturn]] void Refuse(const char* format, ...);

// Binds dll!name (an import, or what GetProcAddressW found) to a trampoline
// and returns its address. A name no stand-in knows fails when called.
std::uint32_t Bind(const std::string& dll, const std::string& name);

// Before the entry: the image's real path and where it is mapped.
void SetImage(const std::string& path, std::uint32_t base);

// After the entry: saves the registry and checks the order of COM. Returns
// false after saying what broke on stderr.
bool FinishRun();

}  // namespace ce

extern "C" {
// Saved by a trampoline: the argument registers, the caller's sp (its stack
// arguments start there) and its return address.
struct CeCall {
  std::uint32_t r[4];
  std::uint32_t sp;
  std::uint32_t lr;
};
std::uint32_t ce_dispatch(const CeCall* call, std::uint32_t index);
// Calls entry(args[0..3]) on the stack that ends at stack_top; returns r0.
std::uint32_t ce_enter(std::uint32_t entry, std::uint32_t stack_top, const std::uint32_t* args);
extern char ce_trampolines[];  // 64 of 16 bytes each
}
