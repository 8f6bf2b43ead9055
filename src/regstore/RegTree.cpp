#include "regstore/RegTree.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>

#include "regstore/Registry.h"

namespace tarnwell::regstore {
namespace {

// Above this many values a key keeps an index of them by name; above
// this many children, an index of its children.
constexpr std::size_t kIndexedValues = 16;
constexpr std::size_t kIndexedChildren = 8;

int CompareFolded(std::u16string_view a, std::u16string_view b) {
  const std::size_t n = a.size() < b.size() ? a.size() : b.size();
  std::size_t i = 0;
  // Names share long runs (VID_1234&PID_...): skip equal units four at a
  // time before folding the first that differ.
  for (; i + 4 <= n; i += 4) {
    std::uint64_t x, y;
    std::memcpy(&x, a.data() + i, sizeof x);
    std::memcpy(&y, b.data() + i, sizeof y);
    if (x != y) break;
  }
  for (; i < n; ++i) {
    if (a[i] == b[i]) continue;
    const char16_t x = FoldUnit(a[i]);
    const char16_t y = FoldUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

// An object made in the arena; it is never destroyed on its own: all that
// it holds lies in the arena too, which is freed whole.
template <typename T, typename... Args>
T* MakeIn(std::pmr::memory_resource* arena, Args&&... args) {
  return new (arena->allocate(sizeof(T), alignof(T)))
      T(std::forward<Args>(args)...);
}

// No longer than `most`, and no control character, which a line of .reg
// text cannot hold.
bool IsWritableName(std::u16string_view name, std::size_t most) {
  if (name.size() > most) return false;
  for (char16_t c : name) {
    if (c < 0x20) return false;
  }
  return true;
}

}  // namespace

char16_t FoldBeyondAscii(char16_t c) {
  // Latin-1, Greek and Cyrillic small letters: the names a device's
  // registry is likely to hold beyond ASCII.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

std::u16string FoldCase(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = FoldUnit(c);
  return folded;
}

bool FoldLess::operator()(std::u16string_view a, std::u16string_view b) const {
  return CompareFolded(a, b) < 0;
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && CompareFolded(a, b) == 0;
}

bool RegNode::IndexLess::operator()(std::uint32_t a, std::uint32_t b) const {
  return CompareFolded(Node->values_[a].Name, Node->values_[b].Name) < 0;
}
bool RegNode::IndexLess::operator()(std::uint32_t a,
                                    std::u16string_view b) const {
  return CompareFolded(Node->values_[a].Name, b) < 0;
}
bool RegNode::IndexLess::operator()(std::u16string_view a,
                                    std::uint32_t b) const {
  return CompareFolded(a, Node->values_[b].Name) < 0;
}

// Open addressing over the children's folded names, at most 3/4 full.
// Each slot keeps its name's hash beside its child, so that a search or a
// growth reads no child but the one sought. The hash starts from a seed of
// its own, so that no set of names can be made to meet in every run.
struct RegNode::ChildIndex {
  std::uint64_t Seed = 0;
  std::size_t Mask = 0;              // slots - 1
  std::uint32_t* Hashes = nullptr;  // 0 in an empty slot
  RegNode** Slots = nullptr;

  std::uint32_t Hash(std::u16string_view name) const {
    std::uint64_t h = Seed;
    for (char16_t c : name) {
      h ^= FoldUnit(c);
      h *= 0x100000001B3u;  // FNV-1a's prime
    }
    const auto hash = static_cast<std::uint32_t>(h ^ (h >> 32));
    return hash != 0 ? hash : 1;
  }
  // The slot that holds the name, or the empty one where it would go.
  std::size_t Find(std::u16string_view name, std::uint32_t hash) const {
    std::size_t i = hash & Mask;
    while (Hashes[i] != 0 &&
           (Hashes[i] != hash || !SameName(Slots[i]->Name(), name))) {
      i = (i + 1) & Mask;
    }
    return i;
  }
  void Put(std::uint32_t hash, RegNode* child) {
    std::size_t i = hash & Mask;
    while (Hashes[i] != 0) i = (i + 1) & Mask;
    Hashes[i] = hash;
    Slots[i] = child;
  }
};

struct RegNode::Indexes {
  ChildIndex Children;
  ValueIndex* Values = nullptr;
};

RegNode::Indexes& RegNode::MakeIndexes() {
  if (indexes_ == nullptr) indexes_ = MakeIn<Indexes>(arena_);
  return *indexes_;
}

RegNode* RegNode::Child(std::u16string_view name) const {
  std::uint32_t hash = 0;
  return FindChild(name, &hash);
}

RegNode* RegNode::FindChild(std::u16string_view name,
                            std::uint32_t* hash) const {
  if (indexes_ != nullptr && indexes_->Children.Slots != nullptr) {
    const ChildIndex& index = indexes_->Children;
    *hash = index.Hash(name);
    const std::size_t i = index.Find(name, *hash);
    return index.Hashes[i] != 0 ? index.Slots[i] : nullptr;
  }
  for (RegNode* child = newest_child_; child != nullptr;
       child = child->older_sibling_) {
    if (SameName(child->Name(), name)) return child;
  }
  return nullptr;
}

bool RegNode::ReserveChild() {
  if (child_count_ == UINT32_MAX) throw std::bad_alloc();
  const std::size_t need = std::size_t{child_count_} + 1;
  const bool indexed = indexes_ != nullptr && indexes_->Children.Slots;
  if (!indexed && need <= kIndexedChildren) return false;
  if (indexed && 4 * need <= 3 * (indexes_->Children.Mask + 1)) return true;
  std::size_t slots = 2 * kIndexedChildren;
  while (3 * slots < 4 * need) slots *= 2;
  ChildIndex& index = MakeIndexes().Children;
  ChildIndex grown = index;
  grown.Hashes = static_cast<std::uint32_t*>(arena_->allocate(
      slots * sizeof(std::uint32_t), alignof(std::uint32_t)));
  grown.Slots = static_cast<RegNode**>(
      arena_->allocate(slots * sizeof(RegNode*), alignof(RegNode*)));
  grown.Mask = slots - 1;
  std::fill(grown.Hashes, grown.Hashes + slots, 0);
  if (index.Slots != nullptr) {
    for (std::size_t i = 0; i <= index.Mask; ++i) {
      if (index.Hashes[i] != 0) grown.Put(index.Hashes[i], index.Slots[i]);
    }
  } else {
    grown.Seed = 0xCBF29CE484222325u ^  // FNV-1a's start
                 static_cast<std::uint64_t>(
                     std::chrono::steady_clock::now().time_since_epoch().count()) ^
                 (static_cast<std::uint64_t>(
                      reinterpret_cast<std::uintptr_t>(grown.Slots)) << 16);
    for (RegNode* child = newest_child_; child != nullptr;
         child = child->older_sibling_) {
      grown.Put(grown.Hash(child->Name()), child);
    }
  }
  index = grown;
  return true;
}

RegNode& RegNode::AddChild(std::u16string_view name, bool* created) {
  std::uint32_t hash = 0;  // the index's, once it has one
  RegNode* child = FindChild(name, &hash);
  if (created != nullptr) *created = child == nullptr;
  if (child != nullptr) return *child;
  // What may fail first: a child is linked only once all it needs is made.
  const bool indexed = ReserveChild();
  const std::u16string_view held = HoldText(*arena_, name);
  child = MakeIn<RegNode>(arena_, arena_, held, level_ + 1);
  if (newest_child_ != nullptr &&
      CompareFolded(newest_child_->Name(), held) > 0) {
    children_sorted_ = 0;
  }
  child->older_sibling_ = newest_child_;
  newest_child_ = child;
  ++child_count_;
  if (indexed) {
    ChildIndex& index = indexes_->Children;
    index.Put(hash != 0 ? hash : index.Hash(held), child);
  }
  return *child;
}

void RegNode::SortedChildren(std::vector<const RegNode*>* out) const {
  out->resize(child_count_);
  // Newest first: from the back, the list is in the order of making.
  auto at = out->end();
  for (const RegNode* child = newest_child_; child != nullptr;
       child = child->older_sibling_) {
    *--at = child;
  }
  if (children_sorted_) return;
  // By the first eight folded units, packed so that the numbers compare
  // as the units do: most names differ there, and the sort then reads no
  // name. A shorter name is padded with units below any a name holds.
  struct Sorted {
    std::uint64_t First, Next;
    const RegNode* Node;
  };
  std::vector<Sorted> sorted;
  sorted.reserve(out->size());
  for (const RegNode* child : *out) {
    const std::u16string_view name = child->Name();
    std::uint64_t packed[2] = {0, 0};
    for (std::size_t i = 0; i < 8 && i < name.size(); ++i) {
      packed[i / 4] |= std::uint64_t{FoldUnit(name[i])} << (48 - 16 * (i % 4));
    }
    sorted.push_back({packed[0], packed[1], child});
  }
  std::sort(sorted.begin(), sorted.end(), [](const Sorted& a, const Sorted& b) {
    if (a.First != b.First) return a.First < b.First;
    if (a.Next != b.Next) return a.Next < b.Next;
    return CompareFolded(a.Node->Name(), b.Node->Name()) < 0;
  });
  for (std::size_t i = 0; i < sorted.size(); ++i) (*out)[i] = sorted[i].Node;
}

RegNode::ChildList RegNode::Children() const {
  std::vector<const RegNode*> sorted;
  SortedChildren(&sorted);
  ChildList children;
  children.reserve(sorted.size());
  // The nodes are the tree's own: a caller with the tree in hand may
  // change them.
  for (const RegNode* child : sorted) {
    children.emplace_back(child->Name(), const_cast<RegNode*>(child));
  }
  return children;
}

std::size_t RegNode::FindValue(std::u16string_view name) const {
  if (indexes_ != nullptr && indexes_->Values != nullptr) {
    auto it = indexes_->Values->find(name);
    return it == indexes_->Values->end() ? value_count_ : *it;
  }
  for (std::size_t i = 0; i < value_count_; ++i) {
    if (SameName(values_[i].Name, name)) return i;
  }
  return value_count_;
}

const RegValue* RegNode::Value(std::u16string_view name) const {
  const std::size_t i = FindValue(name);
  return i == value_count_ ? nullptr : &values_[i];
}

bool RegNode::SetValue(std::u16string_view name, std::uint32_t type,
                       std::string_view data) {
  const std::size_t i = FindValue(name);
  if (i != value_count_) {
    RegValue& value = values_[i];
    if (value.Type == type && value.Data == data) return false;
    if (data.size() <= value.Data.size()) {
      // Over the old bytes, which are the tree's own.
      auto* bytes = const_cast<char*>(value.Data.data());
      std::memmove(bytes, data.data(), data.size());
      value.Data = std::string_view(bytes, data.size());
    } else {
      value.Data = HoldText(*arena_, data);
    }
    value.Type = type;
    return true;
  }
  if (value_count_ == UINT32_MAX) throw std::bad_alloc();
  const RegValue added{HoldText(*arena_, name), type, HoldText(*arena_, data)};
  if ((value_count_ & (value_count_ - 1)) == 0) {  // 0, or the array is full
    const std::size_t capacity =
        value_count_ == 0 ? 1 : 2 * std::size_t{value_count_};
    auto* grown = static_cast<RegValue*>(
        arena_->allocate(capacity * sizeof(RegValue), alignof(RegValue)));
    std::copy(values_, values_ + value_count_, grown);
    values_ = grown;
  }
  values_[value_count_++] = added;
  try {
    if (indexes_ != nullptr && indexes_->Values != nullptr) {
      indexes_->Values->insert(value_count_ - 1);
    } else if (value_count_ > kIndexedValues) {
      auto* index = MakeIn<ValueIndex>(arena_, IndexLess{this}, arena_);
      for (std::uint32_t k = 0; k < value_count_; ++k) index->insert(k);
      MakeIndexes().Values = index;
    }
  } catch (...) {
    --value_count_;
    throw;
  }
  return true;
}

bool IsValueName(std::u16string_view name) {
  return IsWritableName(name, kMaxValueName);
}

std::int32_t SplitKeyPath(std::u16string_view path,
                          std::vector<std::u16string_view>* names,
                          std::size_t above) {
  names->clear();
  if (path.empty()) return kErrorSuccess;
  // One pass: each name is judged at its end, so that the first bad name
  // decides the error.
  const char16_t* const end = path.data() + path.size();
  for (const char16_t* start = path.data();; ++start) {
    const char16_t* stop = start;
    char16_t lowest = 0xFFFF;
    for (; stop != end && *stop != u'\\'; ++stop) {
      if (*stop < lowest) lowest = *stop;
    }
    const auto size = static_cast<std::size_t>(stop - start);
    if (size == 0) return kErrorBadPathname;
    if (lowest < 0x20 || size > kMaxKeyName) return kErrorInvalidParameter;
    names->emplace_back(start, size);
    if (stop == end) break;
    start = stop;
  }
  return above + names->size() > 1 + kMaxKeyDepth ? kErrorInvalidParameter
                                                  : kErrorSuccess;
}

const RegNode& RegTree::Root() const {
  static const RegNode kEmpty(std::pmr::null_memory_resource());
  return root_ != nullptr ? *root_ : kEmpty;
}

RegNode& RegTree::Root() {
  if (root_ == nullptr) {
    auto arena = std::make_unique<Arena>();
    root_ = MakeIn<RegNode>(arena.get(), arena.get());
    arena_ = std::move(arena);
  }
  return *root_;
}

RegNode* RegTree::Find(std::u16string_view full_path) const {
  std::vector<std::u16string_view> names;
  if (root_ == nullptr ||
      SplitKeyPath(full_path, &names) != kErrorSuccess) {
    return nullptr;
  }
  RegNode* node = root_;
  for (std::u16string_view name : names) {
    node = node->Child(name);
    if (node == nullptr) return nullptr;
  }
  return node;
}

RegNode& RegTree::Create(std::u16string_view full_path) {
  std::vector<std::u16string_view> names;
  SplitKeyPath(full_path, &names);
  RegNode* node = &Root();
  for (std::u16string_view name : names) node = &node->AddChild(name);
  return *node;
}

RegTree RegTree::Copy() const {
  RegTree copy;
  if (root_ == nullptr) return copy;
  // Key by key, parents first, with the keys still to copy on the heap:
  // a deep tree costs no stack.
  std::vector<std::pair<const RegNode*, RegNode*>> todo = {
      {root_, &copy.Root()}};
  std::vector<const RegNode*> children;
  while (!todo.empty()) {
    const auto [from, to] = todo.back();
    todo.pop_back();
    for (const RegValue& value : from->Values()) {
      to->SetValue(value.Name, value.Type, value.Data);
    }
    from->SortedChildren(&children);
    for (const RegNode* child : children) {
      todo.emplace_back(child, &to->AddChild(child->Name()));
    }
  }
  return copy;
}

}  // namespace tarnwell::regstore
