// The checks of tarnwell-check, one row each in CheckTable.h, read by the
// options, --list-checks, --explain and every output format.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarnwell::check {

enum class Severity { kNote, kWarning, kError };

enum class Check {
#define CHECK(Id, ...) k##Id,
#include "check/CheckTable.h"
};

struct CheckInfo {
  Check Id;
  const char* Name;     // "quoted-value"
  Severity Level;       // as reported unless an option changes it
  bool Fatal;           // the installer fails on it: cannot be turned off
  const char* Message;  // of a finding, with %0 and %{a|b}0 as CheckTable.h
  const char* Summary;  // one line
  const char* Does;     // what the installer does
  const char* Wrong;    // lines as a user writes them
  const char* Right;    // the same lines, mended
  const char* Fix;
};

// One per row of the table.
constexpr std::size_t kCheckCount = 0
#define CHECK(...) +1
#include "check/CheckTable.h"
    ;

// Every check, in the order of the enumeration.
const std::array<CheckInfo, kCheckCount>& AllChecks();

const CheckInfo& InfoOf(Check id);

// The check of that name, or null.
const CheckInfo* FindCheck(std::string_view name);

const char* SeverityName(Severity level);  // "note", "warning", "error"

// Every check: its name, level and one line of meaning (--list-checks).
std::string ListChecksText();

// What the installer does, a wrong and a right example, the fix, and the
// directive that accepts one finding (--explain, and the SARIF rules).
std::string ExplainText(const CheckInfo& info);

// The check's message with its arguments in place.
std::string MessageOf(Check id, const std::vector<std::string>& args);

}  // namespace tarnwell::check
