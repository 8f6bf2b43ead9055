// The command line of tarnwell-check, parsed by one table of options that
// --help shows too.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "check/Diagnostic.h"
#include "check/Emit.h"

namespace tarnwell::check {

enum class OutputFormat { kText, kJson, kSarif };
enum class ColorMode { kAuto, kAlways, kNever };

// What -W options say of one check.
struct CheckSetting {
  bool Off = false;      // -Wno-NAME
  bool Error = false;    // -Werror=NAME
  bool NoError = false;  // -Wno-error=NAME
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
  std::string EmitName;            // --emit=KIND: what -o FILE gets instead
  EmitKind Emit = EmitKind::kImageReg;
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

}  // namespace tarnwell::check
