// Checks one configuration: reads it with the installer's reader, runs the
// installer's registry pass over it into an in-memory store, and gathers
// what the checks found, in order of position.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "check/CheckState.h"
#include "check/Diagnostic.h"
#include "check/LineStore.h"
#include "check/RegPreview.h"
#include "check/WriteLog.h"
#include "platform/ByteSource.h"
#include "regstore/TreeRegistry.h"

namespace tarnwell::check {

struct FileReport {
  bool Read = false;     // the installer would read the file
  bool Written = false;  // and its registry pass would succeed
  std::size_t DeviceSections = 0;
  std::size_t ModemSections = 0;
  std::vector<Diagnostic> Diagnostics;  // by line, then column
  LineStore Lines;
  regstore::TreeRegistry Registry;  // what the installer would write
  std::unique_ptr<WriteLog> Log;     // how it would, when Read
  std::vector<SectionInfo> Sections;  // the log's entries, one for one
};

// False when the source fails before its end: then nothing of the file can
// be told.
bool CheckSource(ByteSource& source, FileReport* report);

}  // namespace tarnwell::check
