// Memory for a tree of keys and values: handed out from blocks, never given
// back one piece at a time, all freed with the arena. A large tree then
// costs few allocations and no time to free, and wastes at most one block.
#pragma once

#include <cstddef>
#include <memory_resource>
#include <string_view>

namespace tarnwell::regstore {

class Arena : public std::pmr::memory_resource {
 public:
  // Blocks grow from the first size to the largest, so that a small tree
  // stays small and a large one takes few blocks. A request beyond
  // kLargeRequest gets a block of its own, so that what is left of the
  // current block is not thrown away for it; any other fits a new block.
  static constexpr std::size_t kFirstBlock = 4 * 1024;
  static constexpr std::size_t kLargestBlock = 256 * 1024;
  static constexpr std::size_t kLargeRequest = kLargestBlock / 8;
  // Each block starts with this much for the arena's own use.
  static constexpr std::size_t kHeader = alignof(std::max_align_t);

  Arena() = default;
  ~Arena() override;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;

 private:
  void* do_allocate(std::size_t bytes, std::size_t alignment) override;
  void do_deallocate(void*, std::size_t, std::size_t) override {}
  bool do_is_equal(const std::pmr::memory_resource& other) const
      noexcept override {
    return this == &other;
  }

  struct Block {
    Block* Next;
  };
  Block* blocks_ = nullptr;
  char* free_ = nullptr;  // the free part of the newest block
  std::size_t left_ = 0;
  std::size_t next_block_ = kFirstBlock;
};

// A copy of the text in the arena, good while the arena lives; an empty
// text gets a place too, so that its view points somewhere.
template <typename C>
std::basic_string_view<C> HoldText(std::pmr::memory_resource& arena,
                                   std::basic_string_view<C> text) {
  auto* units = static_cast<C*>(
      arena.allocate((text.size() + 1) * sizeof(C), alignof(C)));
  text.copy(units, text.size());
  return {units, text.size()};
}

}  // namespace tarnwell::regstore
