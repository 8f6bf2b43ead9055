// One finding of tarnwell-check: which check found it, where, and what the
// installer will do there.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "check/CheckNames.h"

namespace tarnwell::check {

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

}  // namespace tarnwell::check
