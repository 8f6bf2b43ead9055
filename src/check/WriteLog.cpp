#include "check/WriteLog.h"

#include <algorithm>

namespace tarnwell::check {

WriteLog::WriteLog(const regstore::RegTree* start) {
  if (start != nullptr) store_.Tree() = start->Copy();
}

const std::uint32_t* WriteLog::OpenKey(RegHandle handle) const {
  for (const auto& open : open_) {
    if (open.first == handle) return &open.second;
  }
  return nullptr;
}

void WriteLog::EntryBegins(SectionKind kind) {
  entries_.push_back({kind, entry_keys_.size(), 0, writes_.size(), 0});
}

std::int32_t WriteLog::CreateKey(RegHandle parent, const char16_t* path,
                                 std::uint32_t access, RegHandle* key) {
  const std::uint32_t* above = OpenKey(parent);
  if (std::int32_t e = store_.CreateKey(parent, path, access, key)) return e;
  const regstore::RegNode* node = store_.NodeOf(*key);
  const auto [at, added] =
      numbers_.emplace(node, static_cast<std::uint32_t>(keys_.size()));
  if (added) {
    Key k;
    k.Node = node;
    k.PathBegin = paths_.size();
    if (above != nullptr) {
      paths_ += PathOf(keys_[*above]);
      if (*path != u'\0') paths_ += u'\\';
    }
    paths_ += path;
    k.PathSize = paths_.size() - k.PathBegin;
    k.Opener = entries_.empty() ? kNobody
                                : static_cast<std::uint32_t>(entries_.size() - 1);
    keys_.push_back(k);
  }
  open_.emplace_back(*key, at->second);
  if (!entries_.empty()) {
    entry_keys_.push_back(at->second);
    ++entries_.back().KeyCount;
  }
  return kErrorSuccess;
}

std::int32_t WriteLog::SetValue(RegHandle key, const char16_t* name,
                                std::uint32_t type, const void* data,
                                std::uint32_t size) {
  const std::uint32_t* open = OpenKey(key);
  const regstore::RegNode* node = store_.NodeOf(key);
  Write write;
  if (open != nullptr && node != nullptr && name != nullptr) {
    const regstore::RegValue* held = node->Value(name);
    write.Key = *open;
    write.Created = held == nullptr;
    write.Index = static_cast<std::uint32_t>(
        held == nullptr ? node->Values().size() : held - node->Values().data());
    write.Same = held != nullptr && held->Type == type &&
                 held->Data == std::string_view(static_cast<const char*>(data), size);
  }
  if (std::int32_t e = store_.SetValue(key, name, type, data, size)) return e;
  if (!entries_.empty()) {
    writes_.push_back(write);
    ++entries_.back().WriteCount;
  }
  return kErrorSuccess;
}

std::int32_t WriteLog::CloseKey(RegHandle key) {
  const auto it = std::find_if(open_.begin(), open_.end(),
                               [key](const auto& open) { return open.first == key; });
  if (it != open_.end()) open_.erase(it);
  return store_.CloseKey(key);
}

void WriteLog::Finish() {
  std::size_t count = 0;
  for (Key& key : keys_) {
    key.First = count;
    count += SlotsOf(key);
  }
  writers_.assign(count, kBefore);
  slot_keys_.resize(count);
  for (std::uint32_t k = 0; k < keys_.size(); ++k) {
    std::fill_n(slot_keys_.begin() + static_cast<std::ptrdiff_t>(keys_[k].First),
                SlotsOf(keys_[k]), k);
  }
  for (std::uint32_t entry = 0; entry < entries_.size(); ++entry) {
    for (std::size_t w = entries_[entry].FirstWrite;
         w < entries_[entry].FirstWrite + entries_[entry].WriteCount; ++w) {
      Write& write = writes_[w];
      std::uint32_t& writer = writers_[keys_[write.Key].First + write.Index];
      if (!write.Created && !write.Same && writer != entry) {
        write.Replaced = writer;
      }
      writer = entry;
    }
  }
}

WriteLog::Slot WriteLog::SlotAt(std::size_t number) const {
  const Key& key = keys_[slot_keys_[number]];
  const regstore::RegValue& value = key.Node->Values()[number - key.First];
  return {slot_keys_[number], value.Name, value.Type, value.Data,
          writers_[number]};
}

}  // namespace tarnwell::check
