#include "check/Emit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "check/KeyRows.h"
#include "check/Text.h"
#include "regstore/Registry.h"
#include "regstore/RegFormat.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

// Printable ASCII, and a tab where the file is text that keeps it (a
// cabinet's texts are shown on the device, where a tab has no place).
bool Writable(char16_t c, bool tab) {
  return (tab && c == u'\t') || (c >= 0x20 && c < 0x7F);
}

std::u16string Units(const WriteLog::Slot& slot) {
  // The bytes are the installer's char16_t buffer, copied: no alignment.
  std::u16string text(slot.Data.size() / sizeof(char16_t), u'\0');
  std::memcpy(&text[0], slot.Data.data(), text.size() * sizeof(char16_t));
  // Up to the terminating NUL, as a reader of the value sees it.
  text.erase(std::min(text.find(u'\0'), text.size()));
  return text;
}

// The first character of a text value that no file may hold (a byte of
// the file: the installer widens them one by one), or NUL. Key paths and
// value names are the installer's own and always ASCII.
char16_t FirstUnwritable(const WriteLog::Slot& slot, bool tab) {
  if (slot.Type == kRegDword) return u'\0';
  for (char16_t c : Units(slot)) {
    if (!Writable(c, tab)) return c;
  }
  return u'\0';
}

// A value's data: the text without its terminating NUL, and a DWORD.
// The installer writes only these two types.
std::string SlotText(const WriteLog::Slot& slot) {
  const std::u16string units = Units(slot);
  return std::string(units.begin(), units.end());  // ASCII, checked before
}

std::uint32_t SlotNumber(const WriteLog::Slot& slot) {
  std::string bytes(slot.Data);
  bytes.resize(sizeof(std::uint32_t), '\0');
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

// A key of the pass with the values the pass wrote: what a start
// registry held before is the device's, not the file's to carry.
struct PassKey {
  std::u16string_view Path;
  std::uint32_t Opener = WriteLog::kNobody;
  std::vector<WriteLog::Slot> Slots;
};

// The keys and values of the pass, in the order of the log.
struct Pass {
  std::vector<PassKey> Keys;
  explicit Pass(const FileReport& report) {
    if (!report.Log) return;
    const WriteLog& log = *report.Log;
    for (const WriteLog::Key& key : log.Keys()) {
      PassKey& k = Keys.emplace_back();
      k.Path = log.PathOf(key);
      k.Opener = key.Opener;
      for (std::size_t n = key.First; n < key.First + log.SlotsOf(key); ++n) {
        if (log.WriterOf(n) < WriteLog::kBefore) k.Slots.push_back(log.SlotAt(n));
      }
    }
  }
};

// "; <what> from <source>, made by tarnwell-check <version>" and a line
// end; bytes of the name outside printable ASCII become "?".
std::string SourceComment(std::string name, const std::string& version) {
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  for (char& c : name) {
    if (!Writable(static_cast<unsigned char>(c), false)) c = '?';
  }
  return "; USB CDC driver and modem settings from " + name +
         ", made by tarnwell-check " + version + "\r\n";
}

// The line of the file that gave the value its last data: the last key
// line of the writing section whose row becomes that value; the section's
// header when none does.
std::size_t LineOfText(const FileReport& report, const WriteLog::Slot& slot) {
  if (slot.Writer >= report.Sections.size()) return 0;
  const SectionInfo& section = report.Sections[slot.Writer];
  std::size_t found = section.Header.Line;
  for (std::size_t i = 0; i < section.KeyCount; ++i) {
    const KeyLine& key = report.KeyLines[section.FirstKey + i];
    if (regstore::SameName(ValueNameOf(section.Kind, key.Row), slot.Name)) {
      found = key.Line;
    }
  }
  return found;
}

// Whether Windows takes name for a device (CON, NUL, COM1, also with
// blanks and an extension after it) rather than a file.
bool IsDeviceName(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (char& c : base) {
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  for (const char* device :
       {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"}) {
    if (base == device) return true;
  }
  return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) &&
         base[3] >= '1' && base[3] <= '9';
}

// Why a value cannot go into the file: the alternatives of the
// unwritable-text message.
enum class Refusal { kControl, kText, kCabText, kDword, kNames, kKeys, kValues,
                     kCabControl, kNone };

// The AddReg flags: a string, a DWORD, and a key without a value.
constexpr char kFlagString[] = "0x00000000";
constexpr char kFlagDword[] = "0x00010001";
constexpr char kFlagKeyOnly[] = "0x00000010";

// A quoted INF string: a double quote is doubled, and so is a percent
// sign, which would otherwise start a string substitution.
std::string InfString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '%') out += c;
    out += c;
  }
  return out + "\"";
}

