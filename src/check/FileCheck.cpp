#include "check/FileCheck.h"

#include <algorithm>

#include "check/ConfigChecker.h"
#include "check/SharedValues.h"
#include "check/WriteLog.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"

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

bool CheckSource(ByteSource& source, FileReport* report) {
  InstallConfig config;
  ConfigChecker checker(config);
  report->Read = ReadConfigSource(config, source, &checker);
  if (checker.ReadFailedBeforeEnd()) return false;
  checker.Finish();
  CheckState& state = checker.State();

  std::vector<Diagnostic>& diagnostics = state.Diagnostics;
  if (report->Read) {
    report->Log = std::make_unique<WriteLog>(report->Registry);
    WriteLog& log = *report->Log;
    report->Written = WriteEntries(config, log);
    std::vector<const SectionInfo*> sections;
    for (const SectionInfo& s : state.Devices) sections.push_back(&s);
    for (const SectionInfo& s : state.Modems) sections.push_back(&s);
    for (const SectionInfo* s : sections) report->Sections.push_back(*s);
    for (Diagnostic& d : SharedValueDiagnostics(log, sections)) {
      diagnostics.push_back(std::move(d));
    }
  }
  std::stable_sort(diagnostics.begin(), diagnostics.end(),
                   [](const Diagnostic& a, const Diagnostic& b) {
                     if (a.At.Line != b.At.Line) return a.At.Line < b.At.Line;
                     return a.At.Column < b.At.Column;
                   });
  report->DeviceSections = config.Devices.size();
  report->ModemSections = config.Modems.size();
  report->Diagnostics = std::move(diagnostics);
  report->Lines = std::move(state.Lines);
  return true;
}

}  // namespace tarnwell::check
