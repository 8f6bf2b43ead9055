#include "check/FileCheck.h"

#include "check/Checks.h"
#include "check/ConfigChecker.h"
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

}  // namespace

void CheckBytes(std::string_view bytes, FileReport* report,
                const StartRegistry* start) {
  InstallConfig config;
  ConfigChecker checker(config);
  MemoryByteSource source(bytes);
  report->Read = ReadConfigSource(config, source, &checker);
  CheckState& state = checker.State();
  // Every problem in one run: past a refused section the checker reads on
  // as if it were not there, where the installer stops.
  while (state.ResumeLine != 0) {
    InstallConfig more;
    MemoryByteSource rest(bytes.substr(state.Lines.Offset(state.ResumeLine)));
    checker.Resume(more, state.ResumeLine);
    state.ResumeLine = 0;
    ReadConfigSource(more, rest, &checker);
  }
  checker.Finish();
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
    for (auto& [root, d] : SharedValueDiagnostics(
             log, report->Sections, start == nullptr ? "" : start->Name)) {
      state.Attach(root, std::move(d));
    }
  }
  report->DeviceSections = config.Devices.size();
  report->ModemSections = config.Modems.size();
  report->Diagnostics = std::move(state.Diagnostics);
  report->Disabled = std::move(state.Disabled);
  report->Lines = std::move(state.Lines);
}

}  // namespace tarnwell::check
