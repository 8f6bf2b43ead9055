// The lines of the file as the installer's reader takes them: the file as
// a whole, each line, headers, keys and the end of each section; and what
// the checks of a file share (CheckState).
#include <algorithm>
#include <cctype>
#include <iterator>

#include "check/Checks.h"
#include "check/Text.h"
#include "config/KeyName.h"
#include "config/LineSyntax.h"
#include "registry/KeyPaths.h"
#include "regstore/Utf.h"

namespace tarnwell::check {
namespace {

// Messages name sections often (every ignored line, every shared value),
// so a long name is shortened: a report stays linear in the file's size.
constexpr std::size_t kShownNameLength = 60;

std::string ShownName(const std::string& name) {
  if (name.size() <= kShownNameLength) return Quote(name);
  return Quote(name.substr(0, kShownNameLength - 3) + "...");
}

// The alternatives of messages, in their order.
enum class Levels { kFirst, kSecond, kThird };  // of a key's groups
enum class Named { kVendor, kProduct };
enum class Default { kDeviceGroup, kInterfaceGroup };
enum class InitFault { kNoNumber, kLeadingZero, kBeyond };
enum class Unclosed { kIgnored, kUnknownKey };
enum class Still { kFree, kInSection };
enum class Ignored { kKeyLine, kLine };
enum class Empty { kBlank, kNoHeader };
enum class Orphans { kInSection, kIgnored };
enum class NearMiss { kSpelling, kBlanks };
enum class Count { kOne, kMore };
enum class IdKeys { kModem, kDisabled };
// What a key is: of no effect here, or one of the other kind of section;
// what an unknown key resembles.
enum class KeyOf { kNothing, kModems, kDevices };
enum class Resembles { kNothing, kNearest, kDevices, kModems };
enum class Invisible { kMark, kNoBreak, kSoftHyphen, kZeroWidth, kNonJoiner,
                       kJoiner, kNarrowNoBreak, kWordJoiner };

// The characters that show as nothing or as a blank, in the order of the
// invisible-byte message's names.
constexpr char32_t kInvisibles[] = {0xFEFF, 0x00A0, 0x00AD, 0x200B,
                                    0x200C, 0x200D, 0x202F, 0x2060};

bool IsKeyCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
         (c >= '0' && c <= '9') || c == '_';
}

bool IsKnownInEither(std::string_view word) {
  return RowOf(SectionKind::kDevice, word) != kNoKey ||
         RowOf(SectionKind::kModem, word) != kNoKey;
}

// "GUID: {...}" or "IFC_Disable 0x03": a known key, then a colon or blanks
// where "=" belongs. True with the key, the gap and the value.
bool SplitAlmostKey(std::string_view line, std::string_view* key,
                    std::string_view* gap, std::string_view* value) {
  std::size_t end = 0;
  while (end < line.size() && IsKeyCharacter(line[end])) ++end;
  if (end == 0 || end == line.size()) return false;
  std::size_t next = end;
  while (next < line.size() && IsLineBlank(line[next])) ++next;
  const bool colon = next < line.size() && line[next] == ':';
  if (!colon && next == end) return false;  // "GUID{...}": not a key line
  if (colon) ++next;
  *key = line.substr(0, end);
  *gap = line.substr(end, next - end);
  *value = StripBlanks(line.substr(next));
  // The line ends in no blank: blanks without a colon have a value after.
  return IsKnownInEither(*key);
}

// A name that a user meant as MODEM SETTINGS: its letters, in any case
// and with anything between them, spell it, its singular or a slip of two
// letters from it.
bool MeansModemSection(std::string_view name) {
  static constexpr char kModemSpelling[] = "MODEMSETTINGS";
  if (name.size() > 2 * sizeof kModemSpelling) return false;
  std::string letters;
  for (char c : name) {
    if (std::isalpha(static_cast<unsigned char>(c)) != 0) {
      letters += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
  }
  // Two slips at most: a length further off than that cannot be one.
  const std::size_t spelling = sizeof kModemSpelling - 1;
  if (letters.size() + 2 < spelling || letters.size() > spelling + 2) {
    return false;
  }
  return KeyDistance(letters, kModemSpelling) <= 2;
}

// An unclosed header: its finding is the root of the lines after it when
// it meant to open a modem section.
void UnclosedHeader(CheckState& s, const Place& place, const Args& args,
                    std::string_view name) {
  const Diagnostic& d = s.Add(Check::kUnclosedHeader, place, args);
  if (MeansModemSection(name)) s.Root = s.IndexOf(d);
}

// The finding just made is the root of what the section's misread header
// brings about; when it is a note of its line's root, that root is.
void MakeRoot(CheckState& s, const Diagnostic& d) {
  const std::size_t root = s.IndexOf(d);
  s.Root = s.Section.Info.Root = root != kNoRoot ? root : s.LineRoot;
}

std::string DeviceGroup(const DeviceEntry& d) {
  return TextOf(Text::kDeviceGroup,
                {d.HasPid ? Named::kProduct : Named::kVendor, Hex(d.Vid, 4),
                 Hex(d.Pid, 4)});
}

// What the load-client key matches when a level of it is "Default".
void CheckLoadClientMatch(CheckState& s, const DeviceEntry& d,
                          const char16_t* path) {
  if (d.HasVid && d.HasIfcClass) return;
  const std::string key = Utf16ToUtf8(path);
  if (!d.HasVid && !d.HasIfcClass) {
    s.Add(Check::kAnyDevice, s.Section.Info.Header, {key});
  } else {
    s.Add(Check::kDefaultLevel, s.Section.Info.Header,
          {key, d.HasVid ? Default::kInterfaceGroup : Default::kDeviceGroup,
           d.HasVid ? DeviceGroup(d) : InterfaceGroup(d)});
  }
}

void CheckIgnoredIds(CheckState& s) {
  // Each key with the level above it, in the order of the message.
  static const char* const kAbove[][2] = {{"PID", "VID"},
                                          {"IFC_SubClass", "IFC_Class"},
                                          {"IFC_Protocol", "IFC_SubClass"}};
  for (int i = 0; i < 3; ++i) {
    const Place* key = s.Section.Given(kAbove[i][0]);
    if (key != nullptr && s.Section.Given(kAbove[i][1]) == nullptr) {
      s.Add(Check::kIgnoredId, *key, {static_cast<Levels>(i)});
    }
  }
}

// A section that names the device or interface of one before it: a copy
// left as it was. (Sections that name none are said by other checks.)
void CheckSameInterface(CheckState& s, const char16_t* path) {
  if (s.Section.Given("VID") == nullptr ||
      (s.Section.Info.Kind == SectionKind::kModem &&
       s.Section.Given("PID") == nullptr)) {
    return;
  }
  const bool modem = s.Section.Info.Kind == SectionKind::kModem;
  const std::vector<SectionInfo>& done = modem ? s.Modems : s.Devices;
  const std::uint64_t values = SectionValues(s);
  const auto [named, added] =
      s.NamedBy.emplace(path, std::make_pair(done.size(), values));
  // A copy that writes the same values replaces nothing.
  if (added || named->second.second == values) return;
  const Diagnostic& d = s.Add(
      Check::kSameInterface, s.Section.Info.Header,
      {s.Section.Info.Kind, DescribeSection(done[named->second.first]),
       Utf16ToUtf8(path)});
  if (s.Section.Info.Root == kNoRoot) MakeRoot(s, d);
}

// "Init", "Init01", "Init16": true when it said so.
bool CheckInitNumber(CheckState& s, const Place& place) {
  const std::string_view key = s.Key;
  if (key.size() < 4 || !KeyIs(key.substr(0, 4), kInitStem)) return false;
  const std::string_view digits = key.substr(4);
  if (!digits.empty() && !IsDecimal(digits)) return false;
  // A single digit names an init string, so the key was not unknown.
  const InitFault form = digits.empty()          ? InitFault::kNoNumber
                        : digits.front() == '0' ? InitFault::kLeadingZero
                                                : InitFault::kBeyond;
  s.Add(Check::kInitNumber, place,
        {form, Quote(key), std::string(WithoutLeadingZeros(digits))});
  return true;
}

}  // namespace

std::string InterfaceGroup(const DeviceEntry& d) {
  const int levels = !d.HasIfcSubClass ? 0 : !d.HasIfcProtocol ? 1 : 2;
  return TextOf(Text::kInterfaceGroup,
                {Hex(d.IfcClass, 2), static_cast<Levels>(levels),
                 Hex(d.IfcSubClass, 2), Hex(d.IfcProtocol, 2)});
}

std::string DescribeSection(const SectionInfo& section) {
  return TextOf(Text::kSection, {section.Kind, ShownName(section.Name),
                                 std::to_string(section.Header.Line)});
}

const Place* OpenSection::Given(std::string_view key) const {
  // The checks ask for a few keys of every section: each row is looked up
  // once, by the rows' own spelling.
  static std::vector<std::pair<std::string_view, std::size_t>> rows[2];
  auto& known = rows[Info.Kind == SectionKind::kDevice ? 0 : 1];
  auto it = std::find_if(known.begin(), known.end(),
                         [key](const auto& row) { return row.first == key; });
  if (it == known.end()) it = known.insert(it, {key, RowOf(Info.Kind, key)});
  const std::size_t row = it->second;
  return row == kNoKey || Keys[row].Line == 0 ? nullptr : &Keys[row];
}

std::size_t CheckState::Column(std::string_view view) const {
  return static_cast<std::size_t>(view.data() - Text.data()) + 1;
}

Place CheckState::At(std::string_view view) const {
  return Place{LineNumber, Column(view), view.empty() ? 1 : view.size()};
}

Diagnostic& CheckState::Add(Check check, const Place& place, const Args& args) {
  Diagnostic d = MakeDiagnostic(check, place, args);
  if (LineRoot != kNoRoot && d.Level != Severity::kError &&
      place.Line == LineNumber) {
    return Attach(LineRoot, std::move(d));
  }
  const std::size_t roots[] = {kNoRoot, Root, Section.Info.Root};
  std::size_t root = roots[static_cast<std::size_t>(InfoOf(check).From)];
  // An error follows from an error only: as a warning's note it would
  // count as less than it is.
  if (root != kNoRoot && d.Level == Severity::kError &&
      Diagnostics[root].Level != Severity::kError) {
    root = kNoRoot;
  }
  return Attach(root, std::move(d));
}

Diagnostic& CheckState::AddRoot(Check check, const Place& place,
                                const Args& args) {
  Diagnostic& d = Add(check, place, args);
  if (LineRoot == kNoRoot) LineRoot = IndexOf(d);
  return d;
}

Diagnostic& CheckState::Attach(std::size_t root, Diagnostic d) {
  if (root == kNoRoot) {
    Diagnostics.push_back(std::move(d));
    return Diagnostics.back();
  }
  d.FollowOn = true;
  std::vector<Diagnostic>& notes = Diagnostics[root].Notes;
  notes.push_back(std::move(d));
  return notes.back();
}

std::size_t CheckState::IndexOf(const Diagnostic& d) const {
  // d stands on its own, or is a note of a finding before it.
  return &d == &Diagnostics.back() ? Diagnostics.size() - 1 : kNoRoot;
}

void CheckEncoding(CheckState& s, std::string_view head) {
  const bool bom =
      head.size() >= 2 && ((head[0] == '\xFF' && head[1] == '\xFE') ||
                           (head[0] == '\xFE' && head[1] == '\xFF'));
  // Without a mark, UTF-16 text has NULs in the high bytes of its ASCII
  // characters: a quarter of the bytes at even or at odd places at least,
  // and more than one. A stray NUL is a control character of a line.
  std::size_t nuls[2] = {0, 0};
  for (std::size_t i = 0; i < head.size(); ++i) nuls[i % 2] += head[i] == '\0';
  const std::size_t most = std::max(nuls[0], nuls[1]);
  if (!bom && (most < 2 || 4 * most < head.size() / 2)) return;
  s.Utf16 = true;
  s.Root = s.Diagnostics.size();  // the file reads as nothing: see below
  s.Add(Check::kUtf16File, Place{1, 0, 1});
}

void CheckLineStart(CheckState& s) {
  s.LineRoot = kNoRoot;
  const std::string_view stripped = StripBlanks(s.Text);
  const std::size_t cr = stripped.find('\r');
  if (cr != std::string_view::npos) {
    if (s.CrRoot == kNoRoot) {
      s.CrRoot = s.Diagnostics.size();
      s.Add(Check::kCrLineEnds, s.At(stripped.substr(cr, 1)));
    }
    s.LineRoot = s.CrRoot;
  }
  // The first invisible character of the line, read as UTF-8 where it is
  // and byte by byte (Latin-1) elsewhere. None is ASCII.
  if (std::none_of(stripped.begin(), stripped.end(),
                   [](char c) { return (c & 0x80) != 0; })) {
    return;
  }
  for (std::size_t i = 0; i < stripped.size();) {
    char32_t c = static_cast<unsigned char>(stripped[i]);
    const std::size_t length = std::max<std::size_t>(
        regstore::DecodeUtf8(stripped, i, &c), 1);
    const char32_t* name = std::find(std::begin(kInvisibles),
                                     std::end(kInvisibles), c);
    if (name == std::end(kInvisibles)) {
      i += length;
      continue;
    }
    const Diagnostic& d = s.AddRoot(
        Check::kInvisibleByte, s.At(stripped.substr(i, length)),
        {"U+" + HexDigits(c, 4), static_cast<Invisible>(name - kInvisibles)});
    // A header behind it is none: the lines after it are misread too.
    const std::string rest =
        std::string(stripped.substr(0, i)) + std::string(stripped.substr(i + length));
    if (s.Kind != LineKind::kHeader && !rest.empty() && rest.front() == '[' &&
        rest.find(']') != std::string::npos) {
      s.Root = s.IndexOf(d);
    }
    return;
  }
}

void CheckComment(CheckState& s) {
  const std::string_view stripped = StripBlanks(s.Text);
  const std::size_t after = stripped.find_first_not_of("#;");
  const std::string_view body =
      after == std::string_view::npos ? "" : StripBlanks(stripped.substr(after));
  if (!body.empty() && body.front() == '[' && body.back() == ']') {
    s.CommentedHeader = s.At(body);
    return;
  }
  std::string_view text = StripBlanks(stripped.substr(1));
  constexpr std::string_view kTool = "tarnwell-check:";
  if (text.substr(0, kTool.size()) != kTool) return;
  text = StripBlanks(text.substr(kTool.size()));
  if (text.substr(0, 8) != "disable=") return;
  text.remove_prefix(8);
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const CheckInfo* info = FindCheck(StripBlanks(text.substr(0, comma)));
    if (info != nullptr && info->Stays == Fixed::kOptional) {
      s.Disabled.emplace(s.LineNumber + 1, info->Id);
    }
    text = comma == std::string_view::npos ? "" : text.substr(comma + 1);
  }
}

