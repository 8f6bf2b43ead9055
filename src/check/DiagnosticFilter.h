// What the -W options, --werror and --quiet make of a file's diagnostics.
#pragma once

#include <cstddef>
#include <vector>

#include "check/CheckOptions.h"
#include "check/Diagnostic.h"

namespace tarnwell::check {

struct Counts {
  std::size_t Errors = 0;
  std::size_t Warnings = 0;
  std::size_t Notes = 0;
};

// The diagnostics as the options have them: checks turned off dropped,
// levels changed (and marked Promoted), then, under --quiet, errors only.
// *counts counts what is left before --quiet.
std::vector<Diagnostic> ApplyOptions(const std::vector<Diagnostic>& found,
                                     const CheckOptions& options,
                                     Counts* counts);

}  // namespace tarnwell::check
