#include <string>
#include <vector>

#include "check/Console.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tarnwell::check::RunCheckTool(args);
}
