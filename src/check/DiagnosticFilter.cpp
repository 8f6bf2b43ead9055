#include "check/DiagnosticFilter.h"

#include <algorithm>

namespace tarnwell::check {
namespace {

bool Before(const Diagnostic& a, const Diagnostic& b) {
  if (a.At.Line != b.At.Line) return a.At.Line < b.At.Line;
  return a.At.Column < b.At.Column;
}

struct Filter {
  const CheckOptions& Options;
  const std::set<std::pair<std::size_t, Check>>& Disabled;
  Counts* Found;
  std::vector<Diagnostic> Kept;

  bool Off(const Diagnostic& d) const {
    return Options.SettingOf(d.Id).Off || Disabled.count({d.At.Line, d.Id});
  }

  void Take(Diagnostic d) {
    if (Off(d)) {
      for (Diagnostic& note : d.Notes) {
        if (!note.FollowOn) continue;
        note.FollowOn = false;
        Take(std::move(note));
      }
      return;
    }
    const CheckSetting& setting = Options.SettingOf(d.Id);
    const Severity own = InfoOf(d.Id).Level;
    Severity level = own;
    if (setting.Error ||
        (Options.WarningsAreErrors && level == Severity::kWarning)) {
      level = Severity::kError;
    } else if (setting.NoError && level == Severity::kError) {
      level = Severity::kWarning;
    }
    if (Options.NoWarnings && own != Severity::kError) return;
    ++(level == Severity::kError     ? Found->Errors
       : level == Severity::kWarning ? Found->Warnings
                                     : Found->Notes);
    if (Options.Quiet && level != Severity::kError) return;
    d.Promoted = level != own;
    d.Level = level;
    // Follow-ons of a check turned off go with it.
    d.Notes.erase(std::remove_if(d.Notes.begin(), d.Notes.end(),
                                 [&](const Diagnostic& note) {
                                   return note.FollowOn && Off(note);
                                 }),
                  d.Notes.end());
    std::stable_sort(d.Notes.begin(), d.Notes.end(), Before);
    Kept.push_back(std::move(d));
  }
};

}  // namespace

std::size_t KeepWithin(std::vector<Diagnostic>* shown, std::size_t budget,
                       std::size_t most) {
  const auto is_error = [](const Diagnostic& d) {
    return d.Level == Severity::kError;
  };
  const std::size_t kept = std::max<std::size_t>(
      budget, std::min<std::size_t>(
                  std::count_if(shown->begin(), shown->end(), is_error), most));
  if (shown->size() <= kept) return 0;
  std::stable_partition(shown->begin(), shown->end(), is_error);
  const std::size_t left_out = shown->size() - kept;
  shown->resize(kept);
  std::stable_sort(shown->begin(), shown->end(), Before);
  return left_out;
}

std::vector<Diagnostic> ApplyOptions(
    const std::vector<Diagnostic>& found, const CheckOptions& options,
    Counts* counts, const std::set<std::pair<std::size_t, Check>>& disabled) {
  *counts = Counts{};
  Filter filter{options, disabled, counts, {}};
  for (const Diagnostic& d : found) filter.Take(d);
  // Follow-ons shown on their own stand where they point.
  std::stable_sort(filter.Kept.begin(), filter.Kept.end(), Before);
  return std::move(filter.Kept);
}

}  // namespace tarnwell::check
