#include "check/FileCheck.h"

#include "check/Checks.h"
#include "check/WriteLog.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "config/LineSyntax.h"
#include "config/ReadObserver.h"
#include "regstore/RegParse.h"

namespace tarnwell::check {
namespace {

// Listens to the installer's own reader and hands what it does with each
// line to the checks of the file, the sections, the keys, the numbers, the
// texts and the GUIDs.
class ConfigChecker : public ReadObserver {
 public:
  // Runs the reader over the file from line `line` on (after the first
  // read, the header where a refused section stopped it), filling `config`.
  bool Read(InstallConfig& config, std::string_view bytes, std::size_t line) {
    state_.Config = &config;
    state_.ResumeLine = 0;
    line_offset_ = line - 1;
    MemoryByteSource source(bytes.substr(state_.Lines.Offset(line)));
    return ReadConfigSource(config, source, this);
  }

  void Line(std::size_t number, std::string_view text, LineKind kind) override {
    CheckState& s = state_;
    number += line_offset_;
    s.LineNumber = number;
    s.Text = text;
    s.Kind = kind;
    s.Applied = nullptr;
    // A resumed read repeats the header where it stopped.
    if (number <= s.Lines.Count()) return;
    s.Lines.Add(text);
    if (number == 1) CheckEncoding(s);
    if (!Checking()) return;
    CheckLineEnds(s);
    if (kind == LineKind::kComment) ReadDirective(s);
    if (kind == LineKind::kBeforeSection || kind == LineKind::kOther) {
      CheckIgnoredLine(s);
    }
  }

  void SectionOpened(SectionKind kind, std::string_view name) override {
    CheckState& s = state_;
    s.AnySection = true;
    s.Root = SectionInfo::kNoRoot;
    s.Section = OpenSection{};
    s.Section.Info.Kind = kind;
    s.Section.Info.Header = s.At(StripBlanks(s.Text));
    if (kind == SectionKind::kDevice) s.Section.Info.Name = name;
    s.Section.Keys.assign(KeysOf(kind).size(), Place{});
    if (Checking()) CheckHeader(s, name);
  }

  void SectionClosed(SectionKind kind, bool accepted) override {
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

  void KeyLine(std::string_view key, std::string_view value) override {
    state_.Key = key;
    state_.Value = value;
    state_.Applied = nullptr;
    state_.GuidGroups.clear();
  }

  void KeyApplied(const char* name, int index) override {
    CheckState& s = state_;
    s.Applied = AppliedKey(s.Section.Info.Kind, name, index);
    if (!Checking() || s.Applied == nullptr) return;
    CheckAppliedKey(s);
    if (s.Applied->Form == ValueForm::kText) CheckTextValue(s);
  }

  void KeyUnknown() override {
    if (Checking()) CheckUnknownKey(state_);
  }

  void NumberRead(const NumberConversion& conversion) override {
    CheckState& s = state_;
    if (!Checking() || s.Applied == nullptr) return;
    if (s.Applied->Form == ValueForm::kGuid) {
      s.GuidGroups.push_back(conversion);
      return;
    }
    CheckNumber(s, conversion);
  }

  void TextCut(std::string_view text, std::size_t capacity) override {
    if (Checking() && state_.Applied != nullptr) {
      CheckTextCut(state_, text, capacity);
    }
  }

  void DisableListFull() override {
    OpenSection& section = state_.Section;
    if (section.IgnoredDisables++ == 0) {
      section.FirstIgnoredDisable = state_.At(state_.Key);
    }
  }

  void GuidRead(std::string_view text, const GUID& guid,
                int groups_read) override {
    if (Checking()) CheckGuid(state_, text, guid, groups_read);
  }

  void ReadFailed() override {}  // bytes in memory are read to their end

  CheckState& State() { return state_; }

 private:
  // False once the file is known to be UTF-16: every other finding would
  // follow from that.
  bool Checking() const { return !state_.Utf16; }

  CheckState state_;
  std::size_t line_offset_ = 0;
};

// The installer's pass, one entry at a time so that the log knows whose
// values it sees: each entry goes through the pass on its own, devices
// before modems as the whole pass takes them.
bool WriteEntries(const InstallConfig& config, WriteLog& log) {
  bool written = true;
  InstallConfig one;
  auto write = [&](auto& list, const auto& entry) {
    list.push_back(entry);
    log.BeginEntry();
    written = one.WriteConfigToRegistry(log) && written;
    list.clear();
  };
  for (const DeviceEntry& device : config.Devices) write(one.Devices, device);
  for (const ModemEntry& modem : config.Modems) write(one.Modems, modem);
  return written;
}

}  // namespace

void CheckBytes(std::string_view bytes, FileReport* report,
                const StartRegistry* start) {
  InstallConfig config;
  ConfigChecker checker;
  report->Read = checker.Read(config, bytes, 1);
  CheckState& state = checker.State();
  // Every problem in one run: past a refused section the checker reads on
  // as if it were not there, where the installer stops.
  while (state.ResumeLine != 0) {
    InstallConfig more;
    checker.Read(more, bytes, state.ResumeLine);
  }
  CheckWholeFile(state);  // what only the whole file shows
  report->StopLine = state.StopLine;

  if (start != nullptr) {
    regstore::ParseRegFileBytes(start->Bytes, report->Registry.Tree());
  }
  if (report->Read) {
    report->Log = std::make_unique<WriteLog>(report->Registry);
    WriteLog& log = *report->Log;
    report->Written = WriteEntries(config, log);
    // In the order of the pass: devices, then modems.
    report->Sections = state.Devices;
    report->Sections.insert(report->Sections.end(), state.Modems.begin(),
                            state.Modems.end());
    CheckSharedValues(state, log, report->Sections,
                      start == nullptr ? "" : start->Name);
  }
  report->DeviceSections = config.Devices.size();
  report->ModemSections = config.Modems.size();
  report->Diagnostics = std::move(state.Diagnostics);
  report->Disabled = std::move(state.Disabled);
  report->Lines = std::move(state.Lines);
}

}  // namespace tarnwell::check
