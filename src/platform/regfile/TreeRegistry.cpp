#include "platform/regfile/TreeRegistry.h"

#include <new>
#include <vector>

#include "platform/regfile/RegText.h"

namespace tarnwell::regstore {
namespace {

constexpr char16_t kLocalMachineName[] = u"HKEY_LOCAL_MACHINE";

std::size_t NameLength(const char16_t* name) {
  std::size_t n = 0;
  while (name[n] != u'\0') ++n;
  return n;
}

}  // namespace

std::int32_t TreeRegistry::CreateKey(RegHandle parent, const char16_t* path,
                                     std::uint32_t access, RegHandle* key) {
  (void)access;  // every caller may read and write
  if (key == nullptr || path == nullptr) return kErrorInvalidParameter;
  *key = 0;
  std::u16string parent_path;
  try {
    if (parent == kLocalMachine) {
      parent_path = kLocalMachineName;
    } else {
      auto it = handles_.find(parent);
      if (it == handles_.end()) return kErrorInvalidHandle;
      parent_path = it->second;
    }
    return InChange(
        [&] { return CreateKeyLocked(parent_path, path, key); });
  } catch (const std::bad_alloc&) {
    *key = 0;
    ForgetTree();
    return kErrorNotEnoughMemory;
  }
}

std::int32_t TreeRegistry::CreateKeyLocked(const std::u16string& parent_path,
                                           std::u16string_view path,
                                           RegHandle* key) {
  std::vector<std::u16string_view> names;
  if (std::int32_t e = SplitKeyPath(path, &names)) return e;

  // Walk what exists, so the names already there keep their spelling; the
  // record lists a header for each key that is new.
  std::u16string full = parent_path;
  std::u16string record;
  RegNode* node = tree_.Find(parent_path);
  for (std::u16string_view name : names) {
    RegNode* child = node != nullptr ? node->Child(name) : nullptr;
    full += u'\\';
    if (child != nullptr) {
      full += child->Name();
    } else {
      full += name;
      AppendKeyHeader(record, full);
      record += u"\r\n";
    }
    node = child;
  }
  if (tree_.Find(parent_path) == nullptr) {
    // The parent itself is gone from the store (replaced by another
    // writer): name the whole path so the file holds it again.
    record.clear();
    AppendKeyHeader(record, full);
    record += u"\r\n";
  }
  if (!record.empty()) {
    if (std::int32_t e = CommitChange(record)) return e;
    tree_.Create(full);
  }
  RegHandle handle = next_handle_++;
  if (handle == kLocalMachine) handle = next_handle_++;
  handles_.emplace(handle, std::move(full));
  *key = handle;
  return kErrorSuccess;
}

std::int32_t TreeRegistry::SetValue(RegHandle key, const char16_t* name,
                                    std::uint32_t type, const void* data,
                                    std::uint32_t size) {
  if (name == nullptr || (data == nullptr && size != 0)) {
    return kErrorInvalidParameter;
  }
  try {
    auto it = handles_.find(key);
    if (it == handles_.end()) return kErrorInvalidHandle;
    std::u16string_view value_name(name, NameLength(name));
    for (char16_t c : value_name) {
      if (c < 0x20) return kErrorInvalidParameter;  // not writable in .reg
    }
    std::string bytes(static_cast<const char*>(data), size);
    return InChange([&] {
      return SetValueLocked(it->second, value_name, type, std::move(bytes));
    });
  } catch (const std::bad_alloc&) {
    ForgetTree();
    return kErrorNotEnoughMemory;
  }
}

std::int32_t TreeRegistry::SetValueLocked(const std::u16string& key_path,
                                          std::u16string_view name,
                                          std::uint32_t type,
                                          std::string data) {
  RegValue value{std::u16string(name), type, std::move(data)};
  std::u16string record;
  AppendKeyHeader(record, key_path);
  AppendValueLine(record, value, false);
  record += u"\r\n";
  if (std::int32_t e = CommitChange(record)) return e;
  tree_.Create(key_path).SetValue(value.Name, type, std::move(value.Data));
  return kErrorSuccess;
}

std::int32_t TreeRegistry::CloseKey(RegHandle key) {
  return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace tarnwell::regstore
