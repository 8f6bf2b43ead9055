// The value of a key line as the installer reads it: numbers, GUIDs and
// texts, each derived here from the value and the key's row with the
// entry operations' own functions, and compared with what the file seems
// to say.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <iterator>
#include <type_traits>

#include "check/Checks.h"
#include "check/Text.h"
#include "check/KeyRows.h"
#include "config/DeviceEntry.h"
#include "config/HexNumber.h"
#include "config/KeyName.h"
#include "config/LineSyntax.h"
#include "registry/KeyPaths.h"

namespace tarnwell::check {
namespace {

// A number of the value as the installer read it.
struct Number {
  const char* Key = "";    // as the row spells it
  bool Written = false;    // a registry value rather than part of a key name
  bool List = false;       // an interface to disable
  std::string_view Text;   // the text read from
  HexNumber Reading;       // value, success, where it stopped
  unsigned Width = 32;     // bits read
  unsigned FieldBits = 32; // bits the field keeps
  bool Unlisted = false;   // an interface to disable that was not added
  std::uint64_t Stored = 0;  // the field's value afterwards

  bool BitsDropped() const {
    return Reading.Ok && !Unlisted && (Reading.Value >> FieldBits) != 0;
  }
};

// "0FCEh": the "h" of an assembler's hexadecimal number, which says what
// the installer reads anyway.
bool HexSuffix(const Number& c) {
  if (c.Reading.End >= c.Text.size()) return false;
  const std::string_view rest = StripBlanks(c.Text.substr(c.Reading.End));
  return rest == "h" || rest == "H";
}

std::string Stored(const Number& c) {
  return Hex(c.Stored, static_cast<int>(c.FieldBits / 4));
}

// What the device gets from a number: "the installer writes vendor
// 0x5250", by the words of the DeviceGets text.
enum class Gets { kVendor, kProduct, kClass, kSubClass, kProtocol,
                  kInterface, kDisabled, kStored };
std::string DeviceGets(const Number& c, std::uint64_t stored) {
  // The keys of the first words, in their order.
  static const char* const kKeys[] = {"VID",          "PID",         "IFC_Class",
                                      "IFC_SubClass", "IFC_Protocol", "IFC"};
  std::size_t word = 0;
  while (word < std::size(kKeys) && std::string_view(c.Key) != kKeys[word]) ++word;
  const Gets gets = c.List ? Gets::kDisabled
                    : word == std::size(kKeys) ? Gets::kStored
                                               : static_cast<Gets>(word);
  return TextOf(Text::kDeviceGets,
                {gets, Hex(stored, static_cast<int>(c.FieldBits / 4))});
}

// Why a number cannot be read, and what the installer does then.
enum class Unread { kEmpty, kNoDigits, kTooLarge };
enum class Then { kNotDisabled, kWritten, kInKeyNames };

void CheckUnreadable(CheckState& s, const Number& c,
                     const HexSpelling& spelling) {
  const std::string_view text = c.Text;
  const Unread why = StripBlanks(text).empty() ? Unread::kEmpty
                     : spelling.DigitsBegin == spelling.DigitsEnd ? Unread::kNoDigits
                                                                  : Unread::kTooLarge;
  const Then effect = c.Unlisted  ? Then::kNotDisabled
                      : c.Written ? Then::kWritten
                                  : Then::kInKeyNames;
  s.Add(Check::kBadNumber, s.At(text),
        {why, Quote(text), std::to_string(c.Width),
         Hex(~0ull >> (64 - c.Width)), effect, Quote(c.Key), Stored(c)});
}

// Digits that look decimal where the installer reads hexadecimal.
void CheckDecimalHabit(CheckState& s, const Number& c,
                       const HexSpelling& spelling) {
  if (spelling.Prefix || spelling.Negative || HexSuffix(c)) return;
  const std::string_view spelled = c.Text.substr(
      spelling.DigitsBegin, spelling.DigitsEnd - spelling.DigitsBegin);
  const std::string digits(WithoutLeadingZeros(spelled));
  const auto field = [&c] { return Quote(c.Key); };
  const bool counts = c.Written;
  // "10d": a decimal number marked as some tools mark it. IDs are
  // hexadecimal by habit, and may well end in D.
  const std::string marked = digits.substr(0, digits.size() - 1);
  if ((counts || c.FieldBits == 8) && !marked.empty() &&
      IsDecimal(marked) && (digits.back() == 'd' || digits.back() == 'D')) {
    const std::uint64_t decimal = DecimalValue(marked);
    s.Add(Check::kDecimalSuffix, s.At(spelled),
          {field(), digits, Hex(c.Reading.Value), Hex(decimal),
           std::to_string(decimal)});
    return;
  }
  if (digits.size() < 2 || !IsDecimal(digits)) return;
  const std::uint64_t decimal = DecimalValue(digits);
  if (counts) {
    s.Add(Check::kHexCount, s.At(spelled),
          {field(), digits, std::to_string(c.Reading.Value), Hex(decimal)});
  } else if (c.FieldBits == 8 && decimal <= 0xFF) {
    s.Add(Check::kDecimalId, s.At(spelled),
          {field(), DeviceGets(c, c.Stored), digits, Hex(decimal, 2)});
  }
}

// What follows the digits: a comment, or text the reading ignores.
void CheckRest(CheckState& s, const Number& c) {
  const std::string_view text = c.Text;
  if (c.Reading.End >= text.size() || HexSuffix(c)) return;
  const std::string_view rest = text.substr(c.Reading.End);
  const std::string_view rest_stripped = StripBlanks(rest);
  if (rest_stripped.front() == '#' || rest_stripped.front() == ';') {
    s.Add(Check::kNumberComment, s.At(rest_stripped));
    return;
  }
  s.Add(Check::kNumberTrailingText, s.At(rest),
        {Quote(text.substr(0, c.Reading.End)), Hex(c.Reading.Value),
         Quote(rest)});
}

void CheckNumber(CheckState& s, const Number& c) {
  const HexSpelling spelling = SpellHexNumber(c.Text);
  if (!c.Reading.Ok) {
    CheckUnreadable(s, c, spelling);
    return;
  }
  if (c.Unlisted) return;  // the list is full

  CheckDecimalHabit(s, c, spelling);
  const std::string_view digits = c.Text.substr(
      spelling.DigitsBegin, spelling.DigitsEnd - spelling.DigitsBegin);
  const std::size_t most = c.FieldBits / 4;
  if (!c.Written && digits.size() > most && !c.BitsDropped() &&
      !spelling.Negative) {
    s.Add(Check::kIdDigits, s.At(digits),
          {Quote(c.Key), std::to_string(digits.size()),
           std::to_string(most), DeviceGets(c, c.Stored)});
  }
  if (c.BitsDropped()) {
    s.Add(Check::kTruncatedNumber, s.At(digits),
          {Quote(c.Key), std::to_string(c.FieldBits),
           Hex(c.Reading.Value), Stored(c)});
  }
  if (spelling.Negative) {
    s.Add(Check::kNegativeNumber, s.At(c.Text), {Stored(c)});
  }
  CheckRest(s, c);
}

// A number key: what its field holds after the reading.
template <typename Entry, typename Field>
void CheckRow(CheckState& s, const NumberKey<Entry, Field>& row,
              const Entry& entry) {
  Number c;
  c.Key = row.Key;
  c.Written = row.ValueName != nullptr;
  c.Text = s.Value;
  c.Width = row.Width;
  c.FieldBits = 8 * sizeof(Field);
  c.Reading = ReadHexNumber(c.Text, c.Width);
  c.Stored = entry.*row.Field;
  CheckNumber(s, c);
  const std::string_view key = row.Key;
  const int id = key == "VID" ? 0 : key == "PID" ? 1 : -1;
  if (id >= 0 && c.Reading.Ok) {
    s.Section.ZeroIds[id] = c.Reading.Value == 0 ? s.At(c.Text) : Place{};
  }
  if (id >= 0) {
    s.Section.Ids[id] = std::string(StripBlanks(s.Value));
    s.Section.IdPlaces[id] = s.At(s.Value);
  }
  NoteValue(s, &c.Stored, false);
}

// An interface to disable, added to a list while it has room.
void CheckRow(CheckState& s, const DisableListKey& row, const DeviceEntry&) {
  Number c;
  c.Key = row.Key;
  c.List = true;
  c.Text = s.Value;
  c.Width = row.Width;
  c.FieldBits = 8;
  c.Reading = ReadHexNumber(c.Text, c.Width);
  OpenSection& section = s.Section;
  const bool room = section.Disables < kMaxDisabledInterfaces;
  c.Unlisted = !c.Reading.Ok || !room;
  c.Stored = c.Reading.Value & 0xFF;
  section.Disables += c.Unlisted ? 0 : 1;
  CheckNumber(s, c);
  if (c.Reading.Ok && !room && section.IgnoredDisables++ == 0) {
    section.FirstIgnoredDisable = s.At(s.Key);
  }
  NoteValue(s, nullptr, true);
}

// What desktop Windows name a value holds; what a control character does.
enum class Desktop { kDriver, kProvider, kModemClass, kNone };
enum class Control { kWritten, kNul };

constexpr int kGuidDigits[5] = {8, 4, 4, 4, 12};
constexpr unsigned kGuidFieldBits[5] = {32, 16, 16, 16, 48};
// The setup class of desktop modems, which names no interface.
constexpr GUID kDesktopModemClass = {
    0x4D36E96D, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

// Why the groups do not read as written: the malformed-guid message's
// alternatives, then what the guid-separators note says, then none.
enum class Fault { kEmpty, kUnread, kUnreadLast, kEnds, kEndsLast, kBlanks,
                   kStops, kOneDigit, kFewer, kMore, kSign, kRest, kPast,
                   kSeparatorsOnly, kNone };

// The fault, and the message's arguments after the GUID.
Fault GuidFault(const GuidGroups& g, std::string_view text, Args* args) {
  const auto group = [](int i) { return std::to_string(i + 1); };
  if (StripBlanks(text).empty()) return Fault::kEmpty;
  if (g.Read < 5) {
    const bool last = g.Read == 4;  // the group that failed
    *args = {group(g.Read), std::to_string(g.Read)};
    if (g.Tried > g.Read) return last ? Fault::kUnreadLast : Fault::kUnread;
    return last ? Fault::kEndsLast : Fault::kEnds;
  }
  for (int i = 0; i < 5; ++i) {
    const std::size_t start = g.Start[i];
    const HexNumber& n = g.Group[i];
    const std::uint64_t stored =
        n.Value & ((std::uint64_t{1} << kGuidFieldBits[i]) - 1);
    // Blanks where "-" belongs: the reader skips them and takes the
    // group's first digit for the separator.
    if (i > 0 && start - 1 > g.Group[i - 1].End &&
        std::isxdigit(static_cast<unsigned char>(text[start - 1])) != 0) {
      *args = {group(i), Quote(text.substr(start - 1, 1)),
               Hex(stored, kGuidDigits[i])};
      return Fault::kBlanks;
    }
    const HexSpelling spelling = SpellHexNumber(text, start);
    const int digits =
        static_cast<int>(spelling.DigitsEnd - spelling.DigitsBegin);
    if (i < 4 && n.End < text.size() &&
        std::isalnum(static_cast<unsigned char>(text[n.End])) != 0) {
      *args = {group(i), Quote(text.substr(n.End, 1))};
      return Fault::kStops;
    }
    if (digits != kGuidDigits[i]) {
      *args = {group(i), std::to_string(digits),
               std::to_string(kGuidDigits[i]), Hex(stored, kGuidDigits[i])};
      // Past 16 digits of value the reading is all ones.
      const std::size_t value_digits =
          WithoutLeadingZeros(text.substr(spelling.DigitsBegin,
                                          static_cast<std::size_t>(digits)))
              .size();
      return value_digits > 16 ? Fault::kPast
             : digits > kGuidDigits[i] ? Fault::kMore
             : digits == 1             ? Fault::kOneDigit
                                       : Fault::kFewer;
    }
    if (spelling.Prefix || spelling.Negative) {
      *args = {group(i)};
      return Fault::kSign;
    }
  }
  // Blanks inside the braces read alike; anything else after the last
  // group is ignored.
  const std::string_view rest = text.substr(g.Group[4].End);
  if (!StripBlanks(rest).empty()) {
    *args = {Quote(rest)};
    return Fault::kRest;
  }
  for (int i = 1; i < 5; ++i) {
    if (text[g.Start[i] - 1] != '-') return Fault::kSeparatorsOnly;
  }
  return Fault::kNone;
}

void CheckRow(CheckState& s, const GuidKey& row, const DeviceEntry& entry) {
  const std::string_view text = GuidBody(s.Value);
  const GUID& guid = entry.*row.Field;
  // What the installer writes, as its writer spells it.
  const auto shown = [&guid] {
    char16_t wide[64];
    GuidText(wide, guid);
    return Utf16ToUtf8(wide);
  };
  Args args;
  const Fault form = GuidFault(ReadGuidGroups(text), text, &args);
  if (form == Fault::kSeparatorsOnly) {
    s.Add(Check::kGuidSeparators, s.At(s.Value), {shown()});
  } else if (form != Fault::kNone) {
    args.insert(args.begin(), {form, shown()});
    s.Add(Check::kMalformedGuid, s.At(s.Value), args);
  }
  NoteValue(s, nullptr, false);
  if (std::memcmp(&guid, &kDesktopModemClass, sizeof guid) == 0) {
    s.Add(Check::kDesktopName, s.At(s.Value),
          {Desktop::kModemClass, shown(), Quote(Utf16ToUtf8(row.ValueName))});
  }
}

// A "%Token%" of an INF file's strings in the value (a letter first), or
// empty.
std::string_view InfToken(std::string_view value) {
  for (std::size_t open = value.find('%');
       open != std::string_view::npos && open + 1 < value.size();
       open = value.find('%', open + 1)) {
    if (std::isalpha(static_cast<unsigned char>(value[open + 1])) == 0) continue;
    std::size_t end = open + 1;
    while (end < value.size() &&
           (std::isalnum(static_cast<unsigned char>(value[end])) != 0 ||
            value[end] == '_' || value[end] == '.')) {
      ++end;
    }
    if (end > open + 1 && end < value.size() && value[end] == '%') {
      return value.substr(open, end - open + 1);
    }
  }
  return {};
}

// A text key as its row has it.
struct TextField {
  const char* Key;
  std::size_t Capacity;        // units with the NUL
  const char16_t* ValueName;   // the registry value; null for an init string
  bool Command;                // a modem command: Init0..15, the Settings
};

// The value's own comment or punctuation, written with it: the root of
// what else its line shows.
void CheckTextEnd(CheckState& s, const TextField& f) {
  // What the installer keeps of the value: what lies beyond is cut away.
  const std::string_view value = s.Value.substr(0, f.Capacity - 1);
  const auto field = [&f] { return Quote(f.Key); };
  for (std::size_t i = 1; i < value.size(); ++i) {
    const bool comment = (value[i] == '#' || value[i] == ';') &&
                         (value[i - 1] == ' ' || value[i - 1] == '\t');
    // "//" is no comment in a modem's commands (ATD//).
    if (comment || (value.substr(i - 1, 2) == "//" && !f.Command)) {
      const std::size_t at = comment ? i : i - 1;
      s.AddRoot(Check::kInlineComment, s.At(value.substr(at)),
                {std::string(value.substr(at, comment ? 1 : 2)), Quote(value),
                 field()});
      return;
    }
  }
  enum class Syntax { kSemicolon, kQuote, kBackslash, kNone };
  Syntax form = Syntax::kNone;
  if (!value.empty() && value.back() == ';' && !f.Command) {
    form = Syntax::kSemicolon;
  } else if (std::count(value.begin(), value.end(), '"') % 2 != 0) {
    form = Syntax::kQuote;
  } else if (!value.empty() && value.back() == '\\') {
    form = Syntax::kBackslash;
  }
  if (form != Syntax::kNone) {
    const std::size_t at =
        form == Syntax::kQuote ? value.find('"') : value.size() - 1;
    s.AddRoot(Check::kValueSyntax, s.At(value.substr(at, 1)),
              {form, Quote(value), field()});
  }
}

bool IsQuote(char c) { return c == '"' || c == '\''; }

void CheckText(CheckState& s, const TextField& facts) {
  const std::string_view value = s.Value;
  const std::string_view key = facts.Key;
  const auto field = [&facts] { return Quote(facts.Key); };
  const auto value_name = [&facts] {
    return Quote(facts.ValueName == nullptr ? "" : Utf16ToUtf8(facts.ValueName));
  };
  CheckTextEnd(s, facts);
  const bool modem = s.Section.Info.Kind == SectionKind::kModem;
  if (key == "BaudRate") {
    s.AddRoot(Check::kBaudRateType, s.At(value), {field(), Quote(value)});
  }
  if (key == "DLL" && value.empty()) {
    s.Add(Check::kEmptyDll, s.At(value));
  }
  if ((key == "TSP" || key == "FriendlyName") && value.empty()) {
    s.Add(Check::kEmptyText, s.At(value), {field()});
  }
  if (key == "BaudRate" && (value.empty() || !IsDecimal(value))) {
    s.Add(Check::kDecimalText, s.At(value), {field(), Quote(value)});
  }
  if (value.size() >= 2 && IsQuote(value.front()) &&
      value.back() == value.front()) {
    const std::string_view unquoted = value.substr(1, value.size() - 2);
    s.Add(Check::kQuotedValue, s.At(value),
          {field(), Quote(std::string(s.Key) + " = " + std::string(unquoted))});
  }
  // Only what the field keeps reaches the device.
  const std::string_view written = value.substr(0, facts.Capacity - 1);
  const std::size_t control =
      std::find_if(written.begin(), written.end(), [](char c) {
        const unsigned char u = static_cast<unsigned char>(c);
        return (u < 0x20 && u != '\t') || u == 0x7F;
      }) - written.begin();
  if (control < written.size()) {
    const bool nul = written[control] == '\0';
    s.Add(Check::kControlByte, s.At(written.substr(control, 1)),
          {"0x" + HexDigits(static_cast<unsigned char>(written[control]), 2),
           field(), nul ? Control::kNul : Control::kWritten,
           Quote(nul ? written.substr(0, control) : written)});
  }
  for (std::size_t i = 0; i < written.size(); ++i) {
    if (static_cast<unsigned char>(written[i]) >= 0x80) {
      s.Add(Check::kHighByte, s.At(written.substr(i, 1)),
            {field(), Quote(WidenedAsUtf8(written))});
      break;
    }
  }
  const Desktop desktop = key == "DLL" && EndsWithFolded(value, ".sys") ? Desktop::kDriver
                          : key == "TSP" && KeyIs(value, "unimdm.tsp")
                              ? Desktop::kProvider
                              : Desktop::kNone;
  if (desktop != Desktop::kNone) {
    s.Add(Check::kDesktopName, s.At(value), {desktop, Quote(value), value_name()});
  }
  // A modem's commands hold "%" of their own (AT&F%C0).
  if (const std::string_view token = facts.Command ? "" : InfToken(value);
      !token.empty()) {
    s.Add(Check::kInfToken, s.At(token),
          {Quote(token), value_name(), Quote(value)});
  }
  // The command prefix of a modem, where the port's belongs.
  if (modem && key == "Prefix" && value.size() >= 3 &&
      KeyIs(value.substr(0, 3), "COM") && IsDecimal(value.substr(3))) {
    s.Add(Check::kModemPrefix, s.At(value), {Quote(value)});
  }
  const std::size_t kept = facts.Capacity - 1;
  if (value.size() > kept) {
    s.Add(Check::kTextCut, s.At(value.substr(kept)),
          {field(), std::to_string(kept), std::to_string(value.size())});
  }
  NoteValue(s, nullptr, false);
  CheckReaderText(s, key, written, facts.Command);
}

template <typename Entry, std::size_t Capacity>
void CheckRow(CheckState& s, const TextKey<Entry, Capacity>& row, const Entry&) {
  bool command = false;
  if constexpr (std::is_same_v<Entry, ModemEntry> && Capacity == kTextCapacity) {
    command = &row >= std::begin(kModemSettingsKeys) &&
              &row < std::end(kModemSettingsKeys);
  }
  CheckText(s, {row.Key, Capacity, row.ValueName, command});
}

void CheckRow(CheckState& s, const InitKey& row, const ModemEntry&) {
  CheckText(s, {row.Key, kTextCapacity, nullptr, true});
}

template <typename Entry>
void CheckRow(CheckState&, const IgnoredKey&, const Entry&) {}

template <typename Entry>
void CheckKey(CheckState& s, std::size_t index, const Entry& entry) {
  WithRow<Entry>(index, [&](const auto& row) {
    using Row = std::decay_t<decltype(row)>;
    CheckAppliedKey(s, index, row.Key, std::is_same_v<Row, IgnoredKey>,
                    std::is_same_v<Row, DisableListKey>);
    CheckRow(s, row, entry);
  });
}

}  // namespace

void CheckKeyLine(CheckState& s, std::size_t row, const DeviceEntry& entry) {
  CheckKey(s, row, entry);
}

void CheckKeyLine(CheckState& s, std::size_t row, const ModemEntry& entry) {
  CheckKey(s, row, entry);
}

}  // namespace tarnwell::check
