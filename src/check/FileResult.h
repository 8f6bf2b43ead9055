// The outcome of checking one file, as every output format reports it.
#pragma once

#include <string>
#include <vector>

#include "check/Diagnostic.h"
#include "check/DiagnosticFilter.h"
#include "check/FileCheck.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {

struct TreeSize {
  std::size_t Keys = 0;  // keys that hold at least one value
  std::size_t Values = 0;
};

TreeSize MeasureTree(const regstore::RegTree& tree);

struct FileResult {
  std::string Name;  // as messages show it; "<stdin>" for "-"
  bool Stdin = false;
  std::string Error;  // why the file could not be read; empty when it was
  const FileReport* Report = nullptr;  // null when Error is set
  std::vector<Diagnostic> Shown;       // after the options
  Counts Found;
  std::size_t LeftOut = 0;  // findings beyond --max-findings, not shown
  TreeSize Size;            // of the registry the installer would write
  int ExitStatus = 0;       // 0, 1 or 2 as the program's exit status

  // The message box the installer would show: "Read configuration file
  // failed!" and so on; empty when the file could not be read.
  std::string InstallerMessage() const;
};

// "7 warnings; the installer would read 2 device sections and 0 modem
// sections, write 6 values in 3 keys and show "...""
std::string SummaryText(const FileResult& result);

}  // namespace tarnwell::check
