#include "check/Checks.h"

#include <algorithm>
#include <map>
#include <string>

#include "check/Text.h"
#include "registry/KeyPaths.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

// What a section and one other section have in common.
struct Meeting {
  std::vector<std::size_t> Replaced;  // values this section replaced
  std::vector<std::size_t> Given;     // values only the other one gives
};

// "Key "a", "b"; Key2 "c"": values grouped by key, keys and names sorted.
std::string ListByKey(const WriteLog& log, std::vector<std::size_t> slots) {
  const auto& all = log.Slots();
  std::sort(slots.begin(), slots.end(), [&](std::size_t a, std::size_t b) {
    const std::u16string& key_a = log.Keys()[all[a].Key].Path;
    const std::u16string& key_b = log.Keys()[all[b].Key].Path;
    if (key_a != key_b) return key_a < key_b;
    return regstore::FoldLess()(all[a].Name, all[b].Name);
  });
  slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
  std::string out;
  std::size_t key = WriteLog::kNobody;
  for (std::size_t slot : slots) {
    if (all[slot].Key != key) {
      key = all[slot].Key;
      if (!out.empty()) out += "; ";
      out += Utf16ToUtf8(log.Keys()[key].Path) + " ";
    } else {
      out += ", ";
    }
    out += Quote(Utf16ToUtf8(all[slot].Name));
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
  added.Name = name;
  slots_.push_back(std::move(added));
  keys_[key].Slots.push_back(slots_.size() - 1);
  return slots_.size() - 1;
}

std::int32_t WriteLog::CreateKey(RegHandle parent, const char16_t* path,
                                 std::uint32_t access, RegHandle* key) {
  const std::int32_t result = target_.CreateKey(parent, path, access, key);
  if (result != kErrorSuccess) return result;
  std::size_t parent_key = kNobody;
  if (parent != kLocalMachine) {
    const std::size_t* open = OpenKey(parent);
    if (open == nullptr) return result;
    parent_key = *open;
  }
  const std::size_t index = KeyOf(target_.NodeOf(*key));
  if (parent == kLocalMachine &&
      std::u16string_view(path).rfind(kLoadClientsKey, 0) == 0) {
    entries_.emplace_back();  // a device entry begins
  }
  fresh_ = kNobody;
  if (keys_[index].Path.empty()) {
    // Named once, as it was first opened.
    if (parent_key != kNobody) {
      keys_[index].Path = keys_[parent_key].Path + u"\\";
    }
    keys_[index].Path += path;
    keys_[index].Opener = entries_.empty() ? kNobody : entries_.size() - 1;
    fresh_ = index;
  }
  open_.emplace_back(*key, index);
  if (!entries_.empty()) entries_.back().Keys.push_back(index);
  return result;
}

std::int32_t WriteLog::SetValue(RegHandle key, const char16_t* name,
                                std::uint32_t type, const void* data,
                                std::uint32_t size) {
  const std::int32_t result = target_.SetValue(key, name, type, data, size);
  const std::size_t* open = OpenKey(key);
  if (result != kErrorSuccess || open == nullptr) return result;
  if (std::u16string_view(name) == kTemplateValue) {
    // A modem entry begins, with the interface key it just opened.
    if (!entries_.empty() && entries_.back().Keys.back() == *open) {
      entries_.back().Keys.pop_back();
    }
    entries_.emplace_back();
    entries_.back().Kind = SectionKind::kModem;
    entries_.back().Keys.push_back(*open);
    if (fresh_ == *open) keys_[*open].Opener = entries_.size() - 1;
  }
  if (entries_.empty()) return result;  // a value of no entry of the pass
  const std::size_t entry = entries_.size() - 1;
  Slot& slot = slots_[SlotOf(*open, name)];
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
  open_.erase(std::remove_if(open_.begin(), open_.end(),
                             [key](const auto& open) { return open.first == key; }),
              open_.end());
  return target_.CloseKey(key);
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
    for (const WriteLog::Write& w : entries[self].Writes) {
      written[w.Slot] = self;
      if (w.Replaced != WriteLog::kNobody) {
        meetings[w.Replaced].Replaced.push_back(w.Slot);
      }
    }
    for (std::size_t key : entries[self].Keys) {
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
