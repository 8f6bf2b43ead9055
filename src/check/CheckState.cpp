#include "check/CheckState.h"

#include "check/Text.h"

namespace tarnwell::check {
namespace {

// Messages name sections often (every ignored line, every shared value),
// so a long name is shortened: a report stays linear in the file's size.
constexpr std::size_t kShownNameLength = 60;

std::string ShownName(const std::string& name) {
  if (name.size() <= kShownNameLength) return Quote(name);
  return Quote(name.substr(0, kShownNameLength - 3) + "...");
}

}  // namespace

std::string DescribeSection(const SectionInfo& section) {
  if (section.Kind == SectionKind::kModem) {
    return "[MODEM SETTINGS] section at line " +
           std::to_string(section.Header.Line);
  }
  return "device section " + ShownName(section.Name) + " (line " +
         std::to_string(section.Header.Line) + ")";
}

const Place* OpenSection::Given(std::string_view key) const {
  const KeyFacts* facts = FindKey(Info.Kind, key);
  if (facts == nullptr) return nullptr;
  const Place& place = Keys[static_cast<std::size_t>(
      facts - KeysOf(Info.Kind).data())];
  return place.Line == 0 ? nullptr : &place;
}

std::size_t CheckState::Column(std::string_view view) const {
  return static_cast<std::size_t>(view.data() - Text.data()) + 1;
}

Place CheckState::At(std::string_view view) const {
  Place p;
  p.Line = LineNumber;
  p.Column = Column(view);
  p.Length = view.empty() ? 1 : view.size();
  return p;
}

Diagnostic& CheckState::Add(Check check, const Place& place,
                            std::string message) {
  const Severity level = InfoOf(check).Level;
  if (CarriageReturns && level != Severity::kError &&
      place.Line == LineNumber) {
    return discarded_ = Diagnostic{};
  }
  Diagnostic d;
  d.Id = check;
  d.Level = level;
  d.At = place;
  d.Message = std::move(message);
  Diagnostics.push_back(std::move(d));
  return Diagnostics.back();
}

std::string CheckState::AppliedName() const {
  return Applied == nullptr ? std::string() : Applied->Key;
}

Diagnostic NoteAt(const Place& place, std::string message) {
  Diagnostic note;
  note.Level = Severity::kNote;
  note.At = place;
  note.Message = std::move(message);
  return note;
}

}  // namespace tarnwell::check
