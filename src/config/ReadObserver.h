// What the configuration reader does with each line, for tools that explain
// a file (tarnwell-check). The installer passes no observer: every call site
// tests the pointer first, so reading without one costs a comparison and
// allocates nothing.
//
// Every text handed to an observer is a view into the line last given to
// Line(), so its column is its distance from the start of that line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/DeviceEntry.h"
#include "config/HexNumber.h"

namespace tarnwell {

// The kind the reader gave a line, after stripping blanks at both ends.
enum class LineKind {
  kEmpty,
  kComment,        // first character "#" or ";"
  kHeader,         // "[" first and a "]" somewhere
  kKey,            // a "=" inside an open section
  kOther,          // inside a section, neither of the above: ignored
  kBeforeSection,  // not empty, comment or header, and no section open yet
};

enum class SectionKind { kDevice, kModem };

// What became of the field after a number was read.
enum class NumberFate {
  kStored,        // the reading, cut to FieldBits, is in the field
  kKeptPrevious,  // the reading failed; the field keeps what it held
  kNotAppended,   // an "IFC_Disable" line listed nothing: the reading
                  // failed, or the list was full (DisableListFull follows)
};

struct NumberConversion {
  std::string_view Text;   // the text read from
  std::size_t Start = 0;   // where the reading began in Text
  unsigned Width = 32;     // bits read: 16, 32 or 64
  HexNumber Reading;       // value, success, where it stopped
  unsigned FieldBits = 32; // bits the field keeps: 8, 16, 32 or 48
  NumberFate Fate = NumberFate::kStored;
  std::uint64_t Stored = 0;  // the field's value afterwards

  // True when the reading had bits that the field cannot hold.
  bool BitsDropped() const {
    return Fate == NumberFate::kStored && FieldBits < 64 &&
           (Reading.Value >> FieldBits) != 0;
  }
};

// Every listener says what it does with each event.
class ReadObserver {
 public:
  virtual ~ReadObserver() = default;

  // Each line once, 1-based, before anything else is said about it. The
  // text is the line as read, without its line feed.
  virtual void Line(std::size_t number, std::string_view text,
                    LineKind kind) = 0;

  // A header opened a section. For a device section `name` is the name the
  // entry keeps; a modem section keeps none.
  virtual void SectionOpened(SectionKind kind, std::string_view name) = 0;

  // The open section ended (at a header or the end of the file) and its
  // entry was offered to the configuration set. A refusal ends the read.
  virtual void SectionClosed(SectionKind kind, bool accepted) = 0;

  // A key line of the open section, before it is applied: key and value as
  // stripped, key in its own case.
  virtual void KeyLine(std::string_view key, std::string_view value) = 0;

  // The key matched the row `name` of the section's key table (spelled as
  // the table spells it); `index` is the init string's number for "Init",
  // otherwise -1. Conversions of the value follow.
  virtual void KeyApplied(const char* name, int index) = 0;

  // The key matched no row: the line changes nothing.
  virtual void KeyUnknown() = 0;

  // A number of the value was read.
  virtual void NumberRead(const NumberConversion& conversion) = 0;

  // A text value longer than its field was cut to capacity - 1 units.
  virtual void TextCut(std::string_view text, std::size_t capacity) = 0;

  // An "IFC_Disable" line found the list full (128 interfaces): it changed
  // nothing.
  virtual void DisableListFull() = 0;

  // A "GUID" value was read. `text` is the value without its wrapping
  // braces and quotes, `groups_read` how many of the five groups were read,
  // and `guid` what the entry now holds.
  virtual void GuidRead(std::string_view text, const GUID& guid,
                        int groups_read) = 0;

  // The source failed before its end; the read fails.
  virtual void ReadFailed() = 0;
};

}  // namespace tarnwell
