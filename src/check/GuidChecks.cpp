#include "check/Checks.h"

#include <cctype>

#include "check/Text.h"
#include "config/HexNumber.h"
#include "config/LineSyntax.h"
#include "registry/KeyPaths.h"

namespace tarnwell::check {
namespace {

constexpr int kGuidDigits[5] = {8, 4, 4, 4, 12};

std::string GuidString(const GUID& guid) {
  char16_t text[64];
  GuidText(text, guid);
  return Utf16ToUtf8(text);
}

std::string Group(std::size_t i) { return "group " + std::to_string(i + 1); }

// Blanks where "-" belongs: the reader skips them and takes the group's
// first digit for the separator.
bool FollowsBlanks(const NumberConversion& previous,
                   const NumberConversion& group) {
  // The reader skips nothing but blanks before it takes a separator.
  const std::size_t separator = group.Start - 1;
  return separator > previous.Reading.End &&
         std::isxdigit(static_cast<unsigned char>(group.Text[separator])) != 0;
}

// Why the groups do not read as written: empty when they do. Sets
// *separators_only when the only fault is the separators.
std::string Fault(const std::vector<NumberConversion>& groups,
                  std::string_view text, int groups_read,
                  bool* separators_only) {
  *separators_only = false;
  if (StripBlanks(text).empty()) return "the value is empty";
  if (groups_read < 5) {
    const int failed = groups_read + 1;
    std::string reason =
        static_cast<int>(groups.size()) >= failed
            ? "group " + std::to_string(failed) + " cannot be read"
            : "the value ends after group " + std::to_string(groups_read);
    return reason + (failed < 5 ? ", so groups " + std::to_string(failed) +
                                      " to 5 keep their previous values"
                                : ", so it keeps its previous value");
  }
  for (std::size_t i = 0; i < 5; ++i) {
    const NumberConversion& g = groups[i];
    if (i > 0 && FollowsBlanks(groups[i - 1], g)) {
      return Group(i) +
             " follows blanks instead of \"-\": the installer "
             "skips them and takes its first digit, " +
             Quote(g.Text.substr(g.Start - 1, 1)) +
             ", for the separator, so the group reads as " +
             Hex(g.Stored, kGuidDigits[i]);
    }
    const HexSpelling s = SpellHexNumber(g.Text, g.Start);
    const int digits = static_cast<int>(s.DigitsEnd - s.DigitsBegin);
    const std::size_t end = g.Reading.End;
    if (i < 4 && end < g.Text.size() &&
        std::isalnum(static_cast<unsigned char>(g.Text[end])) != 0) {
      return Group(i) + " stops at " + Quote(g.Text.substr(end, 1)) +
             ", which the installer takes for the separator";
    }
    if (digits != kGuidDigits[i]) {
      const std::string wanted = std::to_string(kGuidDigits[i]);
      return Group(i) + " has " + std::to_string(digits) +
             (digits == 1 ? " digit" : " digits") + " instead of " + wanted +
             (digits < kGuidDigits[i]
                  ? " and is read as " + Hex(g.Stored, kGuidDigits[i])
                  : "; only its last " + wanted + " are kept");
    }
    if (s.Prefix || s.Negative) return Group(i) + " has a sign or \"0x\"";
  }
  const NumberConversion& last = groups[4];
  if (last.Reading.End < last.Text.size()) {
    return Quote(last.Text.substr(last.Reading.End)) +
           " after the last group is ignored";
  }
  for (std::size_t i = 1; i < 5; ++i) {
    const NumberConversion& g = groups[i];
    const std::size_t separator = groups[i - 1].Reading.End;
    if (g.Start != separator + 1 || g.Text[separator] != '-' ||
        SpellHexNumber(g.Text, g.Start).DigitsBegin != g.Start) {
      *separators_only = true;
      return "the groups are not separated by single \"-\" characters";
    }
  }
  return "";
}

}  // namespace

void CheckGuid(CheckState& s, std::string_view text, const GUID& guid,
               int groups_read) {
  bool separators_only = false;
  const std::string fault =
      Fault(s.GuidGroups, text, groups_read, &separators_only);
  if (fault.empty()) return;
  s.Add(separators_only ? Check::kGuidSeparators : Check::kMalformedGuid,
        s.At(s.Value), {fault, GuidString(guid)});
}

}  // namespace tarnwell::check
