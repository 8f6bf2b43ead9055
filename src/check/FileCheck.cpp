// The listener of the installer reader's trace: it keeps the state of the
// checks up to date and hands each line, header, key and section to them.
#include "check/FileCheck.h"

#include <algorithm>

#include "config/ConfigReader.h"
#include "config/LineSyntax.h"
#include "config/ReadTrace.h"

namespace tarnwell::check {
namespace {

// The number of the file's last line when it holds nothing but Ctrl-Z
// (and blanks), or 0.
std::size_t EndOfFileMark(std::string_view bytes) {
  const std::size_t last = bytes.find_last_not_of(" \t\r\n");
  if (last == std::string_view::npos || bytes[last] != '\x1A') return 0;
  const std::size_t start = bytes.find_last_of('\n', last) + 1;
  if (StripBlanks(bytes.substr(start, last + 1 - start))
          .find_first_not_of('\x1A') != std::string_view::npos) {
    return 0;
  }
  return static_cast<std::size_t>(
             std::count(bytes.begin(), bytes.begin() + start, '\n')) + 1;
}

class ConfigChecker : public ReadTrace {
 public:
  // Runs the reader over the file from line `line` on (after the first
  // read, the header where a refused section stopped it), filling `config`.
  bool Read(InstallConfig& config, std::string_view bytes, std::size_t line) {
    state_.Config = &config;
    state_.ResumeLine = 0;
    state_.Open = false;
    line_offset_ = line - 1;
    head_ = bytes.substr(0, kHead);
    // The lines are kept as read, without the byte-order mark that the
    // reader skips at the start of the file.
    const std::size_t mark = line > 1 && bytes.substr(0, 3) == "\xEF\xBB\xBF" ? 3 : 0;
    MemoryByteSource source(bytes.substr(state_.Lines.Offset(line) + mark));
    return ReadConfigSource(config, source, this);
  }

  void Line(std::size_t number, std::string_view text, LineKind kind) override {
    CheckState& s = state_;
    number += line_offset_;
    s.LineNumber = number;
    s.Text = text;
    s.Kind = kind;
    // A resumed read repeats the header where it stopped.
    if (number <= s.Lines.Count()) return;
    s.Lines.Add(text);
    if (number == 1) CheckEncoding(s, head_);
    if (!Checking()) return;
    CheckLineStart(s);
    if (s.Kind == LineKind::kComment) CheckComment(s);
    if (s.Kind == LineKind::kKey ||
        (s.Kind == LineKind::kBeforeSection &&
         text.find('=') != std::string_view::npos)) {
      CheckOrphanedKeys(s);
    }
    if (s.Kind == LineKind::kBeforeSection || s.Kind == LineKind::kOther) {
      CheckIgnoredLine(s);
    }
  }

  void SectionOpened(SectionKind kind, std::string_view name) override {
    CheckState& s = state_;
    s.AnySection = true;
    s.Open = true;
    s.Root = kNoRoot;
    s.CommentedHeader = Place{};
    s.Section = OpenSection{};
    s.Section.Info.Kind = kind;
    s.Section.Info.Header = s.At(StripBlanks(s.Text));
    s.Section.Info.FirstKey = s.KeyLines.size();
    if (kind == SectionKind::kDevice) s.Section.Info.Name = name;
    s.Section.Keys.assign(RowCount(kind), Place{});
    if (Checking()) CheckHeader(s, name);
  }

  void SectionClosed(bool accepted) override {
    CheckState& s = state_;
    s.Open = false;
    if (!accepted) {
      const bool header = s.Kind == LineKind::kHeader &&
                          s.LineNumber != s.Section.Info.Header.Line;
      s.ResumeLine = header ? s.LineNumber : 0;
      if (s.StopLine == 0)
        s.StopLine = header ? s.LineNumber : s.Lines.Count() + 1;
      CheckRefusedSection(s);
      return;
    }
    if (Checking()) CheckFinishedSection(s);
    (s.Section.Info.Kind == SectionKind::kDevice ? s.Devices : s.Modems)
        .push_back(s.Section.Info);
  }

  void KeyApplied(std::size_t line, std::string_view key,
                  std::string_view value, std::size_t row,
                  const DeviceEntry& entry) override {
    Applied(line, key, value, row, entry);
  }
  void KeyApplied(std::size_t line, std::string_view key,
                  std::string_view value, std::size_t row,
                  const ModemEntry& entry) override {
    Applied(line, key, value, row, entry);
  }

  void KeyUnknown(std::string_view key, std::string_view value) override {
    state_.Key = key;
    state_.Value = value;
    if (Checking()) CheckUnknownKey(state_);
  }

  void Stopped() override {}  // bytes in memory are read to their end

  CheckState& State() { return state_; }

 private:
  template <typename Entry>
  void Applied(std::size_t line, std::string_view key, std::string_view value,
               std::size_t row, const Entry& entry) {
    CheckState& s = state_;
    s.Key = key;
    s.Value = value;
    s.KeyLines.push_back({row, line + line_offset_});
    ++s.Section.Info.KeyCount;
    if (Checking()) CheckKeyLine(s, row, entry);
  }

  // False once the file is known to be UTF-16: every other finding would
  // follow from that.
  bool Checking() const { return !state_.Utf16; }

  // How much of the file tells UTF-16 from 8-bit text.
  static constexpr std::size_t kHead = 256;

  CheckState state_;
  std::size_t line_offset_ = 0;
  std::string_view head_;
};

}  // namespace

void CheckBytes(std::string_view bytes, FileReport* report,
                const StartRegistry* start) {
  InstallConfig config;
  ConfigChecker checker;
  CheckState& state = checker.State();
  state.EndOfFileMark = EndOfFileMark(bytes);
  report->Read = checker.Read(config, bytes, 1);
  // Every problem in one run: past a refused section the checker reads on
  // as if it were not there, where the installer stops.
  while (state.ResumeLine != 0) {
    InstallConfig more;
    checker.Read(more, bytes, state.ResumeLine);
  }
  CheckWholeFile(state);  // what only the whole file shows
  CheckReaderFile(state, start == nullptr ? nullptr : &start->Tree);
  report->StopLine = state.StopLine;

  report->Log = std::make_unique<WriteLog>(start == nullptr ? nullptr
                                                           : &start->Tree);
  if (report->Read) {
    WriteLog& log = *report->Log;
    report->Written = config.WriteConfigToRegistry(log, &log);
    log.Finish();
    // The log's entries are the pass's, each of its kind in file order.
    std::size_t devices = 0;
    std::size_t modems = 0;
    for (const WriteLog::Entry& entry : log.Entries()) {
      const bool device = entry.Kind == SectionKind::kDevice;
      const auto& list = device ? state.Devices : state.Modems;
      std::size_t& next = device ? devices : modems;
      if (next == list.size()) break;
      report->Sections.push_back(list[next++]);
    }
    CheckSharedValues(state, log, report->Sections,
                      start == nullptr ? "" : start->Name);
  }
  report->DeviceSections = config.Devices.size();
  report->ModemSections = config.Modems.size();
  report->Diagnostics = std::move(state.Diagnostics);
  report->Disabled = std::move(state.Disabled);
  report->Lines = std::move(state.Lines);
  report->KeyLines = std::move(state.KeyLines);
}

}  // namespace tarnwell::check
