// Arbitrary bytes as usbcdc.cfg through tarnwell-check: the check never
// crashes, the registry it previews is the one the installer's writers
// produce for the same bytes, and every diagnostic points into the file.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "CallLog.h"
#include "check/ConfigChecker.h"
#include "check/Diagnostics.h"
#include "check/RegPreview.h"
#include "check/SharedValues.h"
#include "config/ConfigReader.h"
#include "platform/ByteSource.h"
#include "platform/regfile/RegFormat.h"
#include "platform/regfile/TreeRegistry.h"

namespace {

using namespace tarnwell;

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

// Line 0 is the file as a whole; column 0 a line as a whole. A column may
// stand just past the line's end (an empty value there), but what it
// underlines lies within the line.
void CheckPlace(const check::Diagnostic& d,
                const std::vector<std::string>& lines) {
  if (d.Line == 0) {
    if (d.Column != 0) Fail("a column on a diagnostic of the whole file");
  } else {
    if (d.Line > lines.size()) Fail("a diagnostic past the last line");
    const std::size_t width = lines[d.Line - 1].size();
    if (d.Column > width + 1) Fail("a diagnostic's column past its line");
    if (d.Column > 0 && d.Length > 1 && d.Column + d.Length - 1 > width) {
      Fail("a diagnostic underlines past its line");
    }
  }
  for (const check::Diagnostic& note : d.Notes) CheckPlace(note, lines);
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
  check::ConfigChecker checker;
  InstallConfig config;
  MemoryByteSource source(bytes);
  if (ReadConfigSource(config, source, &checker) != read) {
    Fail("the checker's reading succeeds where the installer's fails");
  }
  if (checker.Devices().size() != config.Devices.size() ||
      checker.Modems().size() != config.Modems.size()) {
    Fail("the checker's sections are not the configuration's entries");
  }
  regstore::TreeRegistry preview;
  if (read) {
    config.WriteConfigToRegistry(preview);
    for (check::Diagnostic& d : check::SharedValueDiagnostics(
             config, checker.Devices(), checker.Modems())) {
      checker.Diagnostics().push_back(std::move(d));
    }
  }

  // What the installer's calls leave in an empty store, saved as the host
  // saves registry.reg.
  regstore::TreeRegistry store;
  if (!installed.Replay(store)) Fail("the store refused an installer call");
  if (check::RegFileBytes(preview.Tree()) !=
      regstore::FormatRegFileBytes(store.Tree())) {
    Fail("the preview is not the registry the installer writes");
  }

  for (const check::Diagnostic& d : checker.Diagnostics()) {
    CheckPlace(d, checker.Lines());
  }
  check::Counts counts;
  check::RenderDiagnostics(checker.Diagnostics(), checker.Lines(), "usbcdc.cfg",
                           check::PrintOptions{}, &counts);
  if (counts.Errors + counts.Warnings + counts.Notes !=
      checker.Diagnostics().size()) {
    Fail("the counts leave out diagnostics");
  }
  check::RegTextUtf8(preview.Tree());
  return 0;
}
