#include "check/CheckOptions.h"

#include <string_view>

namespace tarnwell::check {

const char* CheckUsage() {
  return "Usage: tarnwell-check [options] [FILE]\n"
         "\n"
         "Reads FILE (default: usbcdc.cfg in the current directory) with the\n"
         "installer's own reader and reports every line where the installer\n"
         "will do something other than what the line seems to say.\n"
         "\n"
         "Options:\n"
         "  --reg       print the registry the installer would write, as\n"
         "              .reg text in UTF-8\n"
         "  -o FILE     write that registry to FILE as regedit writes it\n"
         "              (UTF-16LE with a byte-order mark)\n"
         "  --werror    treat warnings as errors\n"
         "  --quiet     print errors only\n"
         "  --help      show this help and exit\n"
         "  --version   show the version and exit\n"
         "\n"
         "Exit status: 0 when the installer would read the file and every\n"
         "check passed; 1 when the installer would fail to read it, or a\n"
         "warning under --werror; 2 for a usage error or an unreadable file.\n";
}

bool ParseCheckOptions(int argc, char** argv, CheckOptions* options,
                       std::string* error) {
  bool have_file = false;
  bool options_end = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (!options_end && arg.size() > 1 && arg.front() == '-') {
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
      } else if (arg == "-o") {
        if (i + 1 >= argc) {
          *error = "option -o needs a file name";
          return false;
        }
        options->OutputFile = argv[++i];
      } else if (arg.substr(0, 2) == "-o") {
        options->OutputFile = std::string(arg.substr(2));
      } else {
        *error = "unknown option '" + std::string(arg) + "'";
        return false;
      }
      continue;
    }
    if (have_file) {
      *error = "more than one file given";
      return false;
    }
    options->File = std::string(arg);
    have_file = true;
  }
  return true;
}

}  // namespace tarnwell::check
