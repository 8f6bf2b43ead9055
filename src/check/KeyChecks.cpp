#include "check/KeyChecks.h"

#include "check/KeySuggestion.h"
#include "check/SectionChecks.h"
#include "check/Text.h"
#include "config/KeyName.h"

namespace tarnwell::check {
namespace {

std::string KindName(SectionKind kind) {
  return kind == SectionKind::kDevice ? "device sections"
                                      : "[MODEM SETTINGS] sections";
}

SectionKind Other(SectionKind kind) {
  return kind == SectionKind::kDevice ? SectionKind::kModem
                                      : SectionKind::kDevice;
}

bool AllDecimal(std::string_view digits) {
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
  }
  return !digits.empty();
}

// "Init", "Init01", "Init16": true when it said so.
bool CheckInitNumber(CheckState& s, const Place& place) {
  const std::string_view key = s.Key;
  if (key.size() < 4 || !KeyIs(key.substr(0, 4), "Init")) return false;
  const std::string_view digits = key.substr(4);
  if (digits.empty()) {
    s.Add(Check::kInitNumber, place,
          "\"Init\" needs the number of the init string, Init0 to Init15: "
          "the installer ignores the line");
    return true;
  }
  if (!AllDecimal(digits)) return false;
  // A single digit names an init string, so the key was not unknown.
  if (digits.front() == '0') {
    std::string_view significant = digits;
    while (significant.size() > 1 && significant.front() == '0') {
      significant.remove_prefix(1);
    }
    s.Add(Check::kInitNumber, place,
          Quote(key) + " has a leading zero, so it names no init string: the "
                       "installer ignores the line; write \"Init" +
              std::string(significant) + "\"");
  } else {
    s.Add(Check::kInitNumber, place,
          "there are 16 init strings, Init0 to Init15: the installer "
          "ignores " + Quote(key));
  }
  return true;
}

}  // namespace

void CheckAppliedKey(CheckState& s) {
  const KeyFacts& facts = *s.Applied;
  if (facts.Form == ValueForm::kNone) {
    s.Add(Check::kWrongSectionKey, s.At(s.Key),
          Quote(facts.Key) + " has no effect in a device section (it names "
                             "the interface of a modem); the installer "
                             "ignores the line");
    return;
  }
  const std::size_t index =
      static_cast<std::size_t>(&facts - KeysOf(s.Section.Info.Kind).data());
  Place& first = s.Section.Keys[index];
  if (first.Line == 0) {
    first = s.At(s.Key);
  } else if (facts.Form != ValueForm::kList) {
    Diagnostic& d = s.Add(
        Check::kRepeatedKey, s.At(s.Key),
        Quote(facts.Key) + " is given again in this section: this later line "
                           "replaces the value of line " +
            std::to_string(first.Line));
    d.Notes.push_back(
        NoteAt(first, "the earlier " + Quote(facts.Key) + " line"));
  }
}

void CheckUnknownKey(CheckState& s) {
  const SectionKind kind = s.Section.Info.Kind;
  const Place place = s.At(s.Key);
  const std::string key(s.Key);
  if (key.empty()) {
    // The "=" sits right before the value.
    s.Add(Check::kEmptyKey, s.At(s.Text.substr(s.Column(s.Value) - 2, 1)),
          "nothing before \"=\": the installer finds no key and ignores the "
          "line");
    return;
  }
  if (key.front() == '[') {
    const Diagnostic& d = s.Add(Check::kUnclosedHeader, place,
          "section header without \"]\": the installer reads this as a key "
          "line with the unknown key " + Quote(key) +
              " and ignores it; the lines that follow still belong to the " +
              DescribeSection(s.Section.Info));
    if (MeansModemSection(key.substr(1))) s.Root = s.IndexOf(d);
    return;
  }
  if (kind == SectionKind::kModem && CheckInitNumber(s, place)) return;
  if (FindKey(Other(kind), key) != nullptr) {
    s.Add(Check::kWrongSectionKey, place,
          Quote(key) + " is a key of " + KindName(Other(kind)) + ": in a " +
              (kind == SectionKind::kDevice ? "device" : "[MODEM SETTINGS]") +
              " section the installer ignores it");
    return;
  }
  std::string message =
      "unknown key " + Quote(key) + ": the installer ignores the line";
  if (std::string near = SuggestKey(kind, key); !near.empty()) {
    message += "; did you mean " + Quote(near) + "?";
  } else if (std::string other = SuggestKey(Other(kind), key);
             !other.empty()) {
    message += "; " + Quote(other) + ", which it resembles, is a key of " +
               KindName(Other(kind));
  }
  s.Add(Check::kUnknownKey, place, message);
}

}  // namespace tarnwell::check
