// The checks of one file and what they share. CheckState holds the line
// the installer's reader is on, the open section, the key line being
// applied, and the diagnostics found so far; the reader's listener in
// FileCheck.cpp keeps it up to date. The checks, by family, each family in
// a source of its own (LineChecks.cpp and so on), are called as the reader
// goes through the file; they read the CheckState and add to it.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check/Diagnostic.h"
#include "check/KeyCatalog.h"
#include "check/LineStore.h"
#include "check/WriteLog.h"
#include "config/DeviceEntry.h"
#include "config/InstallConfig.h"
#include "config/ReadObserver.h"

namespace tarnwell::check {

// A section as the file shows it.
struct SectionInfo {
  SectionKind Kind = SectionKind::kDevice;
  Place Header;      // its header line, without blanks at the ends
  std::string Name;  // device sections only
  // The finding that the header misread the section (a near miss of
  // [MODEM SETTINGS]), or kNoRoot.
  std::size_t Root = kNoRoot;
  static constexpr std::size_t kNoRoot = static_cast<std::size_t>(-1);
};

// "device section "A" (line 12)" or "[MODEM SETTINGS] section at line 30".
std::string DescribeSection(const SectionInfo& section);

struct OpenSection {
  SectionInfo Info;
  // The first line of each key of KeysOf(Info.Kind), by its place in that
  // list; Line 0 while the section has not given the key.
  std::vector<Place> Keys;
  std::size_t IgnoredDisables = 0;
  Place FirstIgnoredDisable;

  // The first line of the key of that name, or null when not given.
  const Place* Given(std::string_view key) const;
};

struct CheckState {
  // The configuration set the reader fills: a section's entry is its last
  // element once the section has been accepted.
  const InstallConfig* Config = nullptr;

  std::vector<Diagnostic> Diagnostics;
  LineStore Lines;

  // The line the reader is on; Text is valid only while it is.
  std::size_t LineNumber = 0;
  std::string_view Text;
  LineKind Kind = LineKind::kEmpty;
  bool CarriageReturns = false;  // the line runs on over carriage returns
  bool CarriageReturnsReported = false;
  bool Utf16 = false;  // said once; nothing else is said then
  std::size_t CrRoot = SectionInfo::kNoRoot;  // the cr-line-ends finding
  // The finding that the lines from here on are misread (a near-miss
  // modem header, opened or unclosed): what follows from it becomes its
  // notes until the next header.
  std::size_t Root = SectionInfo::kNoRoot;
  // (line, check) pairs that a disable directive turns off.
  std::set<std::pair<std::size_t, Check>> Disabled;
  // Where a refused section stopped the reader, past the last line at
  // the file's end; 0 while none did.
  std::size_t StopLine = 0;
  // The header where the last refused section ended, to read on from.
  std::size_t ResumeLine = 0;

  bool AnySection = false;  // a header was read
  OpenSection Section;
  std::vector<SectionInfo> Devices;  // accepted, in file order
  std::vector<SectionInfo> Modems;

  // The key line being applied; Applied is null while no key matched.
  std::string_view Key;
  std::string_view Value;
  const KeyFacts* Applied = nullptr;
  std::vector<NumberConversion> GuidGroups;

  // 1-based column of a view into the current line.
  std::size_t Column(std::string_view view) const;
  Place At(std::string_view view) const;

  // Adds a diagnostic at the check's own level. What follows from a
  // finding already made (the rest of a line that runs on over carriage
  // returns; keys and levels of a misread section) becomes its follow-on
  // note instead.
  Diagnostic& Add(Check check, const Place& place,
                  const std::vector<std::string>& args = {});
  // The same, as a follow-on of Diagnostics[root] (kNoRoot: on its own).
  Diagnostic& Attach(std::size_t root, Diagnostic d);
  // The index of d, just added, when it stands on its own; else kNoRoot.
  std::size_t IndexOf(const Diagnostic& d) const;
};

// A finding of the check, with its message.
Diagnostic MakeDiagnostic(Check check, const Place& place,
                          const std::vector<std::string>& args);

// A note that points at another place, for Diagnostic::Notes.
Diagnostic NoteAt(const Place& place, std::string message);

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