void CheckIgnoredLine(CheckState& s) {
  if (s.LineNumber == s.EndOfFileMark) return;
  const std::string_view stripped = StripBlanks(s.Text);
  const bool bracket = stripped.front() == '[';
  const bool equals = stripped.find('=') != std::string_view::npos;
  if (bracket && !equals) {
    const bool inside = s.Kind == LineKind::kOther;
    UnclosedHeader(s, s.At(stripped),
                   {Unclosed::kIgnored, inside ? Still::kInSection : Still::kFree,
                    DescribeSection(s.Section.Info)},
                   stripped.substr(1));
    return;
  }
  if (s.Kind == LineKind::kBeforeSection) {
    s.Add(Check::kBeforeSection, s.At(stripped),
          {equals ? Ignored::kKeyLine : Ignored::kLine});
    return;
  }
  std::string_view key, gap, value;
  if (SplitAlmostKey(stripped, &key, &gap, &value)) {
    s.Add(Check::kMissingEquals, s.At(gap),
          {Quote(key), Quote(std::string(key) + " = " + std::string(value))});
    return;
  }
  s.Add(Check::kIgnoredLine, s.At(stripped));
}

void CheckOrphanedKeys(CheckState& s) {
  if (s.CommentedHeader.Line == 0) return;
  const Diagnostic& d =
      s.Add(Check::kCommentedHeader, s.CommentedHeader,
            {s.Open ? Orphans::kInSection : Orphans::kIgnored,
             DescribeSection(s.Section.Info)});
  s.CommentedHeader = Place{};
  s.Root = s.IndexOf(d);
}