// Whether a key of the log lies below this one: creating it makes this
// one too.
bool HasLoggedChild(const Pass& pass, std::u16string_view path) {
  const std::u16string prefix = regstore::FoldCase(std::u16string(path) + u"\\");
  for (const PassKey& other : pass.Keys) {
    if (regstore::FoldCase(other.Path).compare(0, prefix.size(), prefix) == 0) {
      return true;
    }
  }
  return false;
}


// The sections that the CAB Wizard requires, none of them empty: the
// names the device shows, Windows CE 5.0 and later, the registry section,
// and a source and a destination, which no file uses.
std::string CabInfHead(const CabNames& names) {
  return "\r\n[Version]\r\nSignature=\"$Windows NT$\"\r\n"
         "CESignature=\"$Windows CE$\"\r\nProvider=" +
         InfString(names.Provider) + "\r\n\r\n[CEStrings]\r\nAppName=" +
         InfString(names.App) +
         "\r\nInstallDir=%CE1%\\%AppName%\r\n\r\n"
         "[CEDevice]\r\nVersionMin=5.00\r\n\r\n"
         "[DefaultInstall]\r\nAddReg=Registry\r\n\r\n"
         "[SourceDisksNames]\r\n1=,\"tarnwell\",,.\r\n\r\n"
         "[DestinationDirs]\r\nDefaultDestDir=0,%InstallDir%\r\n\r\n"
         "[Registry]\r\n";
}

std::string FormatCabInf(const Pass& pass, const std::string& comment,
                         const CabNames& names) {
  std::string out = comment;
  out += CabInfHead(names);
  for (const PassKey& key : pass.Keys) {
    const std::string subkey = "HKLM," + InfString(Utf16ToUtf8(key.Path)) + ",";
    if (key.Slots.empty() && !HasLoggedChild(pass, key.Path)) {
      out += subkey + "," + kFlagKeyOnly + "\r\n";
    }
    for (const WriteLog::Slot& slot : key.Slots) {
      out += subkey + InfString(Utf16ToUtf8(slot.Name)) + ",";
      if (slot.Type == kRegDword) {
        out += std::string(kFlagDword) + "," + std::to_string(SlotNumber(slot));
      } else {
        out += std::string(kFlagString) + "," + InfString(SlotText(slot));
      }
      out += "\r\n";
    }
  }
  return out;
}


// The key headers and value lines of a .reg file, as the store writes
// them, without its version line.
std::string FormatImageReg(const Pass& pass, const std::string& comment) {
  std::u16string out;
  for (const PassKey& key : pass.Keys) {
    out += u"\r\n[HKEY_LOCAL_MACHINE\\" + std::u16string(key.Path) + u"]\r\n";
    for (const WriteLog::Slot& slot : key.Slots) {
      regstore::AppendValueLine(out, *slot.Value);
    }
  }
  return comment + std::string(out.begin(), out.end());  // ASCII, checked before
}

// Little-endian numbers, as every number of a cabinet's setup file.
void Put(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i, value >>= 8) out += static_cast<char>(value);
}

// The limits of a setup file: every count and length is 16 bits.
constexpr std::size_t kMost = 0xFFFF;
// A value's name and data are a name of the writers' tables and one field
// of an entry: in UTF-8 at most three bytes a unit, far within a length.
static_assert(3 * (kKeyPathCapacity + kTextCapacity) + 2 <= kMost);

// The setup file's parts: each distinct name of a key path once (STRINGS),
// each key as the ids of its names (REGHIVES), each value (REGKEYS).
struct Setup {
  std::vector<std::string> Strings;
  std::vector<std::vector<std::size_t>> Hives;
  std::string Values;  // REGKEYS, whole
  std::size_t ValueCount = 0;
};

