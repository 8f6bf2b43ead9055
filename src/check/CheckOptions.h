// The command line of tarnwell-check, parsed by one table of options that
// --help shows too; and what the options and the disable directives
// make of a file's diagnostics (DiagnosticFilter.cpp).
#pragma once

#include <array>
#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "check/Diagnostic.h"

namespace tarnwell::check {

enum class OutputFormat { kText, kJson, kSarif };
enum class ColorMode { kAuto, kAlways, kNever };

// What -W options say of one check.
struct CheckSetting {
  bool Off = false;      // -Wno-NAME
  bool Error = false;    // -Werror=NAME
  bool NoError = false;  // -Wno-error=NAME
};

// What the device shows of a cabinet under its installed programs, and
// what a later cabinet of the same names replaces (--cab-name,
// --cab-provider); the .inf of cab-inf names the same.
struct CabNames {
  std::string App = "USB CDC settings";
  std::string Provider = "tarnwell";
};

// The findings shown when --max-findings is not given: GitHub takes at
// most 25,000 results of a SARIF run.
constexpr std::size_t kTextMaxFindings = 1000;
constexpr std::size_t kSarifMaxFindings = 25000;

struct CheckOptions {
  std::vector<std::string> Files;  // "-" is standard input; usbcdc.cfg
                                   // when none is given
  bool PrintReg = false;           // --reg
  std::string OutputFile;          // -o FILE
  std::string Emit;                // --emit=KIND: what -o FILE gets instead
  std::string RegistryFile;        // --registry FILE
  CabNames Cab;
  bool WarningsAreErrors = false;  // -Werror, --werror
  bool NoWarnings = false;         // -w
  bool Quiet = false;
  bool Help = false;
  bool Version = false;
  bool ListChecks = false;
  std::string Explain;  // --explain NAME, a known check
  OutputFormat Format = OutputFormat::kText;
  ColorMode Color = ColorMode::kAuto;
  std::size_t MaxFindings = 0;  // 0: no limit; set after the format
  std::array<CheckSetting, kCheckCount> Settings{};  // by Check

  const CheckSetting& SettingOf(Check id) const {
    return Settings[static_cast<std::size_t>(id)];
  }
};

// False with *error set when the arguments are not understood.
bool ParseCheckOptions(const std::vector<std::string>& args,
                       CheckOptions* options, std::string* error);

// Whether diagnostics are coloured, as GCC decides: never, always, or on a
// terminal unless NO_COLOR is set to something or TERM is "dumb" (null:
// unset).
bool ChooseColor(ColorMode mode, bool terminal, const char* no_color,
                 const char* term);

// The text of --help.
std::string CheckUsage();

struct Counts {
  std::size_t Errors = 0;
  std::size_t Warnings = 0;
  std::size_t Notes = 0;
};

// The diagnostics as the options have them, in order of position: checks
// turned off (by an option, or by a directive for its line) dropped, their
// follow-ons shown on their own; levels changed (and marked Promoted); -w
// drops warnings and notes, and --quiet all but errors. *counts counts
// what is left before --quiet.
// Keeps at most `budget` of the findings, errors first, and a file's
// errors up to `most` whatever the budget: a limit never hides what makes
// the exit status 1. What is kept stays in order of position. Returns how
// many were left out.
std::size_t KeepWithin(std::vector<Diagnostic>* shown, std::size_t budget,
                       std::size_t most);

std::vector<Diagnostic> ApplyOptions(
    const std::vector<Diagnostic>& found, const CheckOptions& options,
    Counts* counts,
    const std::set<std::pair<std::size_t, Check>>& disabled = {});

}  // namespace tarnwell::check
