#include "check/Checks.h"

#include <algorithm>
#include <map>
#include <string>

#include "check/Text.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

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
  const auto path = [&log](const WriteLog::Slot& slot) {
    return log.PathOf(log.Keys()[slot.Key]);
  };
  const std::size_t listed = std::min(slots.size(), kMostListed);
  std::partial_sort(slots.begin(), slots.begin() + listed, slots.end(),
                    [&](std::size_t a, std::size_t b) {
    const WriteLog::Slot slot_a = log.SlotAt(a), slot_b = log.SlotAt(b);
    if (path(slot_a) != path(slot_b)) return path(slot_a) < path(slot_b);
    return regstore::FoldLess()(slot_a.Name, slot_b.Name);
  });
  std::string out;
  std::uint32_t key = WriteLog::kNobody;
  for (std::size_t i = 0; i < listed; ++i) {
    const WriteLog::Slot slot = log.SlotAt(slots[i]);
    if (slot.Key != key) {
      key = slot.Key;
      if (!out.empty()) out += "; ";
      out += Utf16ToUtf8(path(slot)) + " ";
    } else {
      out += ", ";
    }
    out += Quote(Utf16ToUtf8(slot.Name));
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
  enum class Shared { kLater, kReplaces, kGives, kBoth };
  const Shared form = !other_is_earlier   ? Shared::kLater
                      : m.Given.empty()    ? Shared::kReplaces
                      : m.Replaced.empty() ? Shared::kGives
                                           : Shared::kBoth;
  return {form, DescribeSection(other),
          ListByKey(log, m.Replaced), ListByKey(log, m.Given)};
}

// A device section's "Disable" in the interface key of this modem section.
std::string DisableKey(const WriteLog& log, const Meeting& m) {
  for (std::size_t number : m.Given) {
    const WriteLog::Slot slot = log.SlotAt(number);
    if (regstore::SameName(slot.Name, u"Disable")) {
      return Utf16ToUtf8(log.PathOf(log.Keys()[slot.Key]));
    }
  }
  return "";
}

}  // namespace

void CheckSharedValues(CheckState& s, const WriteLog& log,
                       const std::vector<SectionInfo>& sections,
                       const std::string& registry) {
  const auto& entries = log.Entries();
  // The last entry that wrote a slot, or looked at a key, so far: "was it
  // this entry" without clearing anything between entries.
  std::vector<std::size_t> written(log.SlotCount(), WriteLog::kNobody);
  std::vector<std::size_t> seen(log.Keys().size(), WriteLog::kNobody);
  const std::size_t count = std::min(entries.size(), sections.size());
  for (std::size_t self = 0; self < count; ++self) {
    std::map<std::size_t, Meeting> meetings;  // by the other entry
    for (const WriteLog::Write& w : log.WritesOf(entries[self])) {
      const std::size_t slot = log.Keys()[w.Key].First + w.Index;
      written[slot] = self;
      if (w.Replaced != WriteLog::kNobody) {
        meetings[w.Replaced].Replaced.push_back(slot);
      }
    }
    for (std::uint32_t key : log.KeysOf(entries[self])) {
      if (seen[key] == self) continue;
      seen[key] = self;
      const WriteLog::Key& k = log.Keys()[key];
      for (std::size_t slot = k.First; slot < k.First + log.SlotsOf(k); ++slot) {
        const std::uint32_t writer = log.WriterOf(slot);
        if (written[slot] == self || writer == self) continue;
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
