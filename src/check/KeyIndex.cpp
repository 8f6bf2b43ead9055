#include "check/KeyIndex.h"

#include <algorithm>
#include <chrono>

#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

// FNV-1a over the folded units from the index's seed, so that the
// spellings of one key meet, then a final mix for the low bits the index
// uses. Each step multiplies what the seed made of the units before, so
// which paths meet depends on the seed (a plain sum from a seed would let
// paths of one length and one sum meet under every seed).
std::uint32_t FoldedHash(std::u16string_view path, std::uint64_t seed) {
  std::uint64_t hash = seed;
  for (char16_t c : path) hash = (hash ^ regstore::FoldUnit(c)) * 0x100000001B3ull;
  hash ^= hash >> 33;
  hash *= 0xFF51AFD7ED558CCDull;
  return static_cast<std::uint32_t>(hash ^ (hash >> 33));
}

}  // namespace

KeyIndex::KeyIndex()
    : seed_(static_cast<std::uint64_t>(
                std::chrono::steady_clock::now().time_since_epoch().count()) ^
            reinterpret_cast<std::uintptr_t>(this)) {}

std::size_t KeyIndex::Add(std::u16string_view path, bool* added) {
  if (2 * (paths_.size() + 1) > buckets_.size()) {
    std::vector<Bucket> grown(std::max<std::size_t>(64, 2 * buckets_.size()));
    for (const Bucket& bucket : buckets_) {
      if (bucket.Number == 0) continue;
      std::size_t at = bucket.Hash & (grown.size() - 1);
      while (grown[at].Number != 0) at = (at + 1) & (grown.size() - 1);
      grown[at] = bucket;
    }
    buckets_.swap(grown);
  }
  const std::uint32_t hash = FoldedHash(path, seed_);
  std::size_t at = hash & (buckets_.size() - 1);
  for (; buckets_[at].Number != 0; at = (at + 1) & (buckets_.size() - 1)) {
    const std::size_t number = buckets_[at].Number - 1;
    // The writers spell a key one way: the exact path is the quick test.
    if (buckets_[at].Hash == hash &&
        (paths_[number] == path || regstore::SameName(paths_[number], path))) {
      *added = false;
      return number;
    }
  }
  paths_.push_back(regstore::HoldText(arena_, path));
  buckets_[at] = {hash, static_cast<std::uint32_t>(paths_.size())};
  *added = true;
  return paths_.size() - 1;
}

}  // namespace tarnwell::check
