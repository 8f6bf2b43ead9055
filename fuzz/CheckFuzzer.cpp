// Arbitrary bytes as usbcdc.cfg through tarnwell-check: the check never
// crashes, it reads what the installer reads, the registry it previews is
// the one the installer's writers produce for the same bytes, and every
// diagnostic points into the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "CallLog.h"
#include "check/DiagnosticFilter.h"
#include "check/FileCheck.h"
#include "check/Report.h"
#include "check/Text.h"
#include "config/ConfigReader.h"
#include "platform/ByteSource.h"
#include "regstore/RegFormat.h"
#include "regstore/TreeRegistry.h"

namespace {

using namespace tarnwell;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

// Line 0 is the file as a whole; column 0 a line as a whole. A column may
// stand just past the line's end (an empty value there), but what it
// underlines lies within the line.
void CheckPlace(const check::Diagnostic& d, const check::LineStore& lines) {
  if (d.At.Line == 0) {
    if (d.At.Column != 0) Fail("a column on a diagnostic of the whole file");
  } else {
    if (d.At.Line > lines.Count()) Fail("a diagnostic past the last line");
    const std::size_t width = lines.Line(d.At.Line).size();
    if (d.At.Column > width + 1) Fail("a diagnostic's column past its line");
    if (d.At.Column > 0 && d.At.Length > 1 &&
        d.At.Column + d.At.Length - 1 > width) {
      Fail("a diagnostic underlines past its line");
    }
  }
  for (const check::Diagnostic& note : d.Notes) CheckPlace(note, lines);
}

// How many findings of each check, shown on their own or as follow-ons.
std::vector<std::size_t> Tally(const std::vector<check::Diagnostic>& shown) {
  std::vector<std::size_t> tally(check::kCheckCount, 0);
  for (const check::Diagnostic& d : shown) {
    ++tally[static_cast<std::size_t>(d.Id)];
    for (const check::Diagnostic& note : d.Notes) {
      if (note.FollowOn) ++tally[static_cast<std::size_t>(note.Id)];
    }
  }
  return tally;
}

const check::CheckOptions& DefaultOptions() {
  static const check::CheckOptions options = [] {
    check::CheckOptions o;
    std::string error;
    check::ParseCheckOptions({}, &o, &error);
    return o;
  }();
  return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  // The installer: its reader without a listener, its writers' calls.
  static fuzz::CallLog installed;
  installed.Clear();
  InstallConfig installer_config;
  MemoryByteSource installer_source(bytes);
  const bool read = ReadConfigSource(installer_config, installer_source);
  if (read) installer_config.WriteConfigToRegistry(installed);

  // The check, as tarnwell-check makes it.
  check::FileResult result;
  result.Report = std::make_unique<check::FileReport>();
  check::FileReport& report = *result.Report;
  check::CheckBytes(bytes, &report);
  if (report.Read != read) {
    Fail("the checker's reading and the installer's disagree");
  }
  if (read && (report.DeviceSections != installer_config.Devices.size() ||
               report.ModemSections != installer_config.Modems.size())) {
    Fail("the checker's sections are not the installer's entries");
  }

  // What the installer's calls leave in an empty store, saved as the host
  // saves registry.reg, is what the checker previews.
  const regstore::RegTree& left = report.Log->Tree();
  if (read) {
    regstore::TreeRegistry store;
    if (!installed.Replay(store)) Fail("the store refused an installer call");
    if (regstore::FormatRegFileBytes(left) !=
        regstore::FormatRegFileBytes(store.Tree())) {
      Fail("the preview is not the registry the installer writes");
    }
  }

  for (const check::Diagnostic& d : report.Diagnostics) {
    CheckPlace(d, report.Lines);
  }
  result.Name = "usbcdc.cfg";
  result.Shown = check::ApplyOptions(report.Diagnostics, DefaultOptions(),
                                     &result.Found);
  if (result.Found.Errors + result.Found.Warnings + result.Found.Notes !=
      result.Shown.size()) {
    Fail("the counts leave out diagnostics");
  }
  // Turning one check off hides none of another's findings.
  const std::vector<std::size_t> all = Tally(result.Shown);
  const std::size_t off = size % all.size();
  check::CheckOptions fewer = DefaultOptions();
  if (check::InfoOf(static_cast<check::Check>(off)).Stays ==
      check::Fixed::kOptional) {
    fewer.Settings[off].Off = true;
    check::Counts counts;
    std::vector<std::size_t> left =
        Tally(check::ApplyOptions(report.Diagnostics, fewer, &counts));
    left[off] = all[off];
    if (left != all) Fail("turning a check off hid another's finding");
  }
  result.Size = check::MeasureTree(left);
  check::RenderText(result.Shown, report.Lines, result.Name, false);
  // The machine formats quote every message; SARIF adds only its fixed
  // list of rules, too dear to make for every input.
  check::Utf16ToUtf8(regstore::FormatRegFile(left));
  std::vector<check::FileResult> results;
  results.push_back(std::move(result));
  check::JsonReport(results, "fuzz");
  return 0;
}
