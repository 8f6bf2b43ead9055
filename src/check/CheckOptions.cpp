#include "check/CheckOptions.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>


namespace tarnwell::check {
namespace {

constexpr std::size_t kHelpColumn = 22;

// One option, in one or two spellings. A long option takes its argument as
// "--name=VALUE" or "--name VALUE", a short one as "-oVALUE" or "-o VALUE",
// a -W spelling only attached; one in brackets is optional.
struct OptionRow {
  const char* Spellings[2];  // the second null when there is one
  const char* Argument;  // "" for none
  const char* Help;      // "\n" starts a continuation line
  bool (*Apply)(CheckOptions& options, std::string_view value,
                std::string* error);
};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// What a -W option sets on the check NAME: whether it is off, and whether
// its findings are errors (1) or its errors warnings (0); -1 keeps either.
// A check that the installer fails on stays on and an error.
bool SetCheck(CheckOptions& options, std::string_view name, int off, int error,
              std::string* message) {
  const CheckInfo* info = FindCheck(name);
  if (info == nullptr) {
    *message =
        "unknown check '" + std::string(name) + "' (--list-checks lists them)";
    return false;
  }
  if (info->Stays != Fixed::kOptional && (off == 1 || error == 0)) {
    *message = "'" + std::string(name) + "' cannot be turned off: " +
               (info->Stays == Fixed::kInstallerFails
                    ? "the installer fails on it"
                    : "--emit writes no file then");
    return false;
  }
  CheckSetting& s = options.Settings[static_cast<std::size_t>(info->Id)];
  if (off >= 0) s.Off = off == 1;
  if (error >= 0) s = {s.Off, error == 1, error == 0};
  return true;
}

// A name of the cabinet, as the emitters take it.
bool CabName(std::string* text, const char* option, std::size_t most,
             std::string_view value, std::string* error) {
  *text = value;
  *error = CabNameFault(option, most, value);
  return error->empty();
}

// The file name an option takes; refused when empty.
bool FileName(std::string* file, const char* option, std::string_view value,
              std::string* error) {
  *file = value;
  if (value.empty()) {
    *error = "option " + std::string(option) + " needs a file name";
  }
  return !value.empty();
}

// The place of value among the words, or -1.
int IndexOf(std::string_view value,
            std::initializer_list<std::string_view> words) {
  int n = 0;
  for (std::string_view word : words) {
    if (word == value) return n;
    ++n;
  }
  return -1;
}

using Options = CheckOptions;
using Value = std::string_view;
using Error = std::string*;

const std::vector<OptionRow> kOptions = {
    {{"--reg"}, "",
     "print the registry the installer would write, as\n"
     ".reg text in UTF-8",
     [](Options& o, Value, Error) { return o.PrintReg = true; }},
    {{"-o"}, "FILE",
     "write that registry to FILE as regedit writes it\n"
     "(UTF-16LE with a byte-order mark); one FILE only,\nnever an input",
     [](Options& o, Value v, Error e) {
       return FileName(&o.OutputFile, "-o", v, e);
     }},
    {{"--emit"}, "KIND",
     "with -o FILE: write an OS image's registry\n"
     "fragment (image-reg), a CAB Wizard .inf\n(cab-inf) or a cabinet the "
     "device installs\n(cab) instead",
     [](Options& o, Value v, Error e) {
       const int n = IndexOf(v, {"image-reg", "cab-inf", "cab"});
       if (n < 0) *e = "option --emit takes image-reg, cab-inf or cab";
       o.Emit = static_cast<EmitKind>(std::max(n, 0));
       o.EmitName = v;
       return n >= 0;
     }},
    {{"--cab-name"}, "TEXT",
     "the name the device shows for the cabinet\n"
     "(default \"USB CDC settings\")",
     [](Options& o, Value v, Error e) {
       return CabName(&o.Cab.App, "--cab-name", 40, v, e);
     }},
    {{"--cab-provider"}, "TEXT",
     "its provider (default \"tarnwell\"); a cabinet\n"
     "of the same names replaces it on the device",
     [](Options& o, Value v, Error e) {
       return CabName(&o.Cab.Provider, "--cab-provider", 30, v, e);
     }},
    {{"--registry"}, "FILE",
     "start from this registry (a regedit 5.00 export\n"
     "or a registry.reg), as the installer does on a device",
     [](Options& o, Value v, Error e) {
       return FileName(&o.RegistryFile, "--registry", v, e);
     }},
    {{"-Werror", "--werror"}, "", "treat every warning as an error",
     [](Options& o, Value, Error) { return o.WarningsAreErrors = true; }},
    {{"-Wno-error"}, "", "undo -Werror",
     [](Options& o, Value, Error) { return !(o.WarningsAreErrors = false); }},
    {{"-Wall", "-Wextra"}, "",
     "accepted as GCC takes them: every check is on\n"
     "unless -Wno-NAME turns it off",
     [](Options&, Value, Error) { return true; }},
    {{"-w"}, "", "show no warnings or notes, only errors",
     [](Options& o, Value, Error) { return o.NoWarnings = true; }},
    {{"-Wno-error="}, "NAME", "make the errors of NAME warnings",
     [](Options& o, Value v, Error e) { return SetCheck(o, v, -1, 0, e); }},
    {{"-Werror="}, "NAME", "make the findings of NAME errors",
     [](Options& o, Value v, Error e) { return SetCheck(o, v, -1, 1, e); }},
    {{"-Wno-"}, "NAME", "turn the check NAME off",
     [](Options& o, Value v, Error e) { return SetCheck(o, v, 1, -1, e); }},
    {{"-W"}, "NAME", "turn the check NAME back on",
     [](Options& o, Value v, Error e) { return SetCheck(o, v, 0, -1, e); }},
    {{"--max-findings"}, "N",
     "show at most N findings (0: all; default 1000,\n"
     "25000 for SARIF), then how many were left out",
     [](Options& o, Value v, Error e) {
       char* end = nullptr;
       const std::string text(v);
       // Past what a size holds (strtoull's ULLONG_MAX too) is no limit.
       const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
       const bool ok = !text.empty() && text.front() != '-' && *end == '\0';
       if (!ok) *e = "option --max-findings takes a number";
       o.MaxFindings = n == 0 || n > SIZE_MAX ? SIZE_MAX : n;
       return ok;
     }},
    {{"-q", "--quiet"}, "", "print errors only, and no summary",
     [](Options& o, Value, Error) { return o.Quiet = true; }},
    {{"--format"}, "FORMAT",
     "text (default), json or sarif (SARIF 2.1.0),\n"
     "the last two on standard output",
     [](Options& o, Value v, Error e) {
       const int n = IndexOf(v, {"text", "json", "sarif"});
       if (n < 0) *e = "option --format takes text, json or sarif";
       o.Format = static_cast<OutputFormat>(std::max(n, 0));
       return n >= 0;
     }},
    {{"--color", "--colour"}, "[WHEN]",
     "auto (default: on a terminal, unless\n"
     "NO_COLOR is set), always (also without WHEN)\nor never",
     [](Options& o, Value v, Error e) {
       // A bare --color is "always", as GCC takes -fdiagnostics-color.
       const int n =
           IndexOf(v.empty() ? "always" : v, {"auto", "always", "never"});
       if (n < 0) *e = "option --color takes auto, always or never";
       o.Color = static_cast<ColorMode>(std::max(n, 0));
       return n >= 0;
     }},
    {{"--list-checks"}, "", "list every check with one line of meaning",
     [](Options& o, Value, Error) { return o.ListChecks = true; }},
    {{"--explain"}, "NAME",
     "what the installer does, a wrong and a right\n"
     "example, and the fix",
     [](Options& o, Value v, Error e) {
       o.Explain = v;
       if (FindCheck(v) != nullptr) return true;
       *e = v.empty() ? "option --explain needs the name of a check"
                      : "no check is named '" + o.Explain +
                            "'; --list-checks lists them";
       return false;
     }},
    {{"-h", "--help"}, "", "show this help and exit",
     [](Options& o, Value, Error) { return o.Help = true; }},
    {{"--version"}, "", "show the version and exit",
     [](Options& o, Value, Error) { return o.Version = true; }},
};

// The row that `arg` names, with its value; null when none does. A value
// in the next argument moves *i on.
const OptionRow* Match(const std::vector<std::string>& args, std::size_t* i,
                       std::string* value) {
  const std::string_view arg = args[*i];
  for (const OptionRow& row : kOptions) {
    for (const char* name : row.Spellings) {
      if (name == nullptr) break;
      const std::string_view spelling = name;
      const bool takes = *row.Argument != '\0';
      const bool optional = *row.Argument == '[';
      if (arg == spelling && (!takes || optional || !StartsWith(arg, "-W"))) {
        if (takes && !optional && *i + 1 < args.size()) *value = args[++*i];
        return &row;
      }
      if (!takes || !StartsWith(arg, spelling) || arg == spelling) continue;
      // Attached: "-oFILE", "-Wno-NAME", "--name=VALUE".
      const bool long_form = StartsWith(spelling, "--");
      const std::string_view after = arg.substr(spelling.size());
      if (!long_form || after.front() == '=') {
        *value = after.substr(long_form ? 1 : 0);
        return &row;
      }
    }
  }
  return nullptr;
}

}  // namespace

bool ChooseColor(ColorMode mode, bool terminal, const char* no_color,
                 const char* term) {
  if (mode != ColorMode::kAuto) return mode == ColorMode::kAlways;
  if (no_color != nullptr && *no_color != '\0') return false;
  if (term != nullptr && std::string_view(term) == "dumb") return false;
  return terminal;
}

std::string CheckUsage() {
  std::string out =
      "Usage: tarnwell-check [options] [FILE...]\n\n"
      "Reads each FILE (default: usbcdc.cfg in the current directory; \"-\"\n"
      "reads standard input) with the installer's own reader and reports\n"
      "every line where the installer will do something other than what\n"
      "the line seems to say. A comment line\n"
      "  ; tarnwell-check: disable=NAME[,NAME...]\n"
      "turns those checks off for the line after it.\n\nOptions:\n";
  for (const OptionRow& row : kOptions) {
    // Every spelling, but a second long one (--colour) only works.
    std::string shown;
    for (const char* spelling : row.Spellings) {
      if (spelling != nullptr && !StartsWith(shown, "--")) {
        shown += (shown.empty() ? "" : ", ") + std::string(spelling);
      }
    }
    const std::string argument = row.Argument;
    if (argument.empty() || StartsWith(shown, "-W")) {
      shown += argument;
    } else if (argument.front() == '[') {
      shown += "[=" + argument.substr(1);
    } else {
      shown += (StartsWith(shown, "--") ? "=" : " ") + argument;
    }
    shown.resize(kHelpColumn - 2, ' ');
    std::string help = row.Help;
    for (std::size_t nl = help.find('\n'); nl != std::string::npos;
         nl = help.find('\n', nl + 1)) {
      help.insert(nl + 1, kHelpColumn, ' ');
    }
    out += "  " + shown + help + "\n";
  }
  return out +
         "\nExit status (of several files, the highest):\n"
         "  0  the installer would read the file and no error was found;\n"
         "     warnings leave the status 0, unless -Werror makes them errors\n"
         "  1  the installer would fail to read the file, or an error was\n"
         "     found\n"
         "  2  a usage error (also an -o FILE that is an input), a file or\n"
         "     --registry FILE that cannot be read, or an -o FILE or a\n"
         "     report that cannot be written\n";
}

bool ParseCheckOptions(const std::vector<std::string>& args,
                       CheckOptions* options, std::string* error) {
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (options_end || arg.size() < 2 || arg.front() != '-') {
      options->Files.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
      continue;
    }
    std::string value;
    const OptionRow* row = Match(args, &i, &value);
    if (row == nullptr) {
      *error = "unknown option '" + std::string(arg) + "'";
      return false;
    }
    if (!row->Apply(*options, value, error)) return false;
  }
  if (options->Files.empty()) options->Files.push_back("usbcdc.cfg");
  if (options->MaxFindings == 0) {
    options->MaxFindings = options->Format == OutputFormat::kSarif
                               ? kSarifMaxFindings
                               : kTextMaxFindings;
  }
  if (!options->OutputFile.empty() && options->Files.size() > 1) {
    *error = "-o writes the registry of one file; " +
             std::to_string(options->Files.size()) + " files were given";
    return false;
  }
  if (!options->EmitName.empty() && options->OutputFile.empty()) {
    *error = "option --emit writes to the file of -o FILE";
    return false;
  }
  if (std::count(options->Files.begin(), options->Files.end(), "-") +
          (options->RegistryFile == "-") > 1) {
    *error = "standard input ('-') is read once: name it once, as a FILE or "
             "as --registry FILE";
    return false;
  }
  if (options->OutputFile == "-") {
    *error = "-o writes a file, never standard output (--reg prints the "
             "registry there)";
    return false;
  }
  if (options->PrintReg && options->Format != OutputFormat::kText) {
    *error =
        "--reg prints to standard output, where --format=json and "
        "--format=sarif write";
    return false;
  }
  return true;
}

}  // namespace tarnwell::check
