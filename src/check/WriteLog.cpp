#include "check/WriteLog.h"

#include <algorithm>
#include <functional>

namespace tarnwell::check {

WriteLog::WriteLog(const regstore::RegTree* start) {
  if (start != nullptr) store_.Tree() = start->Copy();
}

const WriteLog::Open* WriteLog::OpenKey(RegHandle handle) const {
  for (const Open& open : open_) {
    if (open.Handle == handle) return &open;
  }
  return nullptr;
}

void WriteLog::EntryBegins(SectionKind kind) {
  entries_.push_back({kind, entry_keys_.size(), 0, writes_.size(), 0});
}

std::int32_t WriteLog::CreateKey(RegHandle parent, const char16_t* path,
                                 std::uint32_t access, RegHandle* key) {
  const Open* above = OpenKey(parent);
  if (std::int32_t e = store_.CreateKey(parent, path, access, key)) return e;
  // The path as the call named it, after its parent's.
  const std::u16string_view from =
      above == nullptr ? u"" : openings_[above->Opening].Path;
  const std::u16string_view own(path);
  const std::size_t size = from.size() + (from.empty() ? 0 : 1) + own.size();
  auto* text = static_cast<char16_t*>(
      paths_.allocate(size * sizeof(char16_t), alignof(char16_t)));
  std::copy(from.begin(), from.end(), text);
  if (!from.empty()) text[from.size()] = u'\\';
  std::copy(own.begin(), own.end(), text + size - own.size());
  Opening opening;
  opening.Path = std::u16string_view(text, size);
  opening.Node = store_.NodeOf(*key);
  opening.Values = static_cast<std::uint32_t>(opening.Node->Values().size());
  if (!entries_.empty()) {
    opening.Entry = static_cast<std::uint32_t>(entries_.size() - 1);
    entry_keys_.push_back(static_cast<std::uint32_t>(openings_.size()));
    ++entries_.back().KeyCount;
  }
  open_.push_back({*key, static_cast<std::uint32_t>(openings_.size()), opening.Node});
  openings_.push_back(opening);
  return kErrorSuccess;
}

std::int32_t WriteLog::SetValue(RegHandle key, const char16_t* name,
                                std::uint32_t type, const void* data,
                                std::uint32_t size) {
  // Refused by the store as well; refused here before the data are read.
  if (data == nullptr && size != 0) return kErrorInvalidParameter;
  const Open* open = OpenKey(key);
  Write write;
  if (open != nullptr && name != nullptr) {
    const regstore::RegNode& node = *open->Node;
    const regstore::RegValue* held = node.Value(name);
    write.Key = open->Opening;
    write.Created = held == nullptr;
    write.Index = static_cast<std::uint32_t>(
        held == nullptr ? node.Values().size() : held - node.Values().begin());
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
                               [key](const Open& open) { return open.Handle == key; });
  if (it != open_.end()) open_.erase(it);
  return store_.CloseKey(key);
}

void WriteLog::Finish() {
  // The openings by key, each key's first opening first: a key is
  // numbered in the order first opened, with the path it was opened by.
  std::vector<std::pair<const regstore::RegNode*, std::uint32_t>> by_node;
  by_node.reserve(openings_.size());
  for (std::uint32_t i = 0; i < openings_.size(); ++i) {
    by_node.emplace_back(openings_[i].Node, i);
  }
  std::sort(by_node.begin(), by_node.end(), [](const auto& a, const auto& b) {
    if (a.first != b.first) return std::less<>()(a.first, b.first);
    return a.second < b.second;
  });
  std::vector<std::uint32_t> firsts;
  for (std::size_t i = 0; i < by_node.size(); ++i) {
    if (i == 0 || by_node[i].first != by_node[i - 1].first) {
      firsts.push_back(by_node[i].second);
    }
  }
  std::sort(firsts.begin(), firsts.end());
  std::vector<std::uint32_t> number(openings_.size());
  for (std::uint32_t first : firsts) {
    const Opening& o = openings_[first];
    number[first] = static_cast<std::uint32_t>(keys_.size());
    keys_.push_back({o.Node, o.Path, o.Entry, 0, 0});
  }
  for (std::size_t i = 1; i < by_node.size(); ++i) {
    if (by_node[i].first == by_node[i - 1].first) {
      number[by_node[i].second] = number[by_node[i - 1].second];
    }
  }
  for (std::uint32_t& key : entry_keys_) key = number[key];
  // A key's values are those it held when opened and those written after:
  // values are only added, at the end. (Counted here, not read from the
  // nodes, which lie all over the store's memory.)
  for (std::size_t i = 0; i < openings_.size(); ++i) {
    Key& key = keys_[number[i]];
    key.Count = std::max<std::size_t>(key.Count, openings_[i].Values);
  }
  for (Write& write : writes_) {
    write.Key = number[write.Key];
    Key& key = keys_[write.Key];
    key.Count = std::max<std::size_t>(key.Count, write.Index + std::size_t{1});
  }
  std::size_t count = 0;  // slots
  for (Key& key : keys_) {
    key.First = count;
    count += key.Count;
  }
  // The writes in order: who wrote each value last, and whose value each
  // replaced.
  writers_.assign(count, kBefore);
  for (std::uint32_t entry = 0; entry < entries_.size(); ++entry) {
    const Entry& e = entries_[entry];
    for (std::size_t w = e.FirstWrite; w < e.FirstWrite + e.WriteCount; ++w) {
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
  const auto key = std::upper_bound(
      keys_.begin(), keys_.end(), number,
      [](std::size_t n, const Key& k) { return n < k.First; }) - 1;
  const regstore::RegValue& value = key->Node->Values()[number - key->First];
  return {static_cast<std::uint32_t>(key - keys_.begin()), value.Name,
          value.Type, value.Data, writers_[number], &value};
}

}  // namespace tarnwell::check
