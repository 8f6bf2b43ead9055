#include "regstore/Arena.h"

#include <new>

namespace tarnwell::regstore {
namespace {

// Blocks grow from the first size to the largest, so that a small tree
// stays small and a large one takes few blocks.
constexpr std::size_t kFirstBlock = 4 * 1024;
constexpr std::size_t kLargestBlock = 256 * 1024;
// A request beyond this gets a block of its own, so that what is left of
// the current block is not thrown away for it.
constexpr std::size_t kLargeRequest = kLargestBlock / 8;
constexpr std::size_t kHeader = alignof(std::max_align_t);

}  // namespace

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
    if (next_block_ == 0) next_block_ = kFirstBlock;
    const std::size_t size = next_block_;
    auto* block = static_cast<Block*>(::operator new(size));
    if (next_block_ < kLargestBlock) next_block_ *= 2;
    block->Next = blocks_;
    blocks_ = block;
    free_ = reinterpret_cast<char*>(block) + kHeader;
    left_ = size - kHeader;
    pad = 0;
  }
  void* p = free_ + pad;
  free_ += pad + bytes;
  left_ -= pad + bytes;
  return p;
}

}  // namespace tarnwell::regstore
