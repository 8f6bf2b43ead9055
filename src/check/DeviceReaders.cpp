// The device's readers of the keys: which interfaces a load-client key
// matches, what Unimodem sends of a modem's values, how LoadLibrary finds
// a driver's name. Each fact is a row below.
#include "check/DeviceReaders.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <iterator>
#include <string_view>

#include "check/Checks.h"
#include "check/Text.h"
#include "config/KeyName.h"
#include "config/LineSyntax.h"
#include "registry/KeyPaths.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

constexpr int kAny = -1;

// Interface groups of a load-client key that serve no serial function
// (USB-IF "Defined Class Codes"; the CDC specification's subclass codes).
// A row matches a key that names at least its levels, with its values.
struct InterfaceRow {
  int Class, SubClass, Protocol;
  int Form;               // of the interface-class message
  const char* Function;   // form 2: what the interface is
};
constexpr InterfaceRow kInterfaceRows[] = {
    {0xEF, 0x02, 0x01, 0, ""},  // a device descriptor's Interface Association
    {0x0A, kAny, kAny, 1, ""},  // CDC Data
    {0x02, 0x06, kAny, 2, "CDC Ethernet (ECM)"},
    {0x02, 0x0D, kAny, 2, "CDC NCM"},
    {0x02, 0x0E, kAny, 2, "CDC MBIM"},
    {0x02, 0x02, 0xFF, 2, "RNDIS"},
    {0xE0, 0x01, 0x03, 2, "RNDIS"},
};

// Unimodem reads the init strings "1" to this number.
constexpr std::size_t kUnimodemInits = 5;
// Characters of Unimodem's device name, without its NUL.
constexpr std::size_t kUnimodemNameLength = 63;
// The tokens Unimodem expands in a command, in any letter case; <hxx> is
// "h" and two hexadecimal digits, and <#> is the number of
// "CallSetupFailTimeout" alone.
constexpr std::string_view kTokens[] = {"cr", "lf"};
constexpr std::string_view kNumberToken = "#";
constexpr std::string_view kNumberField = "CallSetupFailTimeout";
// The tokens that end a command line for the modem.
constexpr std::string_view kCarriageReturns[] = {"<cr>", "<h0d>"};
constexpr std::string_view kLineFeeds[] = {"<lf>", "<h0a>"};
// unimodem.h's device types: 0 is the null modem.
constexpr std::uint32_t kNullModem = 0;
// The device group that names every device.
constexpr char kDefaultGroup[] = "Default";
// The keys of a device's IDs, in the order of ReaderState::Ids.
constexpr std::string_view kIdNames[] = {"VID", "PID"};
// The keys whose value LoadLibrary reads.
constexpr std::string_view kLibraryKeys[] = {"DLL", "TSP"};

bool EndsWithFolded(std::string_view text, std::string_view end) {
  return text.size() >= end.size() &&
         KeyIs(text.substr(text.size() - end.size()), end);
}

bool IsToken(std::string_view word, std::string_view field) {
  for (std::string_view token : kTokens) {
    if (KeyIs(word, token)) return true;
  }
  if (word.size() == 3 && (word[0] == 'h' || word[0] == 'H') &&
      std::isxdigit(static_cast<unsigned char>(word[1])) != 0 &&
      std::isxdigit(static_cast<unsigned char>(word[2])) != 0) {
    return true;
  }
  return word == kNumberToken && KeyIs(field, kNumberField);
}

// A command ends with a carriage return, and perhaps a line feed after it.
bool EndsCommandLine(std::string_view text) {
  for (std::string_view lf : kLineFeeds) {
    if (EndsWithFolded(text, lf)) {
      text.remove_suffix(lf.size());
      break;
    }
  }
  return std::any_of(std::begin(kCarriageReturns), std::end(kCarriageReturns),
                     [&](std::string_view cr) { return EndsWithFolded(text, cr); });
}

