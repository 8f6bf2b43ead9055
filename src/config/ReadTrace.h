// What the configuration reader does, told as it happens to a tool that
// explains a file (tarnwell-check): the structure of the reading and
// nothing more. A listener derives every other fact itself, from the line
// and the key's row, with the entry operations' own pure functions. The
// installer passes no trace: reading without one costs a comparison.
//
// Every text handed over is a view into the line last given to Line(), so
// its column is its distance from the start of that line.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarnwell {

struct DeviceEntry;
struct ModemEntry;

enum class SectionKind { kDevice, kModem };

// What a line is to the reader, stripped of blanks at its ends.
enum class LineKind {
  kEmpty,
  kComment,        // first character "#" or ";"
  kHeader,         // "[" first and a "]" somewhere
  kKey,            // a "=" inside an open section
  kOther,          // inside a section, neither of the above: ignored
  kBeforeSection,  // not empty, comment or header, and no section open yet
};

class ReadTrace {
 public:
  virtual ~ReadTrace() = default;

  // Each line once, 1-based, before anything else is said about it, as
  // read, without its line feed, and what it is to the reader.
  virtual void Line(std::size_t number, std::string_view text,
                    LineKind kind) = 0;

  // A header opened a section. For a device section `name` is the name the
  // entry keeps; a modem section keeps none.
  virtual void SectionOpened(SectionKind kind, std::string_view name) = 0;

  // The open section ended (at a header or the end of the file) and its
  // entry was offered to the configuration set. A refusal ends the read.
  virtual void SectionClosed(bool accepted) = 0;

  // The key line `line` of the open section (key and value as stripped,
  // the key in its own case) was applied by the row `row` of its kind's key
  // list (VisitDeviceKeys, VisitModemKeys); `entry` is the section's
  // working DeviceEntry or ModemEntry after it.
  virtual void KeyApplied(std::size_t line, std::string_view key,
                          std::string_view value, std::size_t row,
                          const DeviceEntry& entry) = 0;
  virtual void KeyApplied(std::size_t line, std::string_view key,
                          std::string_view value, std::size_t row,
                          const ModemEntry& entry) = 0;

  // A key line whose key no row takes: it changes nothing.
  virtual void KeyUnknown(std::string_view key, std::string_view value) = 0;

  // The source failed before its end: the read stops and fails.
  virtual void Stopped() = 0;
};

}  // namespace tarnwell
