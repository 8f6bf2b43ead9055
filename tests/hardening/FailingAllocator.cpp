// Linked only into the installer that the out-of-memory test runs: global
// operator new that fails its N-th call (N from TARNWELL_TEST_FAIL_ALLOCATION;
// "N+" fails that call and every later one) by throwing std::bad_alloc (the
// nothrow forms: by returning null), as a full heap would. When it fails a
// call it says so on standard error, so the test knows the run reached
// that point.
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

long long g_fail_at = -2;  // not read yet
bool g_persist = false;
long long g_count = 0;

bool ThisCallFails() {
  if (g_fail_at == -2) {
    const char* setting = std::getenv("TARNWELL_TEST_FAIL_ALLOCATION");
    g_fail_at = setting != nullptr ? std::atoll(setting) : -1;
    g_persist = setting != nullptr && std::strchr(setting, '+') != nullptr;
  }
  ++g_count;
  if (g_fail_at < 0 || g_count < g_fail_at) return false;
  if (g_count > g_fail_at && !g_persist) return false;
  if (g_count == g_fail_at) {
    static const char kNote[] = "[injected allocation failure]\n";
    ssize_t ignored = write(2, kNote, sizeof kNote - 1);
    (void)ignored;
  }
  return true;
}

void* Allocate(std::size_t size) {
  if (ThisCallFails()) throw std::bad_alloc();
  void* p = std::malloc(size != 0 ? size : 1);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void* AllocateOrNull(std::size_t size) noexcept {
  if (ThisCallFails()) return nullptr;
  return std::malloc(size != 0 ? size : 1);
}

}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  if (ThisCallFails()) throw std::bad_alloc();
  const std::size_t a = static_cast<std::size_t>(alignment);
  void* p = std::aligned_alloc(a, (size + a - 1) / a * a + (size == 0 ? a : 0));
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
  std::free(p);
}
void* operator new[](std::size_t size) { return Allocate(size); }
// The installer's core allocates with new (std::nothrow): its calls count
// and fail here too, returning null as a full heap would.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return AllocateOrNull(size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