// Adds the keys and values of the pass, or stops at the first that goes
// beyond a limit: *over says which (strings, keys, values), *at the
// key and *slot the value.
Setup BuildSetup(const Pass& pass, Refusal* over, std::size_t* at,
                 const WriteLog::Slot** slot_at) {
  Setup setup;
  std::unordered_map<std::u16string, std::size_t> ids;
  *over = Refusal::kNone;
  for (std::size_t k = 0; k < pass.Keys.size() && *over == Refusal::kNone; ++k) {
    const PassKey& key = pass.Keys[k];
    std::vector<std::size_t> hive;
    for (std::size_t begin = 0; begin <= key.Path.size();) {
      std::size_t end = key.Path.find(u'\\', begin);
      if (end == std::u16string::npos) end = key.Path.size();
      const std::u16string name(key.Path.substr(begin, end - begin));
      const auto [it, added] = ids.emplace(name, setup.Strings.size() + 1);
      if (added) setup.Strings.push_back(Utf16ToUtf8(name));
      hive.push_back(it->second);
      begin = end + 1;
    }
    if (setup.Strings.size() > kMost) *over = Refusal::kNames;
    if (setup.Hives.size() == kMost) *over = Refusal::kKeys;
    *at = k;
    if (*over != Refusal::kNone) break;
    setup.Hives.push_back(hive);
    for (const WriteLog::Slot& slot : key.Slots) {
      std::string body = Utf16ToUtf8(slot.Name) + '\0';
      if (slot.Type == kRegDword) {
        Put(body, SlotNumber(slot), 4);
      } else {
        body += SlotText(slot) + '\0';
      }
      *slot_at = &slot;
      if (setup.ValueCount == kMost) {
        *over = Refusal::kValues;
        break;
      }
      Put(setup.Values, static_cast<std::uint32_t>(++setup.ValueCount), 2);
      Put(setup.Values, static_cast<std::uint32_t>(setup.Hives.size()), 2);
      Put(setup.Values, 0, 2);  // no substitution: data stays as it stands
      Put(setup.Values, slot.Type == kRegDword ? 0x00010001 : 0, 4);
      Put(setup.Values, static_cast<std::uint32_t>(body.size()), 2);
      setup.Values += body;
    }
  }
  return setup;
}

// A Windows CE cabinet's setup file of the pass's keys and values, for
// any processor, Windows CE 5.0 and later. No directories, files or links.
std::string FormatSetupFile(const Pass& pass, const CabNames& names) {
  Refusal over = Refusal::kNone;
  std::size_t at = 0;
  const WriteLog::Slot* slot = nullptr;
  const Setup setup = BuildSetup(pass, &over, &at, &slot);
  constexpr std::size_t kHeader = 100;
  std::string texts = names.App + '\0' + names.Provider + '\0';
  std::string sections[6];  // STRINGS, DIRS, FILES, REGHIVES, REGKEYS, LINKS
  for (std::size_t i = 0; i < setup.Strings.size(); ++i) {
    Put(sections[0], static_cast<std::uint32_t>(i + 1), 2);
    Put(sections[0], static_cast<std::uint32_t>(setup.Strings[i].size() + 1), 2);
    sections[0] += setup.Strings[i] + '\0';
  }
  for (std::size_t i = 0; i < setup.Hives.size(); ++i) {
    Put(sections[3], static_cast<std::uint32_t>(i + 1), 2);
    Put(sections[3], 3, 2);  // HKEY_LOCAL_MACHINE
    Put(sections[3], 0, 2);
    Put(sections[3], static_cast<std::uint32_t>(2 * (setup.Hives[i].size() + 1)), 2);
    for (std::size_t id : setup.Hives[i]) Put(sections[3], static_cast<std::uint32_t>(id), 2);
    Put(sections[3], 0, 2);
  }
  sections[4] = setup.Values;
  const std::size_t counts[6] = {setup.Strings.size(), 0, 0, setup.Hives.size(),
                                 setup.ValueCount, 0};
  std::string header = "MSCE";
  std::string body = texts;
  std::uint32_t offsets[6];
  for (int i = 0; i < 6; ++i) {
    offsets[i] = static_cast<std::uint32_t>(kHeader + body.size());
    body += sections[i];
  }
  Put(header, 0, 4);
  Put(header, static_cast<std::uint32_t>(kHeader + body.size()), 4);
  Put(header, 0, 4);
  Put(header, 1, 4);
  Put(header, 0, 4);  // any processor
  Put(header, 5, 4);  // Windows CE 5.0 and later
  for (int i = 0; i < 5; ++i) Put(header, 0, 4);  // minor, highest, builds
  for (std::size_t count : counts) Put(header, static_cast<std::uint32_t>(count), 2);
  for (std::uint32_t offset : offsets) Put(header, offset, 4);
  Put(header, kHeader, 2);
  Put(header, static_cast<std::uint32_t>(names.App.size() + 1), 2);
  Put(header, static_cast<std::uint32_t>(kHeader + names.App.size() + 1), 2);
  Put(header, static_cast<std::uint32_t>(names.Provider.size() + 1), 2);
  Put(header, 0, 4);  // no unsupported platforms
  Put(header, 0, 4);  // the last two fields
  return header + body;
}

