#include "check/FileCheck.h"

#include "check/ConfigChecker.h"
#include "check/SharedValues.h"
#include "check/WriteLog.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "regstore/RegParse.h"

namespace tarnwell::check {
namespace {

// The installer's pass, one entry at a time so that the log knows whose
// values it sees: each entry goes through the pass on its own, devices
// before modems as the whole pass takes them.
bool WriteEntries(const InstallConfig& config, WriteLog& log) {
  bool written = true;
  for (const DeviceEntry& device : config.Devices) {
    InstallConfig one;
    one.Devices.push_back(device);
    log.BeginEntry();
    written = one.WriteConfigToRegistry(log) && written;
  }
  for (const ModemEntry& modem : config.Modems) {
    InstallConfig one;
    one.Modems.push_back(modem);
    log.BeginEntry();
    written = one.WriteConfigToRegistry(log) && written;
  }
  return written;
}

// Passes a source on and keeps its bytes from the line the checker is on,
// so that checking can go on where a refused section stops the reader.
class KeepingSource : public ByteSource {
 public:
  KeepingSource(ByteSource& in, const ConfigChecker& checker)
      : in_(in), checker_(checker) {}

  Status Read(char* buffer, std::size_t capacity,
              std::size_t* count) override {
    const std::size_t drop = checker_.LineStart() - kept_from_;
    if (drop > kept_.size() / 2) {  // amortised: each byte moves once
      kept_.erase(0, drop);
      kept_from_ += drop;
    }
    const Status status = in_.Read(buffer, capacity, count);
    if (status == Status::kData) kept_.append(buffer, *count);
    return status;
  }

  // The rest of the file from the checker's line on; false when the
  // source fails.
  bool Rest(std::string* rest) {
    char buffer[64 * 1024];
    std::size_t count = 0;
    Status status;
    while ((status = Read(buffer, sizeof buffer, &count)) == Status::kData) {
    }
    *rest = kept_.substr(checker_.LineStart() - kept_from_);
    return status == Status::kEnd;
  }

 private:
  ByteSource& in_;
  const ConfigChecker& checker_;
  std::string kept_;
  std::size_t kept_from_ = 0;  // the file offset of kept_[0]
};

}  // namespace

bool CheckSource(ByteSource& source, FileReport* report,
                 const StartRegistry* start) {
  InstallConfig config;
  ConfigChecker checker(config);
  KeepingSource keeping(source, checker);
  report->Read = ReadConfigSource(config, keeping, &checker);
  if (checker.ReadFailedBeforeEnd()) return false;
  CheckState& state = checker.State();
  // Every problem in one run: past a refused section the checker reads on
  // as if it were not there, where the installer stops.
  if (!report->Read && state.ResumeLine != 0) {
    const std::size_t base = checker.LineStart();
    std::string rest;
    if (!keeping.Rest(&rest)) return false;
    while (state.ResumeLine != 0) {
      InstallConfig more;
      checker.Resume(more, state.ResumeLine);
      state.ResumeLine = 0;
      MemoryByteSource tail(
          std::string_view(rest).substr(checker.LineStart() - base));
      ReadConfigSource(more, tail, &checker);
    }
  }
  checker.Finish();
  report->StopLine = state.StopLine == kStopAtEnd ? state.Lines.Count() + 1
                                                  : state.StopLine;

  if (start != nullptr) {
    regstore::ParseRegFileBytes(start->Bytes, report->Registry.Tree());
  }
  if (report->Read) {
    WriteLog log(report->Registry);
    report->Written = WriteEntries(config, log);
    std::vector<const SectionInfo*> sections;
    for (const SectionInfo& s : state.Devices) sections.push_back(&s);
    for (const SectionInfo& s : state.Modems) sections.push_back(&s);
    for (auto& [root, d] : SharedValueDiagnostics(
             log, sections, start == nullptr ? "" : start->Name)) {
      state.Attach(root, std::move(d));
    }
  }
  report->DeviceSections = config.Devices.size();
  report->ModemSections = config.Modems.size();
  report->Diagnostics = std::move(state.Diagnostics);
  report->Disabled = std::move(state.Disabled);
  report->Lines = std::move(state.Lines);
  return true;
}

}  // namespace tarnwell::check
