// The checks of one file, by family, each family in a source of its own
// (LineChecks.cpp and so on). The reader's listener in FileCheck.cpp calls
// them as the installer's reader goes through the file; they read the
// CheckState and add to it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check/CheckState.h"
#include "check/WriteLog.h"
#include "config/DeviceEntry.h"

namespace tarnwell::check {

// The file and its lines (LineChecks.cpp): its encoding, its line ends,
// lines the installer ignores, and a file it reads as nothing.

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

// Section headers and what a whole section gives (SectionChecks.cpp):
// headers that do not open the section they seem to, sections the
// installer refuses, load-client and interface keys that match more or
// less than a device.

// A name that a user meant as MODEM SETTINGS: its letters, in any case
// and with any blanks or punctuation between them, spell it, its singular
// or a slip of two letters from it.
bool MeansModemSection(std::string_view name);
// The header that just opened s.Section, with the name the reader took.
void CheckHeader(CheckState& s, std::string_view name);
// The open section was refused for want of "DLL".
void CheckRefusedSection(CheckState& s);
// The open section was accepted; its entry is the last of its list in
// s.Config.
void CheckFinishedSection(CheckState& s);

// The key of a key line (KeyChecks.cpp): keys that name nothing, keys of
// the other kind of section, init strings out of range, keys given twice.

// The key matched s.Applied.
void CheckAppliedKey(CheckState& s);
// The key matched no row of the open section's kind.
void CheckUnknownKey(CheckState& s);

// A number as the installer read it (NumberChecks.cpp): numbers it cannot
// read, decimal habits, digits and bits that do not fit, signs and text
// after the digits. Called for a number of s.Applied's value, not a GUID
// group.
void CheckNumber(CheckState& s, const NumberConversion& c);

// A text value (TextChecks.cpp): what the installer writes where the line
// seems to say something else (comments, quotes, bytes above 0x7F, empty
// or cut texts).

// The value of s.Applied, a text key.
void CheckTextValue(CheckState& s);
// The value did not fit its field of `capacity` units.
void CheckTextCut(CheckState& s, std::string_view text, std::size_t capacity);

// A "GUID" value (GuidChecks.cpp) whose groups do not read as written;
// s.GuidGroups holds the readings of its groups.
void CheckGuid(CheckState& s, std::string_view text, const GUID& guid,
               int groups_read);

// Sections that write the same registry values (SharedValues.cpp), once
// the install pass is done. Every device section writes the one driver
// template key, and every modem section the one COM template with its
// Unimodem keys: a later section replaces what an earlier one wrote there,
// and a value that only some sections give stays in the shared key and
// applies to the others too, earlier and later ones alike.

// One warning per pair of sections whose writes meet, and per section that
// meets values of the store it started from (the registry named
// `registry`), at the header of the section it speaks of, each with that
// section's Root. `sections` describes the log's entries, one for one, in
// the order of the install pass. Linear in the number of values written:
// each section looks only at the keys it writes itself.
std::vector<std::pair<std::size_t, Diagnostic>> SharedValueDiagnostics(
    const WriteLog& log, const std::vector<SectionInfo>& sections,
    const std::string& registry);

}  // namespace tarnwell::check
