// Checks of the file as a whole and of single lines: its encoding, its
// line ends, lines the installer ignores, and a file it reads as nothing.
#pragma once

#include "check/CheckState.h"

namespace tarnwell::check {

// On line 1: a UTF-16 file. Once said, nothing else is said of the file,
// since every other finding would follow from it.
void CheckEncoding(CheckState& s);

// Carriage returns that do not end the line; said once per file.
void CheckLineEnds(CheckState& s);

// A line before the first header, or one that is no comment, header or
// key line: unclosed headers, keys without "=", stray text.
void CheckIgnoredLine(CheckState& s);

// A comment "; tarnwell-check: disable=NAME[,NAME...]": those checks are
// off for the line after it. Unknown names are left for the line to show.
void ReadDirective(CheckState& s);

// After the last line: an empty file, or one without a section.
void CheckWholeFile(CheckState& s);

}  // namespace tarnwell::check
