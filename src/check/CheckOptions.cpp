#include "check/CheckOptions.h"

#include "check/EmitText.h"

#include <string_view>

namespace tarnwell::check {
namespace {

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// "--name" or "--name=VALUE", not "--names".
bool IsOption(std::string_view arg, std::string_view name) {
  return StartsWith(arg, name) &&
         (arg.size() == name.size() || arg[name.size()] == '=');
}

// -Wno-NAME, -WNAME, -Werror=NAME, -Wno-error=NAME.
bool ParseWarningOption(std::string_view arg, CheckOptions* options,
                        std::string* error) {
  std::string_view name = arg.substr(2);
  enum { kOn, kOff, kError, kNoError } what = kOn;
  if (StartsWith(name, "no-error=")) {
    what = kNoError;
    name.remove_prefix(9);
  } else if (StartsWith(name, "error=")) {
    what = kError;
    name.remove_prefix(6);
  } else if (StartsWith(name, "no-")) {
    what = kOff;
    name.remove_prefix(3);
  }
  const CheckInfo* info = FindCheck(name);
  if (info == nullptr) {
    *error = "unknown check '" + std::string(name) + "' in '" +
             std::string(arg) + "' (--list-checks lists them)";
    return false;
  }
  if (what == kOff && info->Fatal) {
    *error = "'" + std::string(arg) + "': the installer fails on this, so it "
             "cannot be turned off";
    return false;
  }
  CheckSetting& setting = options->Settings[static_cast<std::size_t>(info->Id)];
  switch (what) {
    case kOn:
      setting.Off = false;
      break;
    case kOff:
      setting.Off = true;
      break;
    case kError:
      setting.Error = true;
      setting.NoError = false;
      break;
    default:  // kNoError
      setting.NoError = !info->Fatal;
      setting.Error = false;
      break;
  }
  return true;
}

// The value of args[*i], which is "--name=VALUE" or "--name" followed by
// VALUE; false when the value is missing.
bool OptionValue(const std::vector<std::string>& args, std::size_t* i,
                 std::string_view name, std::string* value) {
  std::string_view arg = args[*i];
  if (arg.size() > name.size()) {
    *value = std::string(arg.substr(name.size() + 1));
    return true;
  }
  if (*i + 1 >= args.size()) return false;
  *value = args[++*i];
  return true;
}

}  // namespace

const CheckSetting& CheckOptions::SettingOf(Check id) const {
  static const CheckSetting kDefault;
  const std::size_t index = static_cast<std::size_t>(id);
  return index < Settings.size() ? Settings[index] : kDefault;
}

bool ChooseColor(ColorMode mode, bool terminal, const char* no_color,
                 const char* term) {
  if (mode != ColorMode::kAuto) return mode == ColorMode::kAlways;
  if (no_color != nullptr && *no_color != '\0') return false;
  if (term != nullptr && std::string_view(term) == "dumb") return false;
  return terminal;
}

const char* CheckUsage() {
  return "Usage: tarnwell-check [options] [FILE...]\n"
         "\n"
         "Reads each FILE (default: usbcdc.cfg in the current directory; \"-\"\n"
         "reads standard input) with the installer's own reader and reports\n"
         "every line where the installer will do something other than what\n"
         "the line seems to say.\n"
         "\n"
         "Options:\n"
         "  --reg             print the registry the installer would write, as\n"
         "                    .reg text in UTF-8\n"
         "  -o FILE           write that registry to FILE as regedit writes it\n"
         "                    (UTF-16LE with a byte-order mark); one FILE only\n"
         "  --emit=KIND       with -o FILE: write an OS image's registry fragment\n"
         "                    (image-reg) or a CAB Wizard .inf (cab-inf) instead\n"
         "  -Wno-NAME         turn the check NAME off\n"
         "  -Werror=NAME      make the findings of NAME errors\n"
         "  -Wno-error=NAME   make the errors of NAME warnings\n"
         "  --werror          treat every warning as an error\n"
         "  -q, --quiet       print errors only, and no summary\n"
         "  --format=FORMAT   text (default), json or sarif (SARIF 2.1.0),\n"
         "                    the last two on standard output\n"
         "  --color=WHEN      auto (default: on a terminal, unless NO_COLOR is\n"
         "                    set), always or never\n"
         "  --list-checks     list every check with one line of meaning\n"
         "  --explain NAME    what the installer does, a wrong and a right\n"
         "                    example, and the fix\n"
         "  -h, --help        show this help and exit\n"
         "  --version         show the version and exit\n"
         "\n"
         "Exit status (of several files, the highest):\n"
         "  0  the installer would read the file and no error was found;\n"
         "     warnings leave the status 0, unless --werror makes them errors\n"
         "  1  the installer would fail to read the file, or an error was\n"
         "     found\n"
         "  2  a usage error, a file that cannot be read, or an -o FILE that\n"
         "     cannot be written\n";
}

bool ParseCheckOptions(const std::vector<std::string>& args,
                       CheckOptions* options, std::string* error) {
  std::size_t count = 0;
  AllChecks(&count);
  options->Settings.assign(count, CheckSetting{});
  bool options_end = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (options_end || arg.size() < 2 || arg.front() != '-') {
      options->Files.emplace_back(arg);
      continue;
    }
    std::string value;
    if (arg == "--") {
      options_end = true;
    } else if (arg == "--reg") {
      options->PrintReg = true;
    } else if (arg == "--werror") {
      options->WarningsAreErrors = true;
    } else if (arg == "--quiet" || arg == "-q") {
      options->Quiet = true;
    } else if (arg == "--help" || arg == "-h") {
      options->Help = true;
    } else if (arg == "--version") {
      options->Version = true;
    } else if (arg == "--list-checks") {
      options->ListChecks = true;
    } else if (IsOption(arg, "--explain")) {
      if (!OptionValue(args, &i, "--explain", &options->Explain)) {
        *error = "option --explain needs the name of a check";
        return false;
      }
    } else if (IsOption(arg, "--format")) {
      if (!OptionValue(args, &i, "--format", &value)) value.clear();
      if (value == "text") {
        options->Format = OutputFormat::kText;
      } else if (value == "json") {
        options->Format = OutputFormat::kJson;
      } else if (value == "sarif") {
        options->Format = OutputFormat::kSarif;
      } else {
        *error = "option --format takes text, json or sarif";
        return false;
      }
    } else if (IsOption(arg, "--color") || IsOption(arg, "--colour")) {
      if (arg == "--color" || arg == "--colour") {
        value = "always";  // as GCC takes a bare -fdiagnostics-color
      } else {
        OptionValue(args, &i, arg.substr(0, arg.find('=')), &value);
      }
      if (value == "auto") {
        options->Color = ColorMode::kAuto;
      } else if (value == "always") {
        options->Color = ColorMode::kAlways;
      } else if (value == "never") {
        options->Color = ColorMode::kNever;
      } else {
        *error = "option --color takes auto, always or never";
        return false;
      }
    } else if (IsOption(arg, "--emit")) {
      EmitKind kind;
      if (!OptionValue(args, &i, "--emit", &options->Emit) ||
          !ParseEmitKind(options->Emit, &kind)) {
        *error = "option --emit takes image-reg or cab-inf";
        return false;
      }
    } else if (arg == "-o") {
      if (i + 1 >= args.size()) {
        *error = "option -o needs a file name";
        return false;
      }
      options->OutputFile = args[++i];
    } else if (StartsWith(arg, "-o")) {
      options->OutputFile = std::string(arg.substr(2));
    } else if (StartsWith(arg, "-W") && arg.size() > 2) {
      if (!ParseWarningOption(arg, options, error)) return false;
    } else {
      *error = "unknown option '" + std::string(arg) + "'";
      return false;
    }
  }
  if (!options->OutputFile.empty() && options->Files.size() > 1) {
    *error = "-o writes the registry of one file; " +
             std::to_string(options->Files.size()) + " files were given";
    return false;
  }
  if (!options->Emit.empty() && options->OutputFile.empty()) {
    *error = "option --emit writes to the file of -o FILE";
    return false;
  }
  if (options->PrintReg && options->Format != OutputFormat::kText) {
    *error = "--reg prints to standard output, where --format=json and "
             "--format=sarif write";
    return false;
  }
  return true;
}

}  // namespace tarnwell::check
