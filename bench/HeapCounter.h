// Heap bytes in use and their high-water mark, counted by the program's
// own global operator new and delete, so that a benchmark can report the
// peak memory of one run.
#pragma once

#include <cstddef>

namespace tarnwell::bench {

std::size_t HeapInUse();

// Starts a new high-water mark at what is in use now.
void ResetHeapPeak();
std::size_t HeapPeak();

// The peak of the heap above what was in use when it starts, over the
// scope's life.
class HeapPeakScope {
 public:
  HeapPeakScope() : base_(HeapInUse()) { ResetHeapPeak(); }
  std::size_t Peak() const { return HeapPeak() - base_; }

 private:
  std::size_t base_;
};

}  // namespace tarnwell::bench
