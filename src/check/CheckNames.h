// Every check of tarnwell-check, with its stable name (printed as
// "[-Wname]" and used by -Wno-name, -Werror=name and --explain), its level
// and what it explains. The names are an interface: scripts and SARIF
// consumers keep them, so a name is never reused for something else.
#pragma once

#include <cstddef>
#include <string_view>

namespace tarnwell::check {

enum class Severity { kNote, kWarning, kError };

enum class Check {
  // The file and its lines.
  kUtf16File,
  kEmptyConfig,
  kCrLineEnds,
  kBeforeSection,
  kIgnoredLine,
  kMissingEquals,
  kUnclosedHeader,
  // Sections.
  kMissingDll,
  kModemHeader,
  kHeaderText,
  kHeaderKey,
  kAnyDevice,
  kDefaultLevel,
  kIgnoredId,
  kMissingId,
  kTooManyDisables,
  // Keys.
  kUnknownKey,
  kWrongSectionKey,
  kInitNumber,
  kRepeatedKey,
  kEmptyKey,
  // Numbers.
  kBadNumber,
  kHexCount,
  kDecimalId,
  kTruncatedNumber,
  kNegativeNumber,
  kNumberTrailingText,
  kNumberComment,
  // Texts.
  kEmptyDll,
  kInlineComment,
  kHighByte,
  kQuotedValue,
  kTextCut,
  // GUIDs.
  kMalformedGuid,
  kGuidSeparators,
  // Sections that share registry keys.
  kSharedTemplate,
};

struct CheckInfo {
  Check Id;
  const char* Name;     // "quoted-value"
  Severity Level;       // as reported unless an option changes it
  bool Fatal;           // the installer fails on it: cannot be turned off
  const char* Summary;  // one line
  const char* Does;     // what the installer does
  const char* Wrong;    // lines as a user writes them
  const char* Right;    // the same lines, mended
  const char* Fix;
};

// Every check, in the order of the enumeration.
const CheckInfo* AllChecks(std::size_t* count);

const CheckInfo& InfoOf(Check id);

// The check of that name, or null.
const CheckInfo* FindCheck(std::string_view name);

const char* SeverityName(Severity level);  // "note", "warning", "error"

}  // namespace tarnwell::check
