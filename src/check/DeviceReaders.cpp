// The device's readers of the keys: which interfaces a load-client key
// matches, what Unimodem sends of a modem's values, how LoadLibrary finds
// a driver's name. Each fact is a row below.
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

namespace tarnwell::check {
namespace {

constexpr int kAny = -1;

// The alternatives of the messages, in their order.
enum class Function { kAssociation, kData, kOther };  // interface-class
enum class Never { kZero, kGap, kPastLimit };         // init-sequence
enum class Token { kWord, kNumber };                  // modem-token
enum class Slash { kForward, kNoExtension };          // driver-path
enum class NullType { kMissing, kZero };              // null-modem

// Interface groups of a load-client key that serve no serial function
// (USB-IF "Defined Class Codes"; the subclass codes of the USB CDC class
// definition).
// A row matches a key that names at least its levels, with its values.
struct InterfaceRow {
  int Class, SubClass, Protocol;
  Function Form;
  const char* Name;  // kOther: what the interface is
};
constexpr InterfaceRow kInterfaceRows[] = {
    {0xEF, 0x02, 0x01, Function::kAssociation, ""},  // a device's IAD triple
    {0x0A, kAny, kAny, Function::kData, ""},         // CDC Data
    {0x02, 0x06, kAny, Function::kOther, "CDC Ethernet (ECM)"},
    {0x02, 0x0D, kAny, Function::kOther, "CDC NCM"},
    {0x02, 0x0E, kAny, Function::kOther, "CDC MBIM"},
    {0x02, 0x02, 0xFF, Function::kOther, "RNDIS"},
    {0xE0, 0x01, 0x03, Function::kOther, "RNDIS"},
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
// The tokens that end a command line for the modem: a carriage return,
// and perhaps a line feed after it.
constexpr std::string_view kLineEnds[][2] = {{"<cr>", "<h0d>"}, {"<lf>", "<h0a>"}};
// unimodem.h's device types: 0 is the null modem.
constexpr std::uint32_t kNullModem = 0;
// The device group that names every device.
constexpr char kDefaultGroup[] = "Default";
// The keys whose value LoadLibrary reads.
constexpr std::string_view kLibraryKeys[] = {"DLL", "TSP"};

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

bool EndsCommandLine(std::string_view text) {
  for (std::string_view lf : kLineEnds[1]) {
    if (EndsWithFolded(text, lf)) {
      text.remove_suffix(lf.size());
      break;
    }
  }
  return EndsWithFolded(text, kLineEnds[0][0]) ||
         EndsWithFolded(text, kLineEnds[0][1]);
}

void CheckCommand(CheckState& s, std::string_view field, std::string_view kept) {
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
           word == kNumberToken ? Token::kNumber : Token::kWord, Quote(field)});
    break;  // one per value: the rest goes the same way
  }
  if (field.rfind(kInitStem, 0) == 0 && !EndsCommandLine(kept)) {
    s.Add(Check::kInitTerminator, s.At(s.Value),
          {Quote(field), Quote(kept), Quote(std::string(kept) + "<cr>")});
  }
}

void CheckLibraryName(CheckState& s, std::string_view field,
                      std::string_view name) {
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
        {Quote(name), Quote(field), slash ? Slash::kForward : Slash::kNoExtension,
         Quote(std::string(s.Key) + " = " + mended)});
}

constexpr std::uint64_t kHashStart = 0xCBF29CE484222325ull;
std::uint64_t Mix(std::uint64_t hash, std::uint64_t value) {
  hash = (hash ^ value) * 0x9E3779B97F4A7C15ull;
  return hash ^ (hash >> 29);
}

// "VID = 4046", "PID = 53455": IDs in the decimal of a load-client key
// name. One ID of five digits shows it, for no hexadecimal ID has five.
void CheckDecimalIds(CheckState& s) {
  const OpenSection& section = s.Section;
  bool decimal[2] = {false, false};
  bool shown = false;
  for (int i = 0; i < 2; ++i) {
    const std::string& id = section.Ids[i];
    const std::string_view digits = WithoutLeadingZeros(id);
    decimal[i] = !id.empty() && IsDecimal(id) && DecimalValue(id) <= 0xFFFF &&
                 digits.size() > 1;
    shown = shown || (decimal[i] && digits.size() == 5);
  }
  if (!shown) return;
  std::string name = decimal[0] ? std::to_string(DecimalValue(section.Ids[0])) : "";
  if (decimal[1]) {
    name += (name.empty() ? "" : "_") + std::to_string(DecimalValue(section.Ids[1]));
  }
  for (int i = 0; i < 2; ++i) {
    if (!decimal[i]) continue;
    s.Add(Check::kDecimalKeyId, section.IdPlaces[i],
          {kIdKeys<DeviceEntry>[i].Key, section.Ids[i], name,
           Hex(DecimalValue(section.Ids[i]), 4)});
  }
}

