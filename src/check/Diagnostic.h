// The checks of tarnwell-check, one row each in CheckTable.h, read by the
// options, --list-checks, --explain and every output format; the texts of
// notes, rows too; and one finding of a check: where, and what the
// installer will do there.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tarnwell::check {

enum class Severity { kNote, kWarning, kError };

// Whether a check can be turned off, and if not, why.
enum class Fixed { kOptional, kInstallerFails, kNoFile };

// What a finding follows from, and is then a note of: nothing, the finding
// that the lines from here on are misread, or that the section is.
enum class Follows { kNothing, kLines, kSection };

enum class Check {
#define CHECK(Id, ...) k##Id,
#define TEXT(...)
#include "check/CheckTable.h"
};

enum class Text {
#define CHECK(...)
#define TEXT(Id, ...) k##Id,
#include "check/CheckTable.h"
};

struct CheckInfo {
  Check Id;
  const char* Name;     // "quoted-value"
  Severity Level;       // as reported unless an option changes it
  Fixed Stays;          // kOptional: an option or directive turns it off
  Follows From;         // what its findings are notes of
  const char* Message;  // of a finding, with %0 and %{a|b}0 as CheckTable.h
};

// A check's explanation, from its document (explain/NAME.txt).
struct Explanation {
  std::string Summary;  // one line
  std::string Does;     // what the installer does
  std::string Wrong;    // lines as a user writes them
  std::string Right;    // the same lines, mended
  std::string Fix;
};
Explanation ExplanationOf(const CheckInfo& info);

// Every check, in the order of the enumeration: both come from the table.
inline constexpr CheckInfo kChecks[] = {
#define CHECK(Id, Name, Level, Stays, From, Message)                    \
  {Check::k##Id, Name, Severity::k##Level, Fixed::k##Stays, Follows::k##From, \
   Message},
#define TEXT(...)
#include "check/CheckTable.h"
};
constexpr std::size_t kCheckCount = std::size(kChecks);

inline const CheckInfo& InfoOf(Check id) {
  return kChecks[static_cast<std::size_t>(id)];
}

// The check of that name, or null.
const CheckInfo* FindCheck(std::string_view name);

const char* SeverityName(Severity level);  // "note", "warning", "error"

// Every check: its name, level and one line of meaning (--list-checks).
std::string ListChecksText();

// What the installer does, a wrong and a right example, the fix, and the
// directive that accepts one finding (--explain, and the SARIF rules).
std::string ExplainText(const CheckInfo& info);

// An argument of a message: a text where the message says %N, or, where
// it says %{a|b|c}N, an enumerator that chooses the alternative of its
// value.
struct Arg {
  std::string Text;
  int Form = 0;
  Arg(std::string text) : Text(std::move(text)) {}  // NOLINT: implicit
  Arg(const char* text) : Text(text) {}             // NOLINT: implicit
  template <typename E, typename = std::enable_if_t<std::is_enum_v<E>>>
  Arg(E form) : Form(static_cast<int>(form)) {}  // NOLINT: implicit
};
using Args = std::vector<Arg>;

// A check's message, or a text, with its arguments in place.
std::string MessageOf(Check id, const Args& args);
std::string TextOf(Text id, const Args& args = {});

// Where a diagnostic points: 1-based line and byte column, and how many
// bytes it underlines. Line 0 is the file as a whole; column 0 the whole
// line.
struct Place {
  std::size_t Line = 0;
  std::size_t Column = 0;
  std::size_t Length = 1;
};

struct Diagnostic {
  Check Id = Check::kUnknownKey;
  Severity Level = Severity::kWarning;
  Place At;
  std::string Message;
  // Places the message refers to, printed right after it as notes, and
  // the findings that follow from this one (FollowOn): shown as its notes,
  // and on their own when an option or a directive turns this one off.
  std::vector<Diagnostic> Notes;
  bool FollowOn = false;
  // Set when an option made a warning or note an error (-Werror=NAME or
  // --werror), or an error a warning (-Wno-error=NAME).
  bool Promoted = false;
};

// A finding of the check, and a note that points at another place.
Diagnostic MakeDiagnostic(Check check, const Place& place, const Args& args);
Diagnostic NoteAt(const Place& place, Text text, const Args& args = {});

}  // namespace tarnwell::check
