#include "HeapCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace tarnwell::bench {

std::atomic<std::size_t> g_in_use{0};
std::atomic<std::size_t> g_peak{0};

// Each block carries its size in front, so that delete knows what it frees
// whether or not the caller passes the size.
constexpr std::size_t kHeader = alignof(std::max_align_t);

// Notes a block of size bytes at the front of block; returns p.
void* Counted(void* block, std::size_t size, void* p) noexcept {
  *static_cast<std::size_t*>(block) = size;
  std::size_t now = g_in_use.fetch_add(size, std::memory_order_relaxed) + size;
  std::size_t peak = g_peak.load(std::memory_order_relaxed);
  while (now > peak &&
         !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
  }
  return p;
}

void* Allocate(std::size_t size) noexcept {
  void* block = std::malloc(size + kHeader);
  if (block == nullptr) return nullptr;
  return Counted(block, size, static_cast<char*>(block) + kHeader);
}

void Release(void* p) noexcept {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - kHeader;
  g_in_use.fetch_sub(*static_cast<std::size_t*>(block),
                     std::memory_order_relaxed);
  std::free(block);
}

// Aligned blocks carry their size in front too, a whole alignment ahead.
void* AllocateAligned(std::size_t size, std::size_t alignment) noexcept {
  const std::size_t total = (size + alignment + alignment - 1) / alignment * alignment;
  void* block = std::aligned_alloc(alignment, total);
  if (block == nullptr) return nullptr;
  return Counted(block, size, static_cast<char*>(block) + alignment);
}

void ReleaseAligned(void* p, std::size_t alignment) noexcept {
  if (p == nullptr) return;
  void* block = static_cast<char*>(p) - alignment;
  g_in_use.fetch_sub(*static_cast<std::size_t*>(block),
                     std::memory_order_relaxed);
  std::free(block);
}

void* AllocateOrThrow(std::size_t size) {
  void* p = Allocate(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

std::size_t HeapInUse() { return g_in_use.load(std::memory_order_relaxed); }
void ResetHeapPeak() { g_peak.store(HeapInUse(), std::memory_order_relaxed); }
std::size_t HeapPeak() { return g_peak.load(std::memory_order_relaxed); }

}  // namespace tarnwell::bench

using tarnwell::bench::Allocate;
using tarnwell::bench::AllocateAligned;
using tarnwell::bench::ReleaseAligned;
using tarnwell::bench::AllocateOrThrow;
using tarnwell::bench::Release;

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return Allocate(size);
}
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

void* operator new(std::size_t size, std::align_val_t alignment) {
  void* p = AllocateAligned(size, static_cast<std::size_t>(alignment));
  if (p == nullptr) throw std::bad_alloc();
  return p;
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return operator new(size, alignment);
}
void operator delete(void* p, std::align_val_t alignment) noexcept {
  ReleaseAligned(p, static_cast<std::size_t>(alignment));
}
void operator delete[](void* p, std::align_val_t alignment) noexcept {
  ReleaseAligned(p, static_cast<std::size_t>(alignment));
}
void operator delete(void* p, std::size_t, std::align_val_t alignment) noexcept {
  ReleaseAligned(p, static_cast<std::size_t>(alignment));
}
void operator delete[](void* p, std::size_t, std::align_val_t alignment) noexcept {
  ReleaseAligned(p, static_cast<std::size_t>(alignment));
}