void CheckCommand(CheckState& s, std::string_view kept) {
  const std::string_view field = s.Applied->Key;
  for (std::size_t open = kept.find('<'); open != std::string_view::npos;
       open = kept.find('<', open + 1)) {
    const std::size_t close = kept.find_first_of("<>", open + 1);
    if (close == std::string_view::npos || kept[close] != '>' ||
        close == open + 1) {
      continue;
    }
    const std::string_view word = kept.substr(open + 1, close - open - 1);
    if (IsToken(word, field)) continue;
    s.Add(Check::kModemToken, s.At(kept.substr(open, close - open + 1)),
          {Quote(kept.substr(open, close - open + 1)),
           word == kNumberToken ? "1" : "0", Quote(field)});
    break;  // one per value: the rest goes the same way
  }
  if (field.rfind(kInitStem, 0) == 0 && !EndsCommandLine(kept)) {
    s.Add(Check::kInitTerminator, s.At(s.Value),
          {Quote(field), Quote(kept), Quote(std::string(kept) + "<cr>")});
  }
}

void CheckLibraryName(CheckState& s, std::string_view name) {
  // A value written with its comment is said as such: "//" there is none
  // of a path.
  if (s.LineRoot != kNoRoot) return;
  const bool slash = name.find('/') != std::string_view::npos;
  const std::size_t last = name.find_last_of("\\/");
  const bool path = last != std::string_view::npos;
  const bool extension =
      path && name.find('.', last) != std::string_view::npos;
  if (!slash && (!path || extension)) return;
  std::string mended(name);
  std::replace(mended.begin(), mended.end(), '/', '\\');
  if (!extension && path) mended += ".dll";
  s.Add(Check::kDriverPath, s.At(s.Value),
        {Quote(name), Quote(s.Applied->Key), slash ? "0" : "1",
         Quote(std::string(s.Key) + " = " + mended)});
}

// Copies are told apart by a hash of their values, so that a section
// costs no more than its lines.
constexpr std::uint64_t kHashStart = 0xCBF29CE484222325ull;
std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
  hash = (hash ^ value) * 0x9E3779B97F4A7C15ull;
  return hash ^ (hash >> 29);
}

// The open section's values, for telling copies apart.
std::uint64_t SectionValues(const CheckState& s) {
  std::uint64_t hash = kHashStart;
  if (s.Readers.SectionLine != s.Section.Info.Header.Line) return hash;
  for (std::uint64_t value : s.Readers.Values) hash = Mix(hash, value);
  return hash;
}

// A row's hash after the key line: numbers by value; a list's lines add
// up, and a text or GUID line replaces the one before (an empty one is
// given all the same).
std::uint64_t ValueHash(const CheckState& s, std::uint64_t row) {
  const KeyFacts& facts = *s.Applied;
  if (facts.Form == ValueForm::kNumber) {
    return Mix(kHashStart, facts.Stored(facts.Row, s.Entry));
  }
  return Mix(facts.Form == ValueForm::kList ? row : kHashStart + 1,
             std::hash<std::string_view>()(s.Value));
}

std::uint64_t Decimal(std::string_view digits) {
  std::uint64_t n = 0;
  for (char c : digits) n = n * 10 + static_cast<std::uint64_t>(c - '0');
  return n;
}

