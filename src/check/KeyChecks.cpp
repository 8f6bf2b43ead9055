#include "check/Checks.h"

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

// "Init", "Init01", "Init16": true when it said so.
bool CheckInitNumber(CheckState& s, const Place& place) {
  const std::string_view key = s.Key;
  if (key.size() < 4 || !KeyIs(key.substr(0, 4), "Init")) return false;
  const std::string_view digits = key.substr(4);
  if (!digits.empty() && !IsDecimal(digits)) return false;
  // A single digit names an init string, so the key was not unknown.
  const char* form = digits.empty() ? "0" : digits.front() == '0' ? "1" : "2";
  s.Add(Check::kInitNumber, place,
        {form, Quote(key), std::string(WithoutLeadingZeros(digits))});
  return true;
}

}  // namespace

void CheckAppliedKey(CheckState& s) {
  const KeyFacts& facts = *s.Applied;
  if (facts.Form == ValueForm::kNone) {
    s.Add(Check::kWrongSectionKey, s.At(s.Key), {Quote(facts.Key), "0"});
    return;
  }
  const std::size_t index =
      static_cast<std::size_t>(&facts - KeysOf(s.Section.Info.Kind).data());
  Place& first = s.Section.Keys[index];
  if (first.Line == 0) {
    first = s.At(s.Key);
  } else if (facts.Form != ValueForm::kList) {
    Diagnostic& d = s.Add(Check::kRepeatedKey, s.At(s.Key),
                          {Quote(facts.Key), std::to_string(first.Line)});
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
    s.Add(Check::kEmptyKey, s.At(s.Text.substr(s.Column(s.Value) - 2, 1)));
    return;
  }
  if (key.front() == '[') {
    const Diagnostic& d =
        s.Add(Check::kUnclosedHeader, place,
              {"1", "1", DescribeSection(s.Section.Info), Quote(key)});
    if (MeansModemSection(key.substr(1))) s.Root = s.IndexOf(d);
    return;
  }
  if (kind == SectionKind::kModem && CheckInitNumber(s, place)) return;
  if (FindKey(Other(kind), key) != nullptr) {
    s.Add(Check::kWrongSectionKey, place,
          {Quote(key), "1", KindName(Other(kind)),
           kind == SectionKind::kDevice ? "device" : "[MODEM SETTINGS]"});
    return;
  }
  std::string hint;
  if (std::string near = SuggestKey(kind, key); !near.empty()) {
    hint = "; did you mean " + Quote(near) + "?";
  } else if (std::string other = SuggestKey(Other(kind), key); !other.empty()) {
    hint = "; " + Quote(other) + ", which it resembles, is a key of " +
           KindName(Other(kind));
  }
  s.Add(Check::kUnknownKey, place, {Quote(key), hint});
}

}  // namespace tarnwell::check
