#include "check/Checks.h"

#include "check/Text.h"
#include "config/HexNumber.h"
#include "config/LineSyntax.h"

namespace tarnwell::check {
namespace {

std::uint64_t DecimalValue(std::string_view digits) {
  std::uint64_t n = 0;
  for (char c : digits) n = n * 10 + static_cast<std::uint64_t>(c - '0');
  return n;
}

std::string Stored(const NumberConversion& c) {
  return Hex(c.Stored, static_cast<int>(c.FieldBits / 4));
}

// Numbers that become registry values (the buffer settings, the device
// type) rather than parts of key names.
bool IsWrittenValue(const KeyFacts& facts) {
  return facts.Form == ValueForm::kNumber && !facts.ValueName.empty();
}

// What the device gets from an ID or interface number: "the installer
// writes vendor 0x5250".
std::string DeviceGets(const CheckState& s, std::uint64_t stored) {
  static const char* const kWords[][2] = {{"VID", "vendor"},
                                          {"PID", "product"},
                                          {"IFC_Class", "class"},
                                          {"IFC_SubClass", "subclass"},
                                          {"IFC_Protocol", "protocol"},
                                          {"IFC", "interface"}};
  const std::string number =
      Hex(stored, static_cast<int>(s.Applied->FieldBits / 4));
  if (s.Applied->Form == ValueForm::kList) {
    return "the installer disables interface " + number;
  }
  for (const auto& word : kWords) {
    if (s.Applied->Key == word[0]) {
      return std::string("the installer writes ") + word[1] + " " + number;
    }
  }
  return "the installer stores " + number;
}

void CheckUnreadable(CheckState& s, const NumberConversion& c,
                     const HexSpelling& spelling) {
  const std::string_view text = c.Text;
  std::string why;
  if (StripBlanks(text).empty()) {
    why = "empty value";
  } else if (spelling.DigitsBegin == spelling.DigitsEnd) {
    why = "cannot read " + Quote(text) + " as a hexadecimal number";
  } else {
    why = Quote(text) + " does not fit in " + std::to_string(c.Width) +
          " bits (the largest is " + Hex(~0ull >> (64 - c.Width)) + ")";
  }
  std::string effect;
  if (c.Fate == NumberFate::kNotAppended) {
    effect = "the installer disables no interface for this line";
  } else {
    effect = "the installer keeps " + Quote(s.Applied->Key) + " at " +
             Stored(c) +
             (IsWrittenValue(*s.Applied) ? " and still writes it"
                                         : " and still uses it in the key "
                                           "names");
  }
  s.Add(Check::kBadNumber, s.At(text), {why, effect});
}

// Digits that look decimal where the installer reads hexadecimal.
void CheckDecimalHabit(CheckState& s, const NumberConversion& c,
                       const HexSpelling& spelling) {
  if (spelling.Prefix || spelling.Negative) return;
  const std::string_view spelled = c.Text.substr(
      spelling.DigitsBegin, spelling.DigitsEnd - spelling.DigitsBegin);
  const std::string digits(WithoutLeadingZeros(spelled));
  if (digits.size() < 2 || !IsDecimal(digits)) return;
  const std::string field = Quote(s.Applied->Key);
  const std::uint64_t decimal = DecimalValue(digits);
  if (IsWrittenValue(*s.Applied)) {
    s.Add(Check::kHexCount, s.At(spelled),
          {field, digits, std::to_string(c.Reading.Value), Hex(decimal)});
  } else if (s.Applied->FieldBits == 8 && decimal <= 0xFF) {
    s.Add(Check::kDecimalId, s.At(spelled),
          {field, DeviceGets(s, c.Stored), digits, Hex(decimal, 2)});
  }
}

void CheckRest(CheckState& s, const NumberConversion& c) {
  const std::string_view text = c.Text;
  if (c.Reading.End >= text.size()) return;
  const std::string_view rest = text.substr(c.Reading.End);
  const std::string_view rest_stripped = StripBlanks(rest);
  if (!rest_stripped.empty() &&
      (rest_stripped.front() == '#' || rest_stripped.front() == ';') &&
      rest.size() != rest_stripped.size()) {
    s.Add(Check::kNumberComment, s.At(rest_stripped));
    return;
  }
  s.Add(Check::kNumberTrailingText, s.At(rest),
        {Quote(text.substr(0, c.Reading.End)), Hex(c.Reading.Value),
         Quote(rest)});
}

}  // namespace

void CheckNumber(CheckState& s, const NumberConversion& c) {
  const HexSpelling spelling = SpellHexNumber(c.Text, c.Start);
  if (!c.Reading.Ok) {
    CheckUnreadable(s, c, spelling);
    return;
  }
  if (c.Fate == NumberFate::kNotAppended) return;  // the list is full

  CheckDecimalHabit(s, c, spelling);
  const std::string_view digits = c.Text.substr(
      spelling.DigitsBegin, spelling.DigitsEnd - spelling.DigitsBegin);
  const std::size_t most = s.Applied->FieldBits / 4;
  if (!IsWrittenValue(*s.Applied) && digits.size() > most && !c.BitsDropped() &&
      !spelling.Negative) {
    s.Add(Check::kIdDigits, s.At(digits),
          {Quote(s.Applied->Key), std::to_string(digits.size()),
           std::to_string(most), DeviceGets(s, c.Stored)});
  }
  if (c.BitsDropped()) {
    s.Add(Check::kTruncatedNumber, s.At(digits),
          {Quote(s.Applied->Key), std::to_string(c.FieldBits),
           Hex(c.Reading.Value), Stored(c)});
  }
  if (spelling.Negative) {
    s.Add(Check::kNegativeNumber, s.At(c.Text), {Stored(c)});
  }
  CheckRest(s, c);
}

}  // namespace tarnwell::check