void CheckWholeFile(CheckState& s) {
  if (s.AnySection) return;
  bool blank = true;
  for (std::size_t n = 1; n <= s.Lines.Count() && blank; ++n) {
    blank = StripBlanks(s.Lines.Line(n)).empty();
  }
  s.Add(Check::kEmptyConfig, Place{},
        {blank ? Empty::kBlank : Empty::kNoHeader});
}

void CheckHeader(CheckState& s, std::string_view name) {
  if (s.Section.Info.Kind == SectionKind::kDevice) {
    const std::size_t bracket = name.find(']');
    if (bracket != std::string_view::npos) {
      const bool modem =
          IsModemSectionName(StripBlanks(name.substr(0, bracket)));
      const Diagnostic& d =
          s.Add(Check::kHeaderText, s.At(name.substr(bracket)),
                {Quote(name), modem ? SectionKind::kModem : SectionKind::kDevice});
      if (modem) MakeRoot(s, d);
    } else if (StripBlanks(name) != name &&
               IsModemSectionName(StripBlanks(name))) {
      MakeRoot(s, s.Add(Check::kModemHeader, s.At(name),
                        {NearMiss::kBlanks, Quote(name)}));
    } else if (MeansModemSection(name)) {
      MakeRoot(s, s.Add(Check::kModemHeader, s.At(name),
                        {NearMiss::kSpelling, Quote(name)}));
    }
  }
  if (name.find('=') != std::string_view::npos) {
    s.Add(Check::kHeaderKey, s.At(name));
  }
}

