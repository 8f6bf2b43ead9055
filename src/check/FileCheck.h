// Checks one configuration: reads it with the installer's reader, runs the
// installer's registry pass over it into an in-memory store, and gathers
// what the checks found, in order of position.
#pragma once

#include <cstddef>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check/Checks.h"
#include "check/Diagnostic.h"
#include "check/WriteLog.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {

struct FileReport {
  bool Read = false;     // the installer would read the file
  bool Written = false;  // and its registry pass would succeed
  // The line where a refused section stops the installer's reader; past
  // the last line when the file's end does. 0 when it reads the file.
  std::size_t StopLine = 0;
  std::size_t DeviceSections = 0;
  std::size_t ModemSections = 0;
  std::vector<Diagnostic> Diagnostics;               // as found
  std::set<std::pair<std::size_t, Check>> Disabled;  // by directives
  LineStore Lines;
  // The installer's registry pass over the store it started from: empty
  // when it does not read the file.
  std::unique_ptr<WriteLog> Log;
  std::vector<SectionInfo> Sections;  // the log's entries, one for one
  std::vector<KeyLine> KeyLines;      // the sections' runs
};

// The registry the installer starts from, read once: its bytes as they
// are, the tree the store's parser made of them, and its name for
// messages.
struct StartRegistry {
  std::string Bytes;
  regstore::RegTree Tree;
  std::string Name;
};

// Checks the file's bytes. With `start`, the store starts from that
// registry, which must outlive the report.
void CheckBytes(std::string_view bytes, FileReport* report,
                const StartRegistry* start = nullptr);

}  // namespace tarnwell::check
