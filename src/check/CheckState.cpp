#include "check/Checks.h"

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
  const Place& place =
      Keys[static_cast<std::size_t>(facts - KeysOf(Info.Kind).data())];
  return place.Line == 0 ? nullptr : &place;
}

std::size_t CheckState::Column(std::string_view view) const {
  return static_cast<std::size_t>(view.data() - Text.data()) + 1;
}

Place CheckState::At(std::string_view view) const {
  return Place{LineNumber, Column(view), view.empty() ? 1 : view.size()};
}

Diagnostic& CheckState::Add(Check check, const Place& place,
                            const std::vector<std::string>& args) {
  Diagnostic d = MakeDiagnostic(check, place, args);
  if (CarriageReturns && d.Level != Severity::kError &&
      place.Line == LineNumber && check != Check::kCrLineEnds) {
    return Attach(CrRoot, std::move(d));
  }
  const std::size_t roots[] = {SectionInfo::kNoRoot, Root, Section.Info.Root};
  return Attach(roots[static_cast<std::size_t>(InfoOf(check).From)],
                std::move(d));
}

Diagnostic& CheckState::Attach(std::size_t root, Diagnostic d) {
  if (root == SectionInfo::kNoRoot) {
    Diagnostics.push_back(std::move(d));
    return Diagnostics.back();
  }
  d.FollowOn = true;
  std::vector<Diagnostic>& notes = Diagnostics[root].Notes;
  notes.push_back(std::move(d));
  return notes.back();
}

std::size_t CheckState::IndexOf(const Diagnostic& d) const {
  // d stands on its own, or is a note of a finding before it.
  return &d == &Diagnostics.back() ? Diagnostics.size() - 1
                                   : SectionInfo::kNoRoot;
}

Diagnostic MakeDiagnostic(Check check, const Place& place,
                          const std::vector<std::string>& args) {
  Diagnostic d;
  d.Id = check;
  d.Level = InfoOf(check).Level;
  d.At = place;
  d.Message = MessageOf(check, args);
  return d;
}

Diagnostic NoteAt(const Place& place, std::string message) {
  Diagnostic note;
  note.Level = Severity::kNote;
  note.At = place;
  note.Message = std::move(message);
  return note;
}

}  // namespace tarnwell::check
