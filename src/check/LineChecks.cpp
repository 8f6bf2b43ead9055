#include "check/Checks.h"

#include "check/KeyCatalog.h"
#include "check/Text.h"
#include "config/LineSyntax.h"

namespace tarnwell::check {
namespace {

bool IsKeyCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= '0' && c <= '9') || c == '_';
}

bool IsKnownInEither(std::string_view word) {
  return FindKey(SectionKind::kDevice, word) != nullptr ||
         FindKey(SectionKind::kModem, word) != nullptr;
}

// "GUID: {...}" or "IFC_Disable 0x03": a known key, then a colon or blanks
// where "=" belongs. True with the key, the gap and the value.
bool SplitAlmostKey(std::string_view line, std::string_view* key,
                    std::string_view* gap, std::string_view* value) {
  std::size_t end = 0;
  while (end < line.size() && IsKeyCharacter(line[end])) ++end;
  if (end == 0 || end == line.size()) return false;
  std::size_t next = end;
  while (next < line.size() && IsLineBlank(line[next])) ++next;
  const bool colon = next < line.size() && line[next] == ':';
  if (!colon && next == end) return false;  // "GUID{...}": not a key line
  if (colon) ++next;
  *key = line.substr(0, end);
  *gap = line.substr(end, next - end);
  *value = StripBlanks(line.substr(next));
  // The line ends in no blank: blanks without a colon have a value after.
  return IsKnownInEither(*key);
}

}  // namespace

void CheckEncoding(CheckState& s) {
  const std::string_view text = s.Text;
  const bool bom =
      text.size() >= 2 && ((text[0] == '\xFF' && text[1] == '\xFE') ||
                           (text[0] == '\xFE' && text[1] == '\xFF'));
  if (!bom && text.find('\0') == std::string_view::npos) return;
  s.Utf16 = true;
  s.Root = s.Diagnostics.size();  // the file reads as nothing: see below
  s.Add(Check::kUtf16File, Place{1, 0, 1});
}

void CheckLineEnds(CheckState& s) {
  s.CarriageReturns = false;
  const std::string_view stripped = StripBlanks(s.Text);
  const std::size_t cr = stripped.find('\r');
  if (cr == std::string_view::npos) return;
  if (s.CrRoot == SectionInfo::kNoRoot) {
    s.CrRoot = s.Diagnostics.size();
    s.Add(Check::kCrLineEnds, s.At(stripped.substr(cr, 1)));
  }
  s.CarriageReturns = true;
}

void CheckIgnoredLine(CheckState& s) {
  const std::string_view stripped = StripBlanks(s.Text);
  const bool bracket = stripped.front() == '[';
  const bool equals = stripped.find('=') != std::string_view::npos;
  if (bracket && !equals) {
    const bool inside = s.Kind == LineKind::kOther;
    const Diagnostic& d =
        s.Add(Check::kUnclosedHeader, s.At(stripped),
              {"0", inside ? "1" : "0", DescribeSection(s.Section.Info)});
    if (MeansModemSection(stripped.substr(1))) s.Root = s.IndexOf(d);
    return;
  }
  if (s.Kind == LineKind::kBeforeSection) {
    s.Add(Check::kBeforeSection, s.At(stripped), {equals ? "0" : "1"});
    return;
  }
  std::string_view key, gap, value;
  if (SplitAlmostKey(stripped, &key, &gap, &value)) {
    s.Add(Check::kMissingEquals, s.At(gap),
          {Quote(key), Quote(std::string(key) + " = " + std::string(value))});
    return;
  }
  s.Add(Check::kIgnoredLine, s.At(stripped));
}

void ReadDirective(CheckState& s) {
  std::string_view text = StripBlanks(s.Text).substr(1);
  constexpr std::string_view kTool = "tarnwell-check:";
  text = StripBlanks(text);
  if (text.substr(0, kTool.size()) != kTool) return;
  text = StripBlanks(text.substr(kTool.size()));
  if (text.substr(0, 8) != "disable=") return;
  text.remove_prefix(8);
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const CheckInfo* info = FindCheck(StripBlanks(text.substr(0, comma)));
    if (info != nullptr && !info->Fatal) {
      s.Disabled.emplace(s.LineNumber + 1, info->Id);
    }
    text = comma == std::string_view::npos ? "" : text.substr(comma + 1);
  }
}

void CheckWholeFile(CheckState& s) {
  if (s.AnySection) return;
  bool blank = true;
  for (std::size_t n = 1; n <= s.Lines.Count() && blank; ++n) {
    blank = StripBlanks(s.Lines.Line(n)).empty();
  }
  s.Add(Check::kEmptyConfig, Place{}, {blank ? "0" : "1"});
}

}  // namespace tarnwell::check