void CheckDeviceSection(CheckState& s, const char16_t* path) {
  const DeviceEntry& d = s.Config->Devices.back();
  ReaderState& r = s.Readers;
  if (!d.HasVid) {
    r.AnyDevice = true;
  } else if (!d.HasPid) {
    r.Vendors.insert(d.Vid);
  } else {
    r.Devices.insert(std::uint32_t{d.Vid} << 16 | d.Pid);
  }
  if (!d.HasIfcClass) return;
  const int levels = !d.HasIfcSubClass ? 1 : !d.HasIfcProtocol ? 2 : 3;
  const int given[3] = {d.IfcClass, d.IfcSubClass, d.IfcProtocol};
  for (const InterfaceRow& row : kInterfaceRows) {
    const int wants[3] = {row.Class, row.SubClass, row.Protocol};
    bool match = true;
    for (int i = 0; i < 3 && match; ++i) {
      match = wants[i] == kAny || (i < levels && given[i] == wants[i]);
    }
    if (!match) continue;
    s.Add(Check::kInterfaceClass, s.Section.Info.Header,
          {Utf16ToUtf8(path), InterfaceGroup(d), row.Name, row.Form});
    return;
  }
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
    const Never form = n == 0 ? Never::kZero : n < gap ? Never::kPastLimit
                                                       : Never::kGap;
    if (const Place* place = s.Section.Given(kInitKeys[n].Key)) {
      s.Add(Check::kInitSequence, *place,
            {Quote(kInitKeys[n].Key), std::to_string(gap), form});
    }
  }
}

void CheckModemSection(CheckState& s) {
  const ModemEntry& m = s.Config->Modems.back();
  CheckInitSequence(s, m);
  if (!m.HasDeviceType || m.DeviceType == kNullModem) {
    const Place* line = s.Section.Given("DeviceType");
    s.Add(Check::kNullModem, line != nullptr ? *line : s.Section.Info.Header,
          {m.HasDeviceType ? NullType::kZero : NullType::kMissing});
  }
  const std::string prefix = Utf16ToUtf8(m.SettingsPrefix);
  const std::string dial = Utf16ToUtf8(m.DialPrefix);
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

// A row's hash after the key line: numbers by value; a list's lines add
// up, and a text or GUID line replaces the one before (an empty one is
// given all the same).
void NoteValue(CheckState& s, const std::uint64_t* number, bool list) {
  std::vector<std::uint64_t>& values = s.Section.Values;
  if (values.empty()) values.assign(RowCount(s.Section.Info.Kind), kHashStart);
  std::uint64_t& value = values[s.KeyLines.back().Row];
  value = number != nullptr
              ? Mix(kHashStart, *number)
              : Mix(list ? value : kHashStart + 1,
                    std::hash<std::string_view>()(s.Value));
}

std::uint64_t SectionValues(const CheckState& s) {
  std::uint64_t hash = kHashStart;
  for (std::uint64_t value : s.Section.Values) hash = Mix(hash, value);
  return hash;
}

void CheckReaderText(CheckState& s, std::string_view key,
                     std::string_view kept, bool command) {
  if (command) CheckCommand(s, key, kept);
  if (key == "FriendlyName" && kept.size() > kUnimodemNameLength) {
    s.Add(Check::kLongFriendlyName, s.At(kept.substr(kUnimodemNameLength)),
          {Quote(key), std::to_string(kept.size())});
  }
  for (std::string_view library : kLibraryKeys) {
    if (key == library) CheckLibraryName(s, key, kept);
  }
}

void CheckReaderSection(CheckState& s, const char16_t* path) {
  CheckDecimalIds(s);
  if (s.Section.Info.Kind == SectionKind::kDevice) {
    CheckDeviceSection(s, path);
  } else {
    CheckModemSection(s);
  }
}

void CheckReaderFile(CheckState& s, const regstore::RegTree* start) {
  const ReaderState& r = s.Readers;
  if (r.AnyDevice) return;
  // A device group of the start's: the load-client key's path up to its
  // device group, as the writer spells it.
  const auto held = [start](const std::string& group) {
    if (start == nullptr) return false;
    char16_t key[kKeyPathCapacity];
    LoadClientKeyPath(key, DeviceEntry{});
    std::u16string path(key);
    path.resize(path.find(u"\\Default"));
    path = u"HKEY_LOCAL_MACHINE\\" + path + u"\\";
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

}  // namespace tarnwell::check