// The line of the file that made the key: the header of the section of the
// entry that first opened it.
std::size_t LineOfKey(const FileReport& report, const PassKey& key) {
  return key.Opener < report.Sections.size()
             ? report.Sections[key.Opener].Header.Line
             : 0;
}

}  // namespace

std::string CabNameFault(const char* option, std::size_t most,
                         std::string_view value) {
  const bool fits =
      !value.empty() && value.size() <= most && value.front() != ' ' &&
      value.back() != ' ' && value.back() != '.' && !IsDeviceName(value) &&
      std::all_of(value.begin(), value.end(), [](char c) {
        return c >= 0x20 && c < 0x7F &&
               std::string_view("\\/:*?\"<>|").find(c) == std::string_view::npos;
      });
  if (fits) return "";
  return "option " + std::string(option) + " takes 1 to " +
         std::to_string(most) +
         " characters of printable ASCII, none of \\ / : * ? \" < > |, "
         "neither beginning with a blank nor ending in one or a dot, and "
         "no device name such as CON";
}

bool FindUnwritable(EmitKind kind, const FileReport& report,
                    Diagnostic* refusal) {
  const Pass pass(report);
  // A refusal at a line of the file: its column is that of the character
  // when the line holds it.
  auto refuse = [&](std::size_t line, const Args& args, char16_t bad = 0) {
    const std::size_t at =
        bad == 0 ? std::string_view::npos
                 : report.Lines.Line(line).find(static_cast<char>(bad));
    const Place place{line, at == std::string_view::npos ? 1 : at + 1, 1};
    *refusal = MakeDiagnostic(Check::kUnwritableText, place, args);
    return true;
  };
  for (const PassKey& key : pass.Keys) {
    for (const WriteLog::Slot& slot : key.Slots) {
      const std::string name = Quote(Utf16ToUtf8(slot.Name));
      const bool cab = kind == EmitKind::kCab;
      const char16_t bad = FirstUnwritable(slot, !cab);
      if (bad != u'\0') {
        const Refusal why = cab ? (bad < 0x80 ? Refusal::kCabControl : Refusal::kCabText)
                            : bad < 0x80 ? Refusal::kControl
                                         : Refusal::kText;
        return refuse(LineOfText(report, slot), {name, why, Hex(bad, 2)}, bad);
      }
      // The CAB Wizard's documentation has installs fail outside the
      // signed range.
      if (kind == EmitKind::kCabInf && slot.Type == kRegDword &&
          SlotNumber(slot) > 0x7FFFFFFF) {
        return refuse(LineOfText(report, slot),
                      {name, Refusal::kDword, Hex(SlotNumber(slot), 8)});
      }
    }
  }
  if (kind != EmitKind::kCab) return false;
  Refusal over = Refusal::kNone;
  std::size_t at = 0;
  const WriteLog::Slot* slot = nullptr;
  BuildSetup(pass, &over, &at, &slot);
  if (over == Refusal::kNone) return false;
  const bool value = over == Refusal::kValues;
  const std::size_t line = value ? LineOfText(report, *slot)
                                 : LineOfKey(report, pass.Keys[at]);
  return refuse(line, {value ? Quote(Utf16ToUtf8(slot->Name)) : "",
                       over, ""});
}

std::vector<Diagnostic> EmptyKeyNotes(const FileReport& report) {
  std::vector<Diagnostic> notes;
  const Pass pass(report);
  for (const PassKey& key : pass.Keys) {
    if (key.Slots.empty() && !HasLoggedChild(pass, key.Path)) {
      const std::size_t line = LineOfKey(report, key);
      notes.push_back(MakeDiagnostic(
          Check::kValuelessKey, Place{line, 1, report.Lines.Line(line).size()},
          {"HKEY_LOCAL_MACHINE\\" + Utf16ToUtf8(key.Path)}));
    }
  }
  return notes;
}

std::string Emit(EmitKind kind, const FileReport& report,
                 const std::string& name, const std::string& version,
                 const CabNames& names) {
  const Pass pass(report);
  if (kind == EmitKind::kCab) return FormatSetupFile(pass, names);
  const std::string comment = SourceComment(name, version);
  return kind == EmitKind::kImageReg ? FormatImageReg(pass, comment)
                                     : FormatCabInf(pass, comment, names);
}

}  // namespace tarnwell::check
