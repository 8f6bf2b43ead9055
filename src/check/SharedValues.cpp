#include "check/Checks.h"

#include <algorithm>
#include <map>
#include <string>
#include <tuple>

#include "check/Text.h"

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
    return std::tie(log.Keys()[all[a].Key].Path, all[a].Folded) <
           std::tie(log.Keys()[all[b].Key].Path, all[b].Folded);
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

std::string Message(const WriteLog& log, const SectionInfo& other,
                    bool other_is_earlier, const Meeting& m) {
  std::string message = DescribeSection(other);
  if (!other_is_earlier) {
    return message +
           ", which the installer writes later: what that section gives and "
           "this one does not applies to this one too: " +
           ListByKey(log, m.Given);
  }
  if (!m.Replaced.empty()) {
    message += ", and the installer writes it later: its values replace " +
               ListByKey(log, m.Replaced);
  }
  if (!m.Given.empty()) {
    message += m.Replaced.empty() ? ": " : "; ";
    message +=
        "what only the earlier section gave stays and applies to "
        "this one too: " +
        ListByKey(log, m.Given);
  }
  return message;
}

// A device section's "Disable" in the interface key of this modem section.
std::string DisableKey(const WriteLog& log, const Meeting& m) {
  for (std::size_t slot : m.Given) {
    if (log.Slots()[slot].Folded == u"DISABLE") {
      return Utf16ToUtf8(log.Keys()[log.Slots()[slot].Key].Path);
    }
  }
  return "";
}

}  // namespace

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
    auto add = [&](Check check, const std::vector<std::string>& args) {
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
            {Message(log, them, other < self, meeting)});
        continue;
      }
      // A device and a modem section meet only in an interface key.
      const std::string key = DisableKey(log, meeting);
      if (key.empty()) continue;
      add(Check::kDisabledModem, {DescribeSection(them), key})
          ->Notes.push_back(
              NoteAt(them.Header, "the device section that disables it"));
    }
  }
}

}  // namespace tarnwell::check
