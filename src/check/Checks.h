// The checks of one file and what they share: CheckState, the line the
// installer's reader is on, the open section, the key line being applied
// and the findings so far, kept up to date by the listener of the reader's
// trace (FileCheck.cpp). Line checks (LineChecks.cpp) and value checks
// (ValueChecks.cpp) run as the reader goes; shared values
// (SharedValues.cpp) once its registry pass is done.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check/DeviceReaders.h"
#include "check/Diagnostic.h"
#include "check/KeyCatalog.h"
#include "check/KeyIndex.h"
#include "check/LineStore.h"
#include "check/SharedValues.h"
#include "config/InstallConfig.h"

namespace tarnwell::check {

constexpr std::size_t kNoRoot = static_cast<std::size_t>(-1);

// What a line is to the installer's reader, stripped of blanks at its ends.
enum class LineKind {
  kEmpty,
  kComment,        // first character "#" or ";"
  kHeader,         // "[" first and a "]" somewhere
  kKey,            // a "=" inside an open section
  kOther,          // inside a section, neither of the above: ignored
  kBeforeSection,  // not empty, comment or header, and no section open yet
};

// A section as the file shows it.
struct SectionInfo {
  SectionKind Kind = SectionKind::kDevice;
  Place Header;      // its header line, without blanks at the ends
  std::string Name;  // device sections only
  // The finding that the section is misread (a near miss of [MODEM
  // SETTINGS], a copy of another section), or kNoRoot.
  std::size_t Root = kNoRoot;
};

// "device section "A" (line 12)" or "[MODEM SETTINGS] section at line 30".
std::string DescribeSection(const SectionInfo& section);

struct OpenSection {
  SectionInfo Info;
  // The first line of each key of KeysOf(Info.Kind), by its place in that
  // list; Line 0 while the section has not given the key.
  std::vector<Place> Keys;
  std::size_t Disables = 0;  // interfaces listed
  std::size_t IgnoredDisables = 0;
  Place FirstIgnoredDisable;
  Place ZeroIds[2];  // a "VID", "PID" line that gave 0 last; Line 0: none

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
  bool Open = false;   // a section is open
  bool Utf16 = false;  // said once; nothing else is said then
  std::size_t CrRoot = kNoRoot;  // the cr-line-ends finding
  // The finding that this line is misread: an invisible character, a line
  // that runs on over carriage returns, a value written with its comment
  // or punctuation. What else is found on the line becomes its notes.
  std::size_t LineRoot = kNoRoot;
  // The finding that the lines from here on are misread (a near-miss
  // modem header, opened or unclosed, or a commented-out one): what follows
  // from it becomes its notes until the next header.
  std::size_t Root = kNoRoot;
  // A header in a comment, said once a key line follows it; Line 0: none.
  Place CommentedHeader;
  // The last line when it holds nothing but Ctrl-Z, an old editor's end of
  // the file; 0 otherwise.
  std::size_t EndOfFileMark = 0;
  std::set<std::pair<std::size_t, Check>> Disabled;  // (line, check)
  // Where a refused section stopped the reader (past the last line at the
  // file's end; 0 while none did), and the header to read on from.
  std::size_t StopLine = 0;
  std::size_t ResumeLine = 0;

  bool AnySection = false;  // a header was read
  OpenSection Section;
  std::vector<SectionInfo> Devices;  // accepted, in file order
  std::vector<SectionInfo> Modems;
  // The load-client or interface key of each accepted section, with the
  // first section of its kind that wrote it (its index in Devices or
  // Modems).
  KeyIndex NamedKeys;
  std::vector<std::size_t> NamedBy;  // by the key's number in NamedKeys
  ReaderState Readers;  // what the device's readers make of the file

  // The key line being applied; Applied is null while no key matched, and
  // Entry is the section's entry after it.
  std::string_view Key;
  std::string_view Value;
  const KeyFacts* Applied = nullptr;
  const void* Entry = nullptr;

  // 1-based column of a view into the current line.
  std::size_t Column(std::string_view view) const;
  Place At(std::string_view view) const;

  // Adds a finding at the check's own level; what follows from one already
  // made (see Follows, and LineRoot) becomes its follow-on note instead.
  Diagnostic& Add(Check check, const Place& place, const Args& args = {});
  // The same, and the finding becomes the root of the line.
  Diagnostic& AddRoot(Check check, const Place& place, const Args& args = {});
  // The same, as a follow-on of Diagnostics[root] (kNoRoot: on its own).
  Diagnostic& Attach(std::size_t root, Diagnostic d);
  // The index of d, just added, when it stands on its own; else kNoRoot.
  std::size_t IndexOf(const Diagnostic& d) const;
};

// The file and its lines (LineChecks.cpp). A UTF-16 file is said once, on
// line 1, and then nothing else: every other finding would follow from it.
// head: the file's first bytes.
void CheckEncoding(CheckState& s, std::string_view head);
void CheckLineStart(CheckState& s);  // carriage returns, invisible bytes
// A comment: "; tarnwell-check: disable=NAME[,NAME...]" turns those checks
// off for the next line, and a header in it is said when a key follows.
void CheckComment(CheckState& s);
// A line the installer ignores: before the first header, an unclosed
// header, a key without "=", stray text.
void CheckIgnoredLine(CheckState& s);
// A key line after a header in a comment: the comment is said.
void CheckOrphanedKeys(CheckState& s);
void CheckWholeFile(CheckState& s);  // an empty file, or one without section

// Headers, keys and whole sections (LineChecks.cpp).
void CheckHeader(CheckState& s, std::string_view name);
void CheckRefusedSection(CheckState& s);  // for want of "DLL"
// Accepted: its entry is the last of its list in s.Config.
void CheckFinishedSection(CheckState& s);
void CheckAppliedKey(CheckState& s);  // s.Applied
void CheckUnknownKey(CheckState& s);

// The value of s.Applied as the installer read it into s.Entry
// (ValueChecks.cpp).
void CheckValue(CheckState& s);

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