// "VID = 4046", "PID = 53455": IDs in the decimal of a load-client key
// name. One ID of five digits shows it, for no hexadecimal ID has five.
void CheckDecimalIds(CheckState& s) {
  const ReaderState& r = s.Readers;
  if (r.SectionLine != s.Section.Info.Header.Line) return;
  bool decimal[2] = {false, false};
  bool shown = false;
  for (int i = 0; i < 2; ++i) {
    const std::string_view digits = WithoutLeadingZeros(r.Ids[i]);
    decimal[i] = !r.Ids[i].empty() && IsDecimal(r.Ids[i]) &&
                 Decimal(r.Ids[i]) <= 0xFFFF && digits.size() > 1;
    shown = shown || (decimal[i] && digits.size() == 5);
  }
  if (!shown) return;
  std::string name = decimal[0] ? std::to_string(Decimal(r.Ids[0])) : "";
  if (decimal[1]) name += (name.empty() ? "" : "_") + std::to_string(Decimal(r.Ids[1]));
  for (int i = 0; i < 2; ++i) {
    if (!decimal[i]) continue;
    s.Add(Check::kDecimalKeyId, r.IdPlaces[i],
          {std::string(kIdNames[i]), r.Ids[i], name, Hex(Decimal(r.Ids[i]), 4)});
  }
}

void CheckInterfaceGroup(CheckState& s, const DeviceEntry& d) {
  if (!d.HasIfcClass) return;
  const int levels = !d.HasIfcSubClass ? 1 : !d.HasIfcProtocol ? 2 : 3;
  const int given[3] = {d.IfcClass, d.IfcSubClass, d.IfcProtocol};
  for (const InterfaceRow& row : kInterfaceRows) {
    const int wants[3] = {row.Class, row.SubClass, row.Protocol};
    bool match = true;
    for (int i = 0; i < 3 && match; ++i) {
      if (wants[i] == kAny) continue;
      match = i < levels && given[i] == wants[i];
    }
    if (!match) continue;
    char16_t path[kKeyPathCapacity];
    LoadClientKeyPath(path, d);
    const std::string group =
        TextOf(Text::kInterfaceGroup,
               {Hex(d.IfcClass, 2), std::to_string(levels - 1),
                Hex(d.IfcSubClass, 2), Hex(d.IfcProtocol, 2)});
    s.Add(Check::kInterfaceClass, s.Section.Info.Header,
          {Utf16ToUtf8(path), group, row.Function, std::to_string(row.Form)});
    return;
  }
}

void CheckDeviceSection(CheckState& s) {
  const DeviceEntry& d = s.Config->Devices.back();
  ReaderState& r = s.Readers;
  if (!d.HasVid) {
    r.AnyDevice = true;
  } else if (!d.HasPid) {
    r.Vendors.insert(d.Vid);
  } else {
    r.Devices.insert(std::uint32_t{d.Vid} << 16 | d.Pid);
  }
  CheckInterfaceGroup(s, d);
}

// Which init strings Unimodem sends: "1" on, up to the first gap, at most
// kUnimodemInits. Each string it never sends is said where it stands.
void CheckInitSequence(CheckState& s, const ModemEntry& m) {
  std::size_t gap = 1;
  while (gap < kInitStringCount && m.Init[gap].HasText) ++gap;
  for (std::size_t n = 0; n < kInitStringCount; ++n) {
    if (!m.Init[n].HasText || (n >= 1 && n < gap && n <= kUnimodemInits)) {
      continue;
    }
    const char* form = n == 0 ? "0" : n < gap ? "2" : "1";
    const Place* place = s.Section.Given(kInitKeys[n].Key);
    if (place == nullptr) continue;
    s.Add(Check::kInitSequence, *place,
          {Quote(kInitKeys[n].Key), std::to_string(gap), form});
  }
}

std::string Narrow(const char16_t* text) { return Utf16ToUtf8(text); }

void CheckModemSection(CheckState& s) {
  const ModemEntry& m = s.Config->Modems.back();
  CheckInitSequence(s, m);
  if (!m.HasDeviceType || m.DeviceType == kNullModem) {
    const Place* line = s.Section.Given("DeviceType");
    s.Add(Check::kNullModem, line != nullptr ? *line : s.Section.Info.Header,
          {m.HasDeviceType ? "1" : "0"});
  }
  const std::string prefix = Narrow(m.SettingsPrefix);
  const std::string dial = Narrow(m.DialPrefix);
  if (m.HasSettingsPrefix && m.HasDialPrefix && !prefix.empty() &&
      dial.size() >= prefix.size() && KeyIs(dial.substr(0, prefix.size()), prefix)) {
    if (const Place* line = s.Section.Given("DialPrefix")) {
      s.Add(Check::kDialPrefix, *line,
            {Quote(prefix), Quote(dial), Quote(prefix + dial + "..."),
             Quote(dial.substr(prefix.size()))});
    }
  }
  if (m.HasVid && m.HasPid) {
    s.Readers.Modems.push_back(
        {m.Vid, m.Pid, s.Section.Info.Header, s.Section.Info.Root});
  }
}

}  // namespace