void CheckRefusedSection(CheckState& s) {
  const SectionInfo& info = s.Section.Info;
  Diagnostic& error =
      s.Add(Check::kMissingDll, info.Header,
            {info.Kind, Quote(info.Name)});
  if (s.LineNumber == s.StopLine) {
    error.Notes.push_back(NoteAt(s.At(StripBlanks(s.Text)), Text::kStopsHere));
  }
}

void CheckFinishedSection(CheckState& s) {
  const OpenSection& section = s.Section;
  if (section.IgnoredDisables > 0) {
    const std::size_t more = section.IgnoredDisables - 1;
    s.Add(Check::kTooManyDisables, section.FirstIgnoredDisable,
          {more == 0 ? Count::kOne : Count::kMore, std::to_string(more)});
  }
  // Interface keys of a modem, or of a device's disabled interfaces.
  const bool modem = section.Info.Kind == SectionKind::kModem;
  const Place* keys =
      modem ? &section.Info.Header : section.Given("IFC_Disable");
  for (const char* id : {"VID", "PID"}) {
    if (keys != nullptr && section.Given(id) == nullptr) {
      s.Add(Check::kMissingId, *keys,
            {id, modem ? IdKeys::kModem : IdKeys::kDisabled});
    }
  }
  // The key that names the device: where the installer writes it.
  char16_t path[kKeyPathCapacity];
  if (modem) {
    const ModemEntry& m = s.Config->Modems.back();
    InterfaceKeyPath(path, kClientDriver, m.Vid, m.Pid, m.Ifc);
  } else {
    LoadClientKeyPath(path, s.Config->Devices.back());
  }
  for (int i = 0; i < 2; ++i) {
    if (section.ZeroIds[i].Line != 0) {
      s.Add(Check::kZeroId, section.ZeroIds[i],
            {Quote(i == 0 ? "VID" : "PID"), Utf16ToUtf8(path)});
    }
  }
  CheckSameInterface(s, path);
  CheckReaderSection(s, path);
  if (modem) return;
  CheckIgnoredIds(s);
  CheckLoadClientMatch(s, s.Config->Devices.back(), path);
}

