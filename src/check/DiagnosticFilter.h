// What the -W options, -w, --werror, --quiet and the disable directives
// make of a file's diagnostics.
#pragma once

#include <cstddef>
#include <set>
#include <utility>
#include <vector>

#include "check/CheckOptions.h"
#include "check/Diagnostic.h"

namespace tarnwell::check {

struct Counts {
  std::size_t Errors = 0;
  std::size_t Warnings = 0;
  std::size_t Notes = 0;
};

// The diagnostics as the options have them: checks turned off (by an
// option, or by a directive for its line) dropped, with their follow-ons
// shown on their own; levels changed (and marked Promoted); -w drops
// warnings and notes, and --quiet all but errors. *counts counts what is
// left before --quiet. The result is in order of position.
std::vector<Diagnostic> ApplyOptions(
    const std::vector<Diagnostic>& found, const CheckOptions& options,
    Counts* counts,
    const std::set<std::pair<std::size_t, Check>>& disabled = {});

}  // namespace tarnwell::check
