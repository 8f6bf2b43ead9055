#include "check/Checks.h"

#include <algorithm>
#include <map>
#include <string>

#include "check/Text.h"
#include "registry/KeyPaths.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

// A key's path below HKEY_LOCAL_MACHINE as a tree names it.
std::u16string FullPath(std::u16string_view path) {
  return u"HKEY_LOCAL_MACHINE\\" + std::u16string(path);
}

// What a section and one other section have in common.
struct Meeting {
  std::vector<std::size_t> Replaced;  // values this section replaced
  std::vector<std::size_t> Given;     // values only the other one gives
};

// "Key "a", "b"; Key2 "c"": values grouped by key, keys and names sorted.
// Past this many, a list names the first few and counts the rest: a start
// registry may hold thousands of values in a key that every section writes.
constexpr std::size_t kMostListed = 16;

// Each slot at most once, as the callers gather them.
std::string ListByKey(const WriteLog& log, std::vector<std::size_t> slots) {
  const auto& all = log.Slots();
  const std::size_t listed = std::min(slots.size(), kMostListed);
  std::partial_sort(slots.begin(), slots.begin() + listed, slots.end(),
                    [&](std::size_t a, std::size_t b) {
    const std::u16string_view key_a = log.Keys()[all[a].Key].Path;
    const std::u16string_view key_b = log.Keys()[all[b].Key].Path;
    if (key_a != key_b) return key_a < key_b;
    return regstore::FoldLess()(all[a].Name, all[b].Name);
  });
  std::string out;
  std::size_t key = WriteLog::kNobody;
  for (std::size_t i = 0; i < listed; ++i) {
    const std::size_t slot = slots[i];
    if (all[slot].Key != key) {
      key = all[slot].Key;
      if (!out.empty()) out += "; ";
      out += Utf16ToUtf8(log.Keys()[key].Path) + " ";
    } else {
      out += ", ";
    }
    out += Quote(Utf16ToUtf8(all[slot].Name));
  }
  if (listed < slots.size()) {
    out += " and " + std::to_string(slots.size() - listed) + " more";
  }
  return out;
}

// The shared-template finding's arguments: which form its message takes,
// the other section, what this one replaced and what the other gives.
Args SharedArgs(const WriteLog& log, const SectionInfo& other,
                bool other_is_earlier, const Meeting& m) {
  const int form = !other_is_earlier ? 0
                   : m.Given.empty() ? 1
                   : m.Replaced.empty() ? 2
                                        : 3;
  return {std::to_string(form), DescribeSection(other),
          ListByKey(log, m.Replaced), ListByKey(log, m.Given)};
}

// A device section's "Disable" in the interface key of this modem section.
std::string DisableKey(const WriteLog& log, const Meeting& m) {
  for (std::size_t slot : m.Given) {
    if (regstore::SameName(log.Slots()[slot].Name, u"Disable")) {
      return Utf16ToUtf8(log.Keys()[log.Slots()[slot].Key].Path);
    }
  }
  return "";
}

}  // namespace

std::size_t WriteLog::KeyOf(std::u16string_view path, bool* created) {
  const std::size_t index = key_index_.Add(path, created);
  if (!*created) return index;
  keys_.emplace_back();
  keys_.back().Path = key_index_.Path(index);  // as it was first opened
  const regstore::RegNode* held =
      start_ == nullptr ? nullptr : start_->Find(FullPath(path));
  if (held == nullptr) {
    changed_ = true;
    return index;
  }
  // What the key holds when the pass first meets it was there before.
  for (const regstore::RegValue& value : held->Values()) {
    Slot& slot = slots_[SlotOf(index, value.Name)];
    slot.Type = value.Type;
    slot.Data = regstore::HoldText(arena_, std::string_view(value.Data));
    slot.Writer = kBefore;
    slot.Held = true;
  }
  return index;
}

void WriteLog::BeginEntry(SectionKind kind) {
  entries_.push_back({kind, entry_keys_.size(), 0, writes_.size(), 0});
}

