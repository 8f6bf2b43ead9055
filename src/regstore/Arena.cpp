#include "regstore/Arena.h"

#include <new>

namespace tarnwell::regstore {

static_assert(Arena::kHeader + Arena::kLargeRequest <= Arena::kLargestBlock,
              "every request that shares blocks fits the largest");

Arena::~Arena() {
  while (blocks_ != nullptr) {
    Block* next = blocks_->Next;
    ::operator delete(blocks_);
    blocks_ = next;
  }
}

void* Arena::do_allocate(std::size_t bytes, std::size_t alignment) {
  if (alignment > kHeader) alignment = kHeader;  // nothing here needs more
  if (bytes > kLargeRequest) {
    if (bytes > static_cast<std::size_t>(-1) - kHeader) throw std::bad_alloc();
    auto* block = static_cast<Block*>(::operator new(kHeader + bytes));
    if (blocks_ == nullptr) {
      blocks_ = block;
      block->Next = nullptr;
    } else {
      // Behind the newest block, which keeps its free part.
      block->Next = blocks_->Next;
      blocks_->Next = block;
    }
    return reinterpret_cast<char*>(block) + kHeader;
  }
  std::size_t pad = (alignment - reinterpret_cast<std::size_t>(free_) % alignment) % alignment;
  if (free_ == nullptr || pad + bytes > left_) {
    // The next size up that holds the request; a block starts aligned.
    while (next_block_ - kHeader < bytes) next_block_ *= 2;
    auto* block = static_cast<Block*>(::operator new(next_block_));
    block->Next = blocks_;
    blocks_ = block;
    free_ = reinterpret_cast<char*>(block) + kHeader;
    left_ = next_block_ - kHeader;
    if (next_block_ < kLargestBlock) next_block_ *= 2;
    pad = 0;
  }
  void* p = free_ + pad;
  free_ += pad + bytes;
  left_ -= pad + bytes;
  return p;
}

}  // namespace tarnwell::regstore
