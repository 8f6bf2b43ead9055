// The checks of one file, by family, each family in a source of its own,
// and what they share: CheckState, the line the installer's reader is on,
// the open section, the key line being applied and the findings so far,
// kept up to date by the reader's listener in FileCheck.cpp.
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
  bool Utf16 = false;  // said once; nothing else is said then
  std::size_t CrRoot = SectionInfo::kNoRoot;  // the cr-line-ends finding
  // The finding that the lines from here on are misread (a near-miss
  // modem header, opened or unclosed): what follows from it becomes its
  // notes until the next header.
  std::size_t Root = SectionInfo::kNoRoot;
  std::set<std::pair<std::size_t, Check>> Disabled;  // (line, check)
  // Where a refused section stopped the reader (past the last line at the
  // file's end; 0 while none did), and the header to read on from.
  std::size_t StopLine = 0;
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

  // Adds a finding at the check's own level; what follows from one already
  // made (see Follows, and the rest of a line that runs on over carriage
  // returns) becomes its follow-on note instead.
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

// The file and its lines (LineChecks.cpp). A UTF-16 file is said once, on
// line 1, and then nothing else: every other finding would follow from it.
void CheckEncoding(CheckState& s);
void CheckLineEnds(CheckState& s);  // carriage returns that end no line
// A line the installer ignores: before the first header, an unclosed
// header, a key without "=", stray text.
void CheckIgnoredLine(CheckState& s);
// "; tarnwell-check: disable=NAME[,NAME...]" turns those checks off for
// the next line. Unknown names are left for the line to show.
void ReadDirective(CheckState& s);
void CheckWholeFile(CheckState& s);  // an empty file, or one without section

// Headers and whole sections (SectionChecks.cpp).
// A name that a user meant as MODEM SETTINGS: its letters, in any case
// and with anything between them, spell it, its singular or a slip of two
// letters from it.
bool MeansModemSection(std::string_view name);
void CheckHeader(CheckState& s, std::string_view name);
void CheckRefusedSection(CheckState& s);  // for want of "DLL"
// Accepted: its entry is the last of its list in s.Config.
void CheckFinishedSection(CheckState& s);

// The key of a key line (KeyChecks.cpp): s.Applied, or no key of the
// section's kind.
void CheckAppliedKey(CheckState& s);
void CheckUnknownKey(CheckState& s);

// A number of s.Applied's value as the installer read it, not a GUID
// group (NumberChecks.cpp).
void CheckNumber(CheckState& s, const NumberConversion& c);

// The value of s.Applied, a text key, and a text cut to fit `capacity`
// units (TextChecks.cpp).
void CheckTextValue(CheckState& s);
void CheckTextCut(CheckState& s, std::string_view text, std::size_t capacity);

// A "GUID" value whose groups, read into s.GuidGroups, do not read as
// written (GuidChecks.cpp).
void CheckGuid(CheckState& s, std::string_view text, const GUID& guid,
               int groups_read);

// Sections that write the same registry values, once the install pass is
// done (SharedValues.cpp): one warning per pair of sections whose writes
// meet, and per section that meets values of the store it started from
// (named `registry`), at the header of the section it speaks of, as a
// follow-on of that section's Root. `sections` describes the log's entries
// one for one. Each section looks only at the keys it writes itself, so
// this is linear in the values written.
void CheckSharedValues(CheckState& s, const WriteLog& log,
                       const std::vector<SectionInfo>& sections,
                       const std::string& registry);

}  // namespace tarnwell::check
