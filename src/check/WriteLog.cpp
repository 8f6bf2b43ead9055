#include "check/WriteLog.h"

#include "platform/regfile/RegTree.h"

namespace tarnwell::check {

std::size_t WriteLog::KeyOf(const std::u16string& path) {
  auto [it, added] = key_index_.emplace(regstore::FoldCase(path), keys_.size());
  if (added) keys_.push_back(Key{path, {}});
  return it->second;
}

std::size_t WriteLog::SlotOf(std::size_t key, const std::u16string& name) {
  const std::u16string folded = regstore::FoldCase(name);
  for (std::size_t slot : keys_[key].Slots) {
    if (slots_[slot].Folded == folded) return slot;
  }
  Slot added;
  added.Key = key;
  added.Name = name;
  added.Folded = folded;
  slots_.push_back(std::move(added));
  keys_[key].Slots.push_back(slots_.size() - 1);
  return slots_.size() - 1;
}

std::int32_t WriteLog::CreateKey(RegHandle parent, const char16_t* path,
                                 std::uint32_t access, RegHandle* key) {
  const std::int32_t result = target_.CreateKey(parent, path, access, key);
  if (result != kErrorSuccess || entries_.empty()) return result;
  std::u16string full;
  if (parent != kLocalMachine) {
    auto it = open_.find(parent);
    if (it == open_.end()) return result;
    full = keys_[it->second].Path + u"\\";
  }
  full += path;
  const std::size_t index = KeyOf(full);
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
  std::string bytes(static_cast<const char*>(data), size);
  Write write;
  write.Slot = static_cast<std::size_t>(&slot - slots_.data());
  if (slot.Writer != kNobody && slot.Writer != entry &&
      (slot.Type != type || slot.Data != bytes)) {
    write.Replaced = slot.Writer;
  }
  slot.Type = type;
  slot.Data = std::move(bytes);
  slot.Writer = entry;
  entries_.back().Writes.push_back(write);
  return result;
}

std::int32_t WriteLog::CloseKey(RegHandle key) {
  open_.erase(key);
  return target_.CloseKey(key);
}

}  // namespace tarnwell::check
