#include "check/Emit.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "check/KeyCatalog.h"
#include "check/Text.h"
#include "config/LineSyntax.h"
#include "platform/Registry.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

bool Writable(char16_t c) { return c == u'\t' || (c >= 0x20 && c < 0x7F); }

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
char16_t FirstUnwritable(const WriteLog::Slot& slot) {
  if (slot.Type == kRegDword) return u'\0';
  for (char16_t c : Units(slot)) {
    if (!Writable(c)) return c;
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
  std::string bytes = slot.Data;
  bytes.resize(sizeof(std::uint32_t), '\0');
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data(), sizeof value);
  return value;
}

// The keys and values of the pass, in the order of the log.
struct Pass {
  const std::vector<WriteLog::Key>& Keys;
  const std::vector<WriteLog::Slot>& Slots;
};

// "; <what> from <source>, made by tarnwell-check <version>" and a line
// end; bytes of the name outside printable ASCII become "?".
std::string SourceComment(std::string name, const std::string& version) {
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  for (char& c : name) {
    if (!Writable(static_cast<unsigned char>(c)) || c == '\t') c = '?';
  }
  return "; USB CDC driver and modem settings from " + name +
         ", made by tarnwell-check " + version + "\r\n";
}

// The line of the file that gave the slot its last text: the last line of
// the writing section whose key becomes that value, read as the installer
// reads key lines (a header's name is a key line too). The section's
// header when no line matches.
std::size_t LineOfText(const FileReport& report, const WriteLog::Slot& slot) {
  if (slot.Writer >= report.Sections.size()) return 0;
  const SectionInfo& section = report.Sections[slot.Writer];
  std::size_t end = report.Lines.Count() + 1;
  for (const SectionInfo& other : report.Sections) {
    if (other.Header.Line > section.Header.Line && other.Header.Line < end) {
      end = other.Header.Line;
    }
  }
  std::size_t found = section.Header.Line;
  for (std::size_t number = section.Header.Line; number < end; ++number) {
    std::string_view line = StripBlanks(report.Lines.Line(number));
    if (number == section.Header.Line) line = StripBrackets(line);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const KeyFacts* facts =
        FindKey(section.Kind, StripBlanks(line.substr(0, equals)));
    if (facts != nullptr && regstore::SameName(facts->ValueName, slot.Name)) {
      found = number;
    }
  }
  return found;
}


// The AddReg flags: a string, a DWORD, and a key without a value.
constexpr char kFlagString[] = "0x00000000";
constexpr char kFlagDword[] = "0x00010001";
constexpr char kFlagKeyOnly[] = "0x00000010";

constexpr char kHead[] =
    "\r\n"
    "[Version]\r\n"
    "Signature=\"$Windows NT$\"\r\n"
    "CESignature=\"$Windows CE$\"\r\n"
    "Provider=\"tarnwell\"\r\n"
    "\r\n"
    "[CEStrings]\r\n"
    "AppName=\"USB CDC settings\"\r\n"
    "InstallDir=%CE1%\\%AppName%\r\n"
    "\r\n"
    "[CEDevice]\r\n"
    "VersionMin=5.00\r\n"
    "\r\n"
    "[DefaultInstall]\r\n"
    "AddReg=Registry\r\n"
    "\r\n"
    "[SourceDisksNames]\r\n"
    "\r\n"
    "[SourceDisksFiles]\r\n"
    "\r\n"
    "[Registry]\r\n";

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
bool HasLoggedChild(const Pass& pass, const std::u16string& path) {
  const std::u16string prefix = regstore::FoldCase(path + u"\\");
  for (const WriteLog::Key& other : pass.Keys) {
    if (regstore::FoldCase(other.Path).compare(0, prefix.size(), prefix) == 0) {
      return true;
    }
  }
  return false;
}


std::string FormatCabInf(const Pass& pass, const std::string& comment) {
  std::string out = comment;
  out += kHead;
  for (const WriteLog::Key& key : pass.Keys) {
    const std::string subkey = "HKLM," + InfString(Utf16ToUtf8(key.Path)) + ",";
    if (key.Slots.empty() && !HasLoggedChild(pass, key.Path)) {
      out += subkey + "," + kFlagKeyOnly + "\r\n";
    }
    for (std::size_t index : key.Slots) {
      const WriteLog::Slot& slot = pass.Slots[index];
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


// A quoted .reg string: backslash and double quote escaped.
std::string RegString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}


std::string FormatImageReg(const Pass& pass, const std::string& comment) {
  std::string out = comment;
  for (const WriteLog::Key& key : pass.Keys) {
    out += "\r\n[HKEY_LOCAL_MACHINE\\" + Utf16ToUtf8(key.Path) + "]\r\n";
    for (std::size_t index : key.Slots) {
      const WriteLog::Slot& slot = pass.Slots[index];
      out += RegString(Utf16ToUtf8(slot.Name)) + "=";
      if (slot.Type == kRegDword) {
        char digits[9];
        std::snprintf(digits, sizeof digits, "%08lx",
                      static_cast<unsigned long>(SlotNumber(slot)));
        out += std::string("dword:") + digits + "\r\n";
      } else {
        out += RegString(SlotText(slot)) + "\r\n";
      }
    }
  }
  return out;
}

}  // namespace

bool ParseEmitKind(std::string_view name, EmitKind* kind) {
  if (name == "image-reg") {
    *kind = EmitKind::kImageReg;
  } else if (name == "cab-inf") {
    *kind = EmitKind::kCabInf;
  } else {
    return false;
  }
  return true;
}

bool FindUnwritable(const FileReport& report, Diagnostic* refusal) {
  if (!report.Log) return false;
  for (const WriteLog::Key& key : report.Log->Keys()) {
    for (std::size_t index : key.Slots) {
      const WriteLog::Slot& slot = report.Log->Slots()[index];
      const char16_t bad = FirstUnwritable(slot);
      if (bad == u'\0') continue;
      const std::size_t number = LineOfText(report, slot);
      const std::size_t at =
          report.Lines.Line(number).find(static_cast<char>(bad));
      const Place place{number, at == std::string_view::npos ? 1 : at + 1, 1};
      *refusal = MakeDiagnostic(
          Check::kUnwritableText, place,
          {Quote(Utf16ToUtf8(slot.Name)), bad < 0x80 ? "0" : "1", Hex(bad, 2)});
      return true;
    }
  }
  return false;
}

std::string Emit(EmitKind kind, const FileReport& report,
                 const std::string& name, const std::string& version) {
  static const std::vector<WriteLog::Key> kNoKeys;
  static const std::vector<WriteLog::Slot> kNoSlots;
  const Pass pass{report.Log ? report.Log->Keys() : kNoKeys,
                  report.Log ? report.Log->Slots() : kNoSlots};
  const std::string comment = SourceComment(name, version);
  return kind == EmitKind::kImageReg ? FormatImageReg(pass, comment)
                                     : FormatCabInf(pass, comment);
}

}  // namespace tarnwell::check