const std::size_t* WriteLog::OpenKey(RegHandle handle) const {
  for (const auto& open : open_) {
    if (open.first == handle) return &open.second;
  }
  return nullptr;
}

std::size_t WriteLog::SlotOf(std::size_t key, std::u16string_view name) {
  // The writers spell each name one way: the exact name is found first.
  for (std::size_t slot : keys_[key].Slots) {
    if (slots_[slot].Name == name) return slot;
  }
  for (std::size_t slot : keys_[key].Slots) {
    if (regstore::SameName(slots_[slot].Name, name)) return slot;
  }
  Slot added;
  added.Key = key;
  added.Name = regstore::HoldText(arena_, name);
  slots_.push_back(added);
  keys_[key].Slots.push_back(slots_.size() - 1);
  return slots_.size() - 1;
}

std::int32_t WriteLog::CreateKey(RegHandle parent, const char16_t* path,
                                 std::uint32_t access, RegHandle* key) {
  (void)access;  // every caller may read and write
  if (key == nullptr || path == nullptr) return kErrorInvalidParameter;
  *key = 0;
  path_.clear();
  if (parent != kLocalMachine) {
    const std::size_t* open = OpenKey(parent);
    if (open == nullptr) return kErrorInvalidHandle;
    path_.assign(keys_[*open].Path).push_back(u'\\');
  }
  // How many names lie above the new ones, HKEY_LOCAL_MACHINE too.
  const auto above =
      1 + static_cast<std::size_t>(std::count(path_.begin(), path_.end(), u'\\'));
  if (std::int32_t e = regstore::SplitKeyPath(path, &names_, above)) return e;
  if (names_.empty()) {
    if (path_.empty()) return kErrorInvalidParameter;  // the root key itself
    path_.pop_back();
  }
  path_ += path;
  bool created = false;
  const std::size_t index = KeyOf(path_, &created);
  if (parent == kLocalMachine &&
      std::u16string_view(path).rfind(kLoadClientsKey, 0) == 0) {
    BeginEntry(SectionKind::kDevice);
  }
  fresh_ = created ? index : kNobody;
  if (created) {
    keys_[index].Opener = entries_.empty() ? kNobody : entries_.size() - 1;
  }
  RegHandle handle = next_handle_++;
  if (handle == kLocalMachine) handle = next_handle_++;
  open_.emplace_back(handle, index);
  if (!entries_.empty()) {
    entry_keys_.push_back(index);
    ++entries_.back().KeyCount;
  }
  *key = handle;
  return kErrorSuccess;
}

std::int32_t WriteLog::SetValue(RegHandle key, const char16_t* name,
                                std::uint32_t type, const void* data,
                                std::uint32_t size) {
  if (name == nullptr || (data == nullptr && size != 0) ||
      !regstore::IsValueName(name)) {
    return kErrorInvalidParameter;
  }
  const std::size_t* open = OpenKey(key);
  if (open == nullptr) return kErrorInvalidHandle;
  if (std::u16string_view(name) == kTemplateValue) {
    // A modem entry begins, with the interface key it just opened.
    if (!entries_.empty() && entry_keys_.back() == *open) {
      entry_keys_.pop_back();
      --entries_.back().KeyCount;
    }
    BeginEntry(SectionKind::kModem);
    entry_keys_.push_back(*open);
    entries_.back().KeyCount = 1;
    if (fresh_ == *open) keys_[*open].Opener = entries_.size() - 1;
  }
  const std::size_t count = slots_.size();
  Slot& slot = slots_[SlotOf(*open, name)];
  const std::string_view bytes(static_cast<const char*>(data), size);
  const bool same =
      slots_.size() == count && slot.Type == type && slot.Data == bytes;
  if (!same) {
    slot.Type = type;
    slot.Data = regstore::HoldText(arena_, bytes);
    changed_ = true;
  }
  if (entries_.empty()) {  // a value of no entry, which no longer is the start's
    if (!same) slot.Writer = kNobody;
    return kErrorSuccess;
  }
  const std::size_t entry = entries_.size() - 1;
  Write write;
  write.Slot = static_cast<std::size_t>(&slot - slots_.data());
  if (slot.Writer != kNobody && slot.Writer != entry && !same) {
    write.Replaced = slot.Writer;
  }
  slot.Writer = entry;
  writes_.push_back(write);
  ++entries_.back().WriteCount;
  return kErrorSuccess;
}

