#include "check/WriteLog.h"

#include "regstore/RegTree.h"

namespace tarnwell::check {

std::size_t WriteLog::KeyOf(const regstore::RegNode* node) {
  auto [it, added] = key_index_.emplace(node, keys_.size());
  if (!added) return it->second;
  keys_.emplace_back();
  // What the key holds when the pass first meets it was there before.
  for (const regstore::RegValue& value : node->Values()) {
    Slot& slot = slots_[SlotOf(it->second, value.Name)];
    slot.Type = value.Type;
    slot.Data.assign(value.Data);
    slot.Writer = kBefore;
  }
  return it->second;
}

std::size_t WriteLog::SlotOf(std::size_t key, std::u16string_view name) {
  for (std::size_t slot : keys_[key].Slots) {
    if (regstore::SameName(slots_[slot].Name, name)) return slot;
  }
  Slot added;
  added.Key = key;
  added.Name = name;
  added.Folded = regstore::FoldCase(name);
  slots_.push_back(std::move(added));
  keys_[key].Slots.push_back(slots_.size() - 1);
  return slots_.size() - 1;
}

std::int32_t WriteLog::CreateKey(RegHandle parent, const char16_t* path,
                                 std::uint32_t access, RegHandle* key) {
  const std::int32_t result = target_.CreateKey(parent, path, access, key);
  if (result != kErrorSuccess || entries_.empty()) return result;
  std::size_t parent_key = kNobody;
  if (parent != kLocalMachine) {
    auto it = open_.find(parent);
    if (it == open_.end()) return result;
    parent_key = it->second;
  }
  const std::size_t index = KeyOf(target_.NodeOf(*key));
  if (keys_[index].Path.empty()) {
    // Named once, as it was first opened.
    if (parent_key != kNobody) {
      keys_[index].Path = keys_[parent_key].Path + u"\\";
    }
    keys_[index].Path += path;
  }
  open_[*key] = index;
  entries_.back().Keys.push_back(index);
  return result;
}

std::int32_t WriteLog::SetValue(RegHandle key, const char16_t* name,
                                std::uint32_t type, const void* data,
                                std::uint32_t size) {
  const std::int32_t result = target_.SetValue(key, name, type, data, size);
  auto it = open_.find(key);
  if (result != kErrorSuccess || it == open_.end()) return result;
  const std::size_t entry = entries_.size() - 1;
  Slot& slot = slots_[SlotOf(it->second, name)];
  const std::string_view bytes(static_cast<const char*>(data), size);
  Write write;
  write.Slot = static_cast<std::size_t>(&slot - slots_.data());
  const bool same = slot.Type == type && slot.Data == bytes;
  if (slot.Writer != kNobody && slot.Writer != entry && !same) {
    write.Replaced = slot.Writer;
  }
  slot.Type = type;
  if (!same) slot.Data.assign(bytes);
  slot.Writer = entry;
  entries_.back().Writes.push_back(write);
  return result;
}

std::int32_t WriteLog::CloseKey(RegHandle key) {
  open_.erase(key);
  return target_.CloseKey(key);
}

}  // namespace tarnwell::check
