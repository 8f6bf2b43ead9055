#include "platform/regfile/RegTree.h"

#include "platform/Registry.h"

namespace tarnwell::regstore {
namespace {

char16_t FoldUnit(char16_t c) {
  if (c >= u'a' && c <= u'z') return c - 0x20;
  if (c < 0x80) return c;
  // Latin-1, Greek and Cyrillic small letters: the names a device's
  // registry is likely to hold beyond ASCII.
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;
  if (c == 0xFF) return 0x178;
  if (c >= 0x3B1 && c <= 0x3C9 && c != 0x3C2) return c - 0x20;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

}  // namespace

std::u16string FoldCase(std::u16string_view name) {
  std::u16string folded(name);
  for (char16_t& c : folded) c = FoldUnit(c);
  return folded;
}

RegNode* RegNode::Child(std::u16string_view name) const {
  auto it = children_.find(FoldCase(name));
  return it == children_.end() ? nullptr : it->second.get();
}

RegNode& RegNode::AddChild(std::u16string_view name) {
  std::u16string folded = FoldCase(name);
  auto it = children_.find(folded);
  if (it != children_.end()) return *it->second;
  auto node = std::make_unique<RegNode>(std::u16string(name));
  RegNode& added = *node;
  children_.emplace(std::move(folded), std::move(node));
  return added;
}

const RegValue* RegNode::Value(std::u16string_view name) const {
  auto it = value_index_.find(FoldCase(name));
  return it == value_index_.end() ? nullptr : &values_[it->second];
}

void RegNode::SetValue(std::u16string_view name, std::uint32_t type,
                       std::string data) {
  std::u16string folded = FoldCase(name);
  auto it = value_index_.find(folded);
  if (it != value_index_.end()) {
    values_[it->second].Type = type;
    values_[it->second].Data = std::move(data);
    return;
  }
  values_.push_back(RegValue{std::u16string(name), type, std::move(data)});
  try {
    value_index_.emplace(std::move(folded), values_.size() - 1);
  } catch (...) {
    values_.pop_back();
    throw;
  }
}

std::int32_t SplitKeyPath(std::u16string_view path,
                          std::vector<std::u16string_view>* names) {
  names->clear();
  if (path.empty()) return kErrorSuccess;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = path.find(u'\\', start);
    std::u16string_view name = path.substr(
        start, end == std::u16string_view::npos ? std::u16string_view::npos
                                                : end - start);
    if (name.empty()) return kErrorBadPathname;
    if (name.size() > 255) return kErrorInvalidParameter;
    for (char16_t c : name) {
      if (c < 0x20) return kErrorInvalidParameter;  // not writable in .reg
    }
    names->push_back(name);
    if (end == std::u16string_view::npos) return kErrorSuccess;
    start = end + 1;
  }
}

RegNode* RegTree::Find(std::u16string_view full_path) {
  std::vector<std::u16string_view> names;
  if (SplitKeyPath(full_path, &names) != kErrorSuccess) return nullptr;
  RegNode* node = &root_;
  for (std::u16string_view name : names) {
    node = node->Child(name);
    if (node == nullptr) return nullptr;
  }
  return node;
}

RegNode& RegTree::Create(std::u16string_view full_path) {
  std::vector<std::u16string_view> names;
  SplitKeyPath(full_path, &names);
  RegNode* node = &root_;
  for (std::u16string_view name : names) node = &node->AddChild(name);
  return *node;
}

}  // namespace tarnwell::regstore
