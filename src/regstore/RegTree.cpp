#include "regstore/RegTree.h"

#include <cstring>
#include <new>

#include "regstore/Registry.h"

namespace tarnwell::regstore {
namespace {

// Above this many values a key keeps an index of them by name.
constexpr std::size_t kIndexedValues = 16;

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

bool RegNode::IndexLess::operator()(std::size_t a, std::size_t b) const {
  return CompareFolded((*Values)[a].Name, (*Values)[b].Name) < 0;
}
bool RegNode::IndexLess::operator()(std::size_t a,
                                    std::u16string_view b) const {
  return CompareFolded((*Values)[a].Name, b) < 0;
}
bool RegNode::IndexLess::operator()(std::u16string_view a,
                                    std::size_t b) const {
  return CompareFolded(a, (*Values)[b].Name) < 0;
}

RegNode* RegNode::Child(std::u16string_view name) const {
  auto it = children_.find(name);
  return it == children_.end() ? nullptr : it->second;
}

RegNode& RegNode::AddChild(std::u16string_view name, bool* created) {
  auto it = children_.lower_bound(name);
  const bool missing = it == children_.end() || !SameName(it->first, name);
  if (created != nullptr) *created = missing;
  if (missing) {
    const std::u16string_view held = HoldText(*arena_, name);
    // The node first: a map entry whose node could not be made would
    // hold null.
    RegNode* child = MakeIn<RegNode>(arena_, arena_, held, level_ + 1);
    it = children_.emplace_hint(it, held, child);
  }
  return *it->second;
}

std::size_t RegNode::FindValue(std::u16string_view name) const {
  if (index_ != nullptr) {
    auto it = index_->find(name);
    return it == index_->end() ? values_.size() : *it;
  }
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if (SameName(values_[i].Name, name)) return i;
  }
  return values_.size();
}

const RegValue* RegNode::Value(std::u16string_view name) const {
  const std::size_t i = FindValue(name);
  return i == values_.size() ? nullptr : &values_[i];
}

bool RegNode::SetValue(std::u16string_view name, std::uint32_t type,
                       std::string_view data) {
  const std::size_t i = FindValue(name);
  if (i != values_.size()) {
    RegValue& value = values_[i];
    if (value.Type == type && value.Data == data) return false;
    value.Data.assign(data);
    value.Type = type;
    return true;
  }
  values_.push_back(RegValue{std::pmr::u16string(name, arena_), type,
                             std::pmr::string(data, arena_)});
  try {
    if (index_ != nullptr) {
      index_->insert(values_.size() - 1);
    } else if (values_.size() > kIndexedValues) {
      ValueIndex* index =
          MakeIn<ValueIndex>(arena_, IndexLess{&values_}, arena_);
      for (std::size_t k = 0; k < values_.size(); ++k) index->insert(k);
      index_ = index;
    }
  } catch (...) {
    values_.pop_back();
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
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find(u'\\', start);
    const std::u16string_view name = path.substr(
        start, end == std::u16string_view::npos ? std::u16string_view::npos
                                                : end - start);
    if (name.empty()) return kErrorBadPathname;
    if (!IsWritableName(name, kMaxKeyName)) return kErrorInvalidParameter;
    names->push_back(name);
    if (end == std::u16string_view::npos) break;
    start = end + 1;
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
  while (!todo.empty()) {
    const auto [from, to] = todo.back();
    todo.pop_back();
    for (const RegValue& value : from->Values()) {
      to->SetValue(value.Name, value.Type, value.Data);
    }
    for (const auto& child : from->Children()) {
      todo.emplace_back(child.second, &to->AddChild(child.second->Name()));
    }
  }
  return copy;
}

}  // namespace tarnwell::regstore
