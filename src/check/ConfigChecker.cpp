#include "check/ConfigChecker.h"

#include "check/Checks.h"
#include "config/LineSyntax.h"

namespace tarnwell::check {

void ConfigChecker::Line(std::size_t number, std::string_view text,
                         LineKind kind) {
  CheckState& s = state_;
  number += line_offset_;
  s.LineNumber = number;
  s.Text = text;
  s.Kind = kind;
  s.Applied = nullptr;
  if (number <= s.Lines.Count()) return;  // the header a resumed read repeats
  s.Lines.Add(text);
  if (number == 1) CheckEncoding(s);
  if (!Checking()) return;
  CheckLineEnds(s);
  if (kind == LineKind::kComment) ReadDirective(s);
  if (kind == LineKind::kBeforeSection || kind == LineKind::kOther) {
    CheckIgnoredLine(s);
  }
}

void ConfigChecker::SectionOpened(SectionKind kind, std::string_view name) {
  CheckState& s = state_;
  s.AnySection = true;
  s.Root = SectionInfo::kNoRoot;
  OpenSection& section = s.Section;
  section.Info.Root = SectionInfo::kNoRoot;
  section.Info.Kind = kind;
  section.Info.Header = s.At(StripBlanks(s.Text));
  section.Info.Name.assign(kind == SectionKind::kDevice ? name : "");
  section.Keys.assign(KeysOf(kind).size(), Place{});
  section.IgnoredDisables = 0;
  if (Checking()) CheckHeader(s, name);
}

void ConfigChecker::SectionClosed(SectionKind kind, bool accepted) {
  CheckState& s = state_;
  if (!accepted) {
    const bool header = s.Kind == LineKind::kHeader &&
                        s.LineNumber != s.Section.Info.Header.Line;
    s.ResumeLine = header ? s.LineNumber : 0;
    if (s.StopLine == 0)
      s.StopLine = header ? s.LineNumber : s.Lines.Count() + 1;
    CheckRefusedSection(s);
    return;
  }
  (kind == SectionKind::kDevice ? s.Devices : s.Modems)
      .push_back(s.Section.Info);
  if (Checking()) CheckFinishedSection(s);
}

void ConfigChecker::KeyLine(std::string_view key, std::string_view value) {
  state_.Key = key;
  state_.Value = value;
  state_.Applied = nullptr;
  state_.GuidGroups.clear();
}

void ConfigChecker::KeyApplied(const char* name, int index) {
  CheckState& s = state_;
  s.Applied = AppliedKey(s.Section.Info.Kind, name, index);
  if (!Checking() || s.Applied == nullptr) return;
  CheckAppliedKey(s);
  if (s.Applied->Form == ValueForm::kText) CheckTextValue(s);
}

void ConfigChecker::KeyUnknown() {
  if (Checking()) CheckUnknownKey(state_);
}

void ConfigChecker::NumberRead(const NumberConversion& conversion) {
  CheckState& s = state_;
  if (!Checking() || s.Applied == nullptr) return;
  if (s.Applied->Form == ValueForm::kGuid) {
    s.GuidGroups.push_back(conversion);
    return;
  }
  CheckNumber(s, conversion);
}

void ConfigChecker::TextCut(std::string_view text, std::size_t capacity) {
  if (Checking() && state_.Applied != nullptr) {
    CheckTextCut(state_, text, capacity);
  }
}

void ConfigChecker::DisableListFull() {
  OpenSection& section = state_.Section;
  if (section.IgnoredDisables++ == 0) {
    section.FirstIgnoredDisable = state_.At(state_.Key);
  }
}

void ConfigChecker::GuidRead(std::string_view text, const GUID& guid,
                             int groups_read) {
  if (Checking()) CheckGuid(state_, text, guid, groups_read);
}

void ConfigChecker::Finish() { CheckWholeFile(state_); }

}  // namespace tarnwell::check