std::int32_t WriteLog::CloseKey(RegHandle key) {
  const auto it = std::find_if(open_.begin(), open_.end(),
                               [key](const auto& open) { return open.first == key; });
  if (it == open_.end()) return kErrorInvalidHandle;
  open_.erase(it);
  return kErrorSuccess;
}

regstore::RegTree WriteLog::Result() const {
  regstore::RegTree tree = start_ == nullptr ? regstore::RegTree() : start_->Copy();
  // Keys in the order the pass first opened them, so that each name keeps
  // the spelling that made it.
  for (const Key& key : keys_) {
    regstore::RegNode& node = tree.Create(FullPath(key.Path));
    for (std::size_t index : key.Slots) {
      const Slot& slot = slots_[index];
      if (slot.Writer != kBefore) node.SetValue(slot.Name, slot.Type, slot.Data);
    }
  }
  return tree;
}

std::size_t WriteLog::AddedKeys() const {
  return static_cast<std::size_t>(
      std::count_if(keys_.begin(), keys_.end(), [&](const Key& key) {
        return !key.Slots.empty() && !slots_[key.Slots.front()].Held;
      }));
}

std::size_t WriteLog::AddedValues() const {
  return static_cast<std::size_t>(std::count_if(
      slots_.begin(), slots_.end(), [](const Slot& slot) { return !slot.Held; }));
}

void CheckSharedValues(CheckState& s, const WriteLog& log,
                       const std::vector<SectionInfo>& sections,
                       const std::string& registry) {
  const auto& entries = log.Entries();
  const auto& slots = log.Slots();
  // The last entry that wrote a slot, or looked at a key, so far: "was it
  // this entry" without clearing anything between entries.
  std::vector<std::size_t> written(slots.size(), WriteLog::kNobody);
  std::vector<std::size_t> seen(log.Keys().size(), WriteLog::kNobody);
  const std::size_t count = std::min(entries.size(), sections.size());
  for (std::size_t self = 0; self < count; ++self) {
    std::map<std::size_t, Meeting> meetings;  // by the other entry
    for (const WriteLog::Write& w : log.WritesOf(entries[self])) {
      written[w.Slot] = self;
      if (w.Replaced != WriteLog::kNobody) {
        meetings[w.Replaced].Replaced.push_back(w.Slot);
      }
    }
    for (std::size_t key : log.KeysOf(entries[self])) {
      if (seen[key] == self) continue;
      seen[key] = self;
      for (std::size_t slot : log.Keys()[key].Slots) {
        const std::size_t writer = slots[slot].Writer;
        if (written[slot] == self || writer == WriteLog::kNobody ||
            writer == self) {
          continue;
        }
        meetings[writer].Given.push_back(slot);
      }
    }
    const SectionInfo& section = sections[self];
    auto add = [&](Check check, const Args& args) {
      return &s.Attach(section.Root,
                       MakeDiagnostic(check, section.Header, args));
    };
    for (const auto& [other, meeting] : meetings) {
      if (other == WriteLog::kBefore && !meeting.Given.empty()) {
        add(Check::kExistingValue,
            {Quote(registry), ListByKey(log, meeting.Given)});
      }
      if (other >= count) continue;
      const SectionInfo& them = sections[other];
      if (them.Kind == section.Kind) {
        add(Check::kSharedTemplate,
            SharedArgs(log, them, other < self, meeting));
        continue;
      }
      // A device and a modem section meet only in an interface key.
      const std::string key = DisableKey(log, meeting);
      if (key.empty()) continue;
      add(Check::kDisabledModem, {DescribeSection(them), key})
          ->Notes.push_back(NoteAt(them.Header, Text::kDisablingSection));
    }
  }
}

}  // namespace tarnwell::check
