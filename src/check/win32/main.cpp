// The console entry with wide arguments, so that a file name in any script
// reaches the checker whole, as UTF-8.
#include <string>
#include <vector>

#include "check/Console.h"
#include "check/Text.h"

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(tarnwell::check::Utf16ToUtf8(
        reinterpret_cast<const char16_t*>(argv[i])));
  }
  return tarnwell::check::RunCheckTool(args);
}
