#include "regstore/TreeRegistry.h"

#include <algorithm>
#include <new>

namespace tarnwell::regstore {
namespace {

constexpr char16_t kLocalMachineName[] = u"HKEY_LOCAL_MACHINE";

std::u16string_view Text(const char16_t* text) {
  std::size_t n = 0;
  while (text[n] != u'\0') ++n;
  return std::u16string_view(text, n);
}

}  // namespace

RegNode* TreeRegistry::Node(RegHandle handle) const {
  // The writers set values in the key they opened last.
  if (handle != 0 && handle == newest_handle_) return newest_node_;
  auto it = handles_.find(handle);
  return it == handles_.end() ? nullptr : it->second;
}

std::int32_t TreeRegistry::CreateKey(RegHandle parent, const char16_t* path,
                                     std::uint32_t access, RegHandle* key) {
  (void)access;  // every caller may read and write
  if (key == nullptr || path == nullptr) return kErrorInvalidParameter;
  *key = 0;
  try {
    RegNode* node = parent == kLocalMachine ? nullptr : Node(parent);
    if (parent != kLocalMachine && node == nullptr) return kErrorInvalidHandle;
    const std::u16string_view whole = Text(path);
    std::u16string_view rest = whole;
    std::size_t shared = 0;  // names of the last path that this one begins with
    if (node == nullptr) {
      const std::size_t common = static_cast<std::size_t>(
          std::mismatch(whole.begin(), whole.end(), last_path_.begin(),
                        last_path_.end())
              .first -
          whole.begin());
      for (; shared < last_keys_.size(); ++shared) {
        const std::size_t end = last_keys_[shared].first;
        if (end > common || (end < whole.size() && whole[end] != u'\\')) {
          break;
        }
      }
      if (shared > 0) {
        node = last_keys_[shared - 1].second;
        const std::size_t end = last_keys_[shared - 1].first;
        // What follows the separator; a path that ends in one has an empty
        // last name, which the split refuses.
        rest = whole.substr(end == whole.size() ? end : end + 1);
        if (end < whole.size() && rest.empty()) return kErrorBadPathname;
      }
    }
    if (std::int32_t e = SplitKeyPath(
            rest, &names_, node == nullptr ? 1 : node->Level())) {
      return e;
    }
    if (node == nullptr) {
      if (local_machine_ == nullptr) {
        local_machine_ = &tree_.Root().AddChild(kLocalMachineName);
      }
      node = local_machine_;
    }
    const bool below_root = parent == kLocalMachine;
    if (below_root) {
      // The names kept hold for the new path too, whatever fails below.
      last_keys_.resize(shared);
      last_path_.assign(whole);
    }
    for (std::u16string_view name : names_) {
      bool created = false;
      node = &node->AddChild(name, &created);
      if (created) changed_ = true;
      if (below_root) {
        last_keys_.emplace_back(
            static_cast<std::size_t>(name.data() - whole.data()) + name.size(),
            node);
      }
    }
    RegHandle handle = next_handle_++;
    if (handle == kLocalMachine) handle = next_handle_++;
    handles_.emplace(handle, node);
    newest_handle_ = handle;
    newest_node_ = node;
    *key = handle;
    return kErrorSuccess;
  } catch (const std::bad_alloc&) {
    return kErrorNotEnoughMemory;
  }
}

std::int32_t TreeRegistry::SetValue(RegHandle key, const char16_t* name,
                                    std::uint32_t type, const void* data,
                                    std::uint32_t size) {
  if (name == nullptr || (data == nullptr && size != 0)) {
    return kErrorInvalidParameter;
  }
  const std::u16string_view value_name = Text(name);
  if (!IsValueName(value_name)) return kErrorInvalidParameter;
  try {
    RegNode* node = Node(key);
    if (node == nullptr) return kErrorInvalidHandle;
    const std::string_view bytes(static_cast<const char*>(data), size);
    if (node->SetValue(value_name, type, bytes)) changed_ = true;
    return kErrorSuccess;
  } catch (const std::bad_alloc&) {
    return kErrorNotEnoughMemory;
  }
}

std::int32_t TreeRegistry::CloseKey(RegHandle key) {
  if (key == newest_handle_) newest_handle_ = 0;
  return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

void TreeRegistry::ReplaceTree(RegTree tree) {
  handles_.clear();
  newest_handle_ = 0;
  local_machine_ = nullptr;
  last_path_.clear();
  last_keys_.clear();
  tree_ = std::move(tree);
  changed_ = false;
}

}  // namespace tarnwell::regstore
