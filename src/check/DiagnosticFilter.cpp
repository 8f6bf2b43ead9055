#include "check/DiagnosticFilter.h"

namespace tarnwell::check {

std::vector<Diagnostic> ApplyOptions(const std::vector<Diagnostic>& found,
                                     const CheckOptions& options,
                                     Counts* counts) {
  *counts = Counts{};
  std::vector<Diagnostic> kept;
  for (const Diagnostic& d : found) {
    const CheckSetting& setting = options.SettingOf(d.Id);
    if (setting.Off) continue;
    Severity level = d.Level;
    if (setting.Error ||
        (options.WarningsAreErrors && level == Severity::kWarning)) {
      level = Severity::kError;
    } else if (setting.NoError && level == Severity::kError) {
      level = Severity::kWarning;
    }
    if (level == Severity::kError) ++counts->Errors;
    if (level == Severity::kWarning) ++counts->Warnings;
    if (level == Severity::kNote) ++counts->Notes;
    if (options.Quiet && level != Severity::kError) continue;
    kept.push_back(d);
    kept.back().Promoted = level != d.Level;
    kept.back().Level = level;
  }
  return kept;
}

}  // namespace tarnwell::check
