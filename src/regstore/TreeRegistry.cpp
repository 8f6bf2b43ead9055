#include "regstore/TreeRegistry.h"

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
    if (std::int32_t e = SplitKeyPath(Text(path), &names_,
                                      node == nullptr ? 1 : node->Level())) {
      return e;
    }
    if (node == nullptr) {
      if (local_machine_ == nullptr) {
        local_machine_ = &tree_.Root().AddChild(kLocalMachineName);
      }
      node = local_machine_;
    }
    for (std::u16string_view name : names_) {
      bool created = false;
      node = &node->AddChild(name, &created);
      if (created) changed_ = true;
    }
    RegHandle handle = next_handle_++;
    if (handle == kLocalMachine) handle = next_handle_++;
    handles_.emplace(handle, node);
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
  return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

void TreeRegistry::ReplaceTree(RegTree tree) {
  handles_.clear();
  local_machine_ = nullptr;
  tree_ = std::move(tree);
  changed_ = false;
}

}  // namespace tarnwell::regstore
