// --format=json: one object per file, holding one object per diagnostic
// (file, line, column, end column, severity, name, message, notes) and a
// summary. Lines and columns count from 1, columns in bytes; the end column
// is the first one after the underlined text; null where a diagnostic
// speaks of a whole line or the whole file.
#pragma once

#include <string>
#include <vector>

#include "check/FileResult.h"

namespace tarnwell::check {

std::string JsonReport(const std::vector<FileResult>& results,
                       const char* version);

}  // namespace tarnwell::check