void CheckReaderValue(CheckState& s) {
  ReaderState& r = s.Readers;
  const std::vector<KeyFacts>& keys = KeysOf(s.Section.Info.Kind);
  if (r.SectionLine != s.Section.Info.Header.Line) {
    r.SectionLine = s.Section.Info.Header.Line;
    r.Values.assign(keys.size(), kHashStart);
    r.Ids[0].clear();
    r.Ids[1].clear();
  }
  const KeyFacts& facts = *s.Applied;
  std::uint64_t& value = r.Values[static_cast<std::size_t>(&facts - keys.data())];
  value = ValueHash(s, value);
  for (int i = 0; i < 2; ++i) {
    if (facts.Key == kIdNames[i]) {
      r.Ids[i] = std::string(StripBlanks(s.Value));
      r.IdPlaces[i] = s.At(s.Value);
    }
  }
  if (facts.Form != ValueForm::kText) return;
  // Only what the field keeps reaches the device.
  const std::string_view kept = s.Value.substr(0, facts.Capacity - 1);
  if (facts.Command) CheckCommand(s, kept);
  if (facts.Key == "FriendlyName" && kept.size() > kUnimodemNameLength) {
    s.Add(Check::kLongFriendlyName, s.At(kept.substr(kUnimodemNameLength)),
          {Quote(facts.Key), std::to_string(kept.size())});
  }
  for (std::string_view key : kLibraryKeys) {
    if (facts.Key == key) CheckLibraryName(s, kept);
  }
}

void CheckReaderSection(CheckState& s) {
  CheckDecimalIds(s);
  if (s.Section.Info.Kind == SectionKind::kDevice) {
    CheckDeviceSection(s);
  } else {
    CheckModemSection(s);
  }
}

void CheckReaderFile(CheckState& s, const regstore::RegTree* start) {
  const ReaderState& r = s.Readers;
  if (r.AnyDevice) return;
  // A device group of the start's, by its name below LoadClients.
  const auto held = [start](const std::string& group) {
    if (start == nullptr) return false;
    std::u16string path = std::u16string(u"HKEY_LOCAL_MACHINE\\") + kLoadClientsKey;
    for (char c : group) path += static_cast<char16_t>(c);
    return start->Find(path) != nullptr;
  };
  if (held(kDefaultGroup)) return;
  for (const ReaderState::Modem& m : r.Modems) {
    const std::string vendor = std::to_string(m.Vid);
    const std::string device = vendor + "_" + std::to_string(m.Pid);
    if (r.Vendors.count(m.Vid) != 0 ||
        r.Devices.count(std::uint32_t{m.Vid} << 16 | m.Pid) != 0 ||
        held(vendor) || held(device)) {
      continue;
    }
    s.Attach(m.Root, MakeDiagnostic(Check::kUnloadedModem, m.Header,
                                    {Hex(m.Vid, 4), Hex(m.Pid, 4), device, vendor}));
  }
}

void NoteNamedKey(CheckState& s) {
  s.Readers.NamedValues.push_back(SectionValues(s));
}

bool WritesAsBefore(const CheckState& s, std::size_t key) {
  return key < s.Readers.NamedValues.size() &&
         s.Readers.NamedValues[key] == SectionValues(s);
}

}  // namespace tarnwell::check
