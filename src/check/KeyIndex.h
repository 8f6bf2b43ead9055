// Registry key paths by their folded form, as the stores match them: each
// path is held once, in an arena, and numbered in the order first added.
// A great many keys cost no allocation each and nothing to free one by one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "regstore/Arena.h"

namespace tarnwell::check {

class KeyIndex {
 public:
  // Seeded anew for each index, so that no file can be made whose key
  // paths all meet in one place of it.
  KeyIndex();

  // The number of the path, or of the one that differs from it only in
  // case; *added tells whether it is new, and then held as spelled here.
  std::size_t Add(std::u16string_view path, bool* added);
  std::u16string_view Path(std::size_t number) const { return paths_[number]; }
  std::size_t Count() const { return paths_.size(); }

 private:
  // Open addressing, never more than half full; Number is one plus the
  // path's number, 0 for a free place.
  struct Bucket {
    std::uint32_t Hash = 0;
    std::uint32_t Number = 0;
  };

  std::uint64_t seed_;
  regstore::Arena arena_;
  std::vector<std::u16string_view> paths_;
  std::vector<Bucket> buckets_;
};

}  // namespace tarnwell::check