void CheckAppliedKey(CheckState& s, std::size_t row, const char* name,
                     bool ignored, bool list) {
  if (ignored) {
    s.Add(Check::kWrongSectionKey, s.At(s.Key), {Quote(name), KeyOf::kNothing});
    return;
  }
  Place& first = s.Section.Keys[row];
  if (first.Line == 0) {
    first = s.At(s.Key);
  } else if (!list) {
    Diagnostic& d = s.Add(Check::kRepeatedKey, s.At(s.Key),
                          {Quote(name), std::to_string(first.Line)});
    d.Notes.push_back(NoteAt(first, Text::kEarlierLine, {Quote(name)}));
  }
}

void CheckUnknownKey(CheckState& s) {
  const SectionKind kind = s.Section.Info.Kind;
  const SectionKind other =
      kind == SectionKind::kDevice ? SectionKind::kModem : SectionKind::kDevice;
  const Place place = s.At(s.Key);
  const std::string key(s.Key);
  if (key.empty()) {
    // The first "=" of the line ends the empty key.
    s.Add(Check::kEmptyKey, s.At(s.Text.substr(s.Text.find('='), 1)));
    return;
  }
  if (key.front() == '[') {
    UnclosedHeader(s, place,
                   {Unclosed::kUnknownKey, Still::kInSection,
                    DescribeSection(s.Section.Info), Quote(key)},
                   std::string_view(key).substr(1));
    return;
  }
  if (kind == SectionKind::kModem && CheckInitNumber(s, place)) return;
  const KeyOf in_other =
      kind == SectionKind::kDevice ? KeyOf::kModems : KeyOf::kDevices;
  if (RowOf(other, key) != kNoKey) {
    s.Add(Check::kWrongSectionKey, place, {Quote(key), in_other});
    return;
  }
  const std::string near = SuggestKey(kind, key);
  const std::string far = near.empty() ? SuggestKey(other, key) : "";
  const Resembles form = !near.empty() ? Resembles::kNearest
                         : far.empty() ? Resembles::kNothing
                         : kind == SectionKind::kDevice ? Resembles::kModems
                                                        : Resembles::kDevices;
  s.Add(Check::kUnknownKey, place, {Quote(key), form, Quote(near + far)});
}

}  // namespace tarnwell::check
