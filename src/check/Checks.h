// The checks of one file and what they share: CheckState, the line the
// installer's reader is on, the open section, the key line being applied
// and the findings so far, kept up to date by the listener of the reader's
// trace (FileCheck.cpp). Line checks (LineChecks.cpp) and value checks
// (ValueChecks.cpp) run as the reader goes; shared values
// (SharedValues.cpp) once its registry pass is done.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory_resource>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "check/Diagnostic.h"
#include "check/KeyRows.h"
#include "check/WriteLog.h"
#include "config/InstallConfig.h"

namespace tarnwell::check {

// The lines of a checked file, kept for the echo under each message: one
// buffer for all of them, so that keeping a line costs no allocation of
// its own.
class LineStore {
 public:
  void Add(std::string_view line) {
    text_.append(line);
    ends_.push_back(text_.size());
  }
  std::size_t Count() const { return ends_.size(); }
  // Line `number` (1-based) as read, without its line feed; empty when
  // there is no such line.
  std::string_view Line(std::size_t number) const {
    if (number == 0 || number > ends_.size()) return {};
    const std::size_t begin = Begin(number);
    return std::string_view(text_).substr(begin, ends_[number - 1] - begin);
  }
  // Where line `number` begins in the file, lines ending in line feeds.
  std::size_t Offset(std::size_t number) const {
    return Begin(number) + number - 1;
  }

 private:
  std::size_t Begin(std::size_t number) const {
    return number <= 1 ? 0 : ends_[number - 2];
  }

  std::string text_;
  std::vector<std::size_t> ends_;
};

constexpr std::size_t kNoRoot = static_cast<std::size_t>(-1);

// A section as the file shows it.
struct SectionInfo {
  SectionKind Kind = SectionKind::kDevice;
  Place Header;      // its header line, without blanks at the ends
  std::string Name;  // device sections only
  // The finding that the section is misread (a near miss of [MODEM
  // SETTINGS], a copy of another section), or kNoRoot.
  std::size_t Root = kNoRoot;
  // Its key lines, in order: a run of CheckState::KeyLines.
  std::size_t FirstKey = 0, KeyCount = 0;
};

// A key line that a row took: the row's place in its kind's list.
struct KeyLine {
  std::size_t Row = 0;
  std::size_t Line = 0;
};

// "device section "A" (line 12)" or "[MODEM SETTINGS] section at line 30".
std::string DescribeSection(const SectionInfo& section);

struct OpenSection {
  SectionInfo Info;
  // The first line of each key of its kind's list, by its place in that
  // list; Line 0 while the section has not given the key.
  std::vector<Place> Keys;
  std::size_t Disables = 0;  // interfaces listed
  std::size_t IgnoredDisables = 0;
  Place FirstIgnoredDisable;
  Place ZeroIds[2];  // a "VID", "PID" line that gave 0 last; Line 0: none
  std::string Ids[2];  // the last "VID", "PID" values, as written
  Place IdPlaces[2];
  // A hash of the values it gave, one per row of its kind's list: copies
  // are told apart by them, so that a section costs no more than its lines.
  std::vector<std::uint64_t> Values;

  // The first line of the key of that name, or null when not given.
  const Place* Given(std::string_view key) const;
};

// What the device's readers will have to load from the file
// (DeviceReaders.cpp): the device groups that accepted device sections
// load the driver for, and the modems that need one.
struct ReaderState {
  bool AnyDevice = false;                     // a "Default" device group
  std::unordered_set<std::uint32_t> Vendors;  // "VID" alone
  std::unordered_set<std::uint32_t> Devices;  // VID << 16 | PID
  struct Modem {
    std::uint16_t Vid = 0;
    std::uint16_t Pid = 0;
    Place Header;
    std::size_t Root = 0;  // the section's misread root, or kNoRoot
  };
  std::vector<Modem> Modems;  // accepted, with VID and PID
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

  std::vector<KeyLine> KeyLines;  // of every section
  bool AnySection = false;  // a header was read
  OpenSection Section;
  std::vector<SectionInfo> Devices;  // accepted, in file order
  std::vector<SectionInfo> Modems;
  // The load-client or interface key of each accepted section, with the
  // first section of its kind that wrote it (its index in Devices or
  // Modems) and the hash of that section's values.
  // The writers spell each such path one way: paths are ordered by length,
  // then by their units, which tells the numbers at their ends apart
  // quickly. They live as long as the check, in memory of their own.
  struct ShortLex {
    bool operator()(std::u16string_view a, std::u16string_view b) const {
      if (a.size() != b.size()) return a.size() < b.size();
      return std::memcmp(a.data(), b.data(), a.size() * sizeof(char16_t)) < 0;
    }
  };
  std::pmr::monotonic_buffer_resource NamedPaths;
  std::pmr::map<std::pmr::u16string, std::pair<std::size_t, std::uint64_t>,
                ShortLex>
      NamedBy{&NamedPaths};
  ReaderState Readers;

  // The key line being applied.
  std::string_view Key;
  std::string_view Value;

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
// The key line that the row at `row` of its kind's list took (s.Key,
// s.Value): `name` is the row's, `ignored` a row that changes nothing,
// `list` one that appends.
void CheckAppliedKey(CheckState& s, std::size_t row, const char* name,
                     bool ignored, bool list);
void CheckUnknownKey(CheckState& s);

// A key line and its value as the installer read it by its row into the
// entry (ValueChecks.cpp).
void CheckKeyLine(CheckState& s, std::size_t row, const DeviceEntry& entry);
void CheckKeyLine(CheckState& s, std::size_t row, const ModemEntry& entry);

// What the device's readers do with the keys (DeviceReaders.cpp): the
// USB driver loader with a load-client key, Unimodem with a modem's
// values, LoadLibrary with a driver's name.
// The key line just applied, its value as a number (null: by its text),
// for telling copies apart; `list` a row that appends.
void NoteValue(CheckState& s, const std::uint64_t* number, bool list);
std::uint64_t SectionValues(const CheckState& s);
// A text value as its field keeps it; `key` as the row spells it,
// `command` a modem command.
void CheckReaderText(CheckState& s, std::string_view key,
                     std::string_view kept, bool command);
// An accepted section, its entry the last of its list in s.Config, and the
// key that names its device (`path`).
void CheckReaderSection(CheckState& s, const char16_t* path);
// Once the whole file is read; `start`, the registry the installer starts
// from, or null: a load-client key it holds loads a driver as well.
void CheckReaderFile(CheckState& s, const regstore::RegTree* start);
// "class 0x02, subclass 0x02, protocol 0x01" as far as the key names them.
std::string InterfaceGroup(const DeviceEntry& d);

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
