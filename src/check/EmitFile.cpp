#include "check/Emit.h"

#include <vector>

#include "check/KeyCatalog.h"
#include "check/Outputs.h"
#include "check/Text.h"
#include "config/LineSyntax.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

// The line of the file that gave the slot its last text: the last line of
// the writing section whose key becomes that value, read as the installer
// reads key lines (a header's name is a key line too). The section's
// header when no line matches.
std::size_t LineOfText(const FileReport& report, const WriteLog::Slot& slot) {
  if (slot.Writer >= report.Sections.size()) return 0;
  const SectionInfo& section = report.Sections[slot.Writer];
  std::size_t end = report.Lines.Count() + 1;
  for (const SectionInfo& other : report.Sections) {
    if (other.Header.Line > section.Header.Line && other.Header.Line < end) {
      end = other.Header.Line;
    }
  }
  std::size_t found = section.Header.Line;
  for (std::size_t number = section.Header.Line; number < end; ++number) {
    std::string_view line = StripBlanks(report.Lines.Line(number));
    if (number == section.Header.Line) line = StripBrackets(line);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const KeyFacts* facts =
        FindKey(section.Kind, StripBlanks(line.substr(0, equals)));
    if (facts != nullptr && regstore::SameName(facts->ValueName, slot.Name)) {
      found = number;
    }
  }
  return found;
}

std::string RefusedText(const FileReport& report, const WriteLog::Slot& slot,
                        const std::string& name) {
  const std::size_t number = LineOfText(report, slot);
  const std::string_view line = report.Lines.Line(number);
  std::size_t column = 1;
  const char16_t bad = FirstUnwritable(slot);
  const std::size_t at = line.find(static_cast<char>(bad));
  if (at != std::string_view::npos) column = at + 1;
  const std::string why =
      bad < 0x80 ? "a control character (" + Hex(bad, 2) +
                       "), which a reader of the file may take for the end of "
                       "a line or of the file"
                 : "a character outside ASCII (" + Hex(bad, 2) +
                       "), and image builders and the CAB Wizard read the "
                       "file in the build machine's code page";
  std::string echo = EchoLine(line, column, 1);
  echo.pop_back();  // the caller ends the message
  return name + ":" + std::to_string(number) + ":" + std::to_string(column) +
         ": error: " + Quote(Utf16ToUtf8(slot.Name)) + " would hold " + why +
         "; no file is written: write the text in printable ASCII\n" + echo;
}

}  // namespace

int EmitText(std::string_view kind, const FileReport& report,
             const std::string& name, const std::string& version,
             std::string* bytes, std::string* message) {
  static const std::vector<WriteLog::Key> kNoKeys;
  static const std::vector<WriteLog::Slot> kNoSlots;
  EmitInput input;
  input.Keys = report.Log ? &report.Log->Keys() : &kNoKeys;
  input.Slots = report.Log ? &report.Log->Slots() : &kNoSlots;
  input.Source = name;
  input.Version = version;
  const std::size_t refused = FindUnwritableText(input);
  if (refused != WriteLog::kNobody) {
    *message = RefusedText(report, (*input.Slots)[refused], name);
    return 1;
  }
  EmitKind which = EmitKind::kImageReg;
  ParseEmitKind(kind, &which);
  *bytes = which == EmitKind::kImageReg ? FormatImageReg(input)
                                        : FormatCabInf(input);
  return 0;
}

}  // namespace tarnwell::check
