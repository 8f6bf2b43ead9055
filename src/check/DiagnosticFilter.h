// What the options and the disable directives make of a file's
// diagnostics, and the findings' budget.
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

// Keeps at most `budget` of the findings, errors first, and a file's
// errors up to `most` whatever the budget: a limit never hides what makes
// the exit status 1. What is kept stays in order of position. Returns how
// many were left out.
std::size_t KeepWithin(std::vector<Diagnostic>* shown, std::size_t budget,
                       std::size_t most);

// The diagnostics as the options have them, in order of position: checks
// turned off (by an option, or by a directive for its line) dropped, their
// follow-ons shown on their own; levels changed (and marked Promoted); -w
// drops warnings and notes, and --quiet all but errors. *counts counts
// what is left before --quiet.
std::vector<Diagnostic> ApplyOptions(
    const std::vector<Diagnostic>& found, const CheckOptions& options,
    Counts* counts,
    const std::set<std::pair<std::size_t, Check>>& disabled = {});

}  // namespace tarnwell::check
