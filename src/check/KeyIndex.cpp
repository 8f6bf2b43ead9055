#include "check/KeyIndex.h"

#include <algorithm>

#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

// FNV-1a over the folded units, so that the spellings of one key meet.
std::uint32_t FoldedHash(std::u16string_view path) {
  std::uint32_t hash = 2166136261u;
  for (char16_t c : path) hash = (hash ^ regstore::FoldUnit(c)) * 16777619u;
  return hash;
}

}  // namespace

std::size_t KeyIndex::Add(std::u16string_view path, bool* added) {
  if (2 * (paths_.size() + 1) > buckets_.size()) {
    std::vector<Bucket> grown(std::max<std::size_t>(64, 2 * buckets_.size()));
    for (const Bucket& bucket : buckets_) {
      std::size_t at = bucket.Hash & (grown.size() - 1);
      while (bucket.Number != 0 && grown[at].Number != 0) {
        at = (at + 1) & (grown.size() - 1);
      }
      if (bucket.Number != 0) grown[at] = bucket;
    }
    buckets_.swap(grown);
  }
  const std::uint32_t hash = FoldedHash(path);
  std::size_t at = hash & (buckets_.size() - 1);
  for (; buckets_[at].Number != 0; at = (at + 1) & (buckets_.size() - 1)) {
    const std::size_t number = buckets_[at].Number - 1;
    if (buckets_[at].Hash == hash && regstore::SameName(paths_[number], path)) {
      *added = false;
      return number;
    }
  }
  auto* held = static_cast<char16_t*>(
      arena_.allocate(std::max<std::size_t>(path.size(), 1) * sizeof(char16_t),
                      alignof(char16_t)));
  std::copy(path.begin(), path.end(), held);
  paths_.emplace_back(held, path.size());
  buckets_[at] = {hash, static_cast<std::uint32_t>(paths_.size())};
  *added = true;
  return paths_.size() - 1;
}

}  // namespace tarnwell::check
