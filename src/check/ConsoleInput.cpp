// Standard input as bytes: the same in both worlds once Prepare has set
// its mode.
#include <cstdio>

#include "check/Console.h"

namespace tarnwell::check::console {

bool ReadAllInput(std::string* bytes) {
  char buffer[64 * 1024];
  std::size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
    bytes->append(buffer, n);
  }
  return std::ferror(stdin) == 0;
}

}  // namespace tarnwell::check::console
