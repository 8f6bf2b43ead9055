// The command line of tarnwell-check.
#pragma once

#include <string>
#include <vector>

#include "check/CheckNames.h"

namespace tarnwell::check {

enum class OutputFormat { kText, kJson, kSarif };
enum class ColorMode { kAuto, kAlways, kNever };

// What -W options say of one check.
struct CheckSetting {
  bool Off = false;      // -Wno-NAME
  bool Error = false;    // -Werror=NAME
  bool NoError = false;  // -Wno-error=NAME
};

struct CheckOptions {
  std::vector<std::string> Files;  // "-" is standard input; none: usbcdc.cfg
  bool PrintReg = false;           // --reg
  std::string OutputFile;          // -o FILE
  std::string Emit;                // --emit=KIND: what -o FILE gets instead
  bool WarningsAreErrors = false;  // --werror
  bool Quiet = false;
  bool Help = false;
  bool Version = false;
  bool ListChecks = false;
  std::string Explain;  // --explain NAME
  OutputFormat Format = OutputFormat::kText;
  ColorMode Color = ColorMode::kAuto;
  std::vector<CheckSetting> Settings;  // one per check, by Check

  const CheckSetting& SettingOf(Check id) const;
};

// False with *error set when the arguments are not understood.
bool ParseCheckOptions(const std::vector<std::string>& args,
                       CheckOptions* options, std::string* error);

// Whether diagnostics are coloured, as GCC decides: never, always, or on a
// terminal unless NO_COLOR is set to something or TERM is "dumb". The
// environment values are null when unset.
bool ChooseColor(ColorMode mode, bool terminal, const char* no_color,
                 const char* term);

// The text of --help.
const char* CheckUsage();

}  // namespace tarnwell::check
