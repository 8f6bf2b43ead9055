// What the C++ language asks of a runtime, for the installer built without
// exceptions. The installer allocates only with new (std::nothrow) and
// checks for null; these take the memory from the C heap (malloc, which
// Windows CE's core library exports too) and never throw, so nothing of
// the C++ runtime's exception support is linked in.
#include <cstdlib>
#include <new>

void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size != 0 ? size : 1);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size != 0 ? size : 1);
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
