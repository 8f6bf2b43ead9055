// The command line of tarnwell-check.
#pragma once

#include <string>

namespace tarnwell::check {

struct CheckOptions {
  std::string File = "usbcdc.cfg";
  bool PrintReg = false;     // --reg
  std::string OutputFile;    // -o FILE
  bool WarningsAreErrors = false;
  bool Quiet = false;
  bool Help = false;
  bool Version = false;
};

// False with *error set when the arguments are not understood.
bool ParseCheckOptions(int argc, char** argv, CheckOptions* options,
                       std::string* error);

// The text of --help.
const char* CheckUsage();

}  // namespace tarnwell::check
