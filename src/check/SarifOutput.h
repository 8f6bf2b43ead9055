// --format=sarif: SARIF 2.1.0 as code-scanning services take it. One run
// whose tool driver declares every check as a rule (with its explanation),
// the checked files as artifacts, one result per diagnostic with its rule,
// level, message and region, and the notes as related locations.
#pragma once

#include <string>
#include <vector>

#include "check/FileResult.h"

namespace tarnwell::check {

std::string SarifReport(const std::vector<FileResult>& results,
                        const char* version, int exit_status);

// A file name as a URI reference: "/" separators, percent-escapes for
// bytes that a URI cannot hold; "file://" before an absolute path.
std::string FileUri(const std::string& name);

// The 1-based column in UTF-16 units (SARIF's default column kind) of the
// 1-based byte column of a line, reading the line as UTF-8 where it is.
std::size_t Utf16Column(std::string_view line, std::size_t byte_column);

}  // namespace tarnwell::check
