#include "check/Checks.h"

#include <cctype>

#include "check/Text.h"
#include "config/LineSyntax.h"
#include "registry/KeyPaths.h"

namespace tarnwell::check {

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

namespace {

// The finding just made is the root of what the section's misread header
// brings about.
void MakeRoot(CheckState& s, const Diagnostic& d) {
  s.Root = s.Section.Info.Root = s.IndexOf(d);
}

// "class 0x02, subclass 0x02, protocol 0x01" as far as the key names them.
std::string InterfaceGroup(const DeviceEntry& d) {
  std::string out = "class " + Hex(d.IfcClass, 2);
  if (!d.HasIfcSubClass) return out;
  out += ", subclass " + Hex(d.IfcSubClass, 2);
  if (d.HasIfcProtocol) out += ", protocol " + Hex(d.IfcProtocol, 2);
  return out;
}

std::string DeviceGroup(const DeviceEntry& d) {
  if (!d.HasPid) return "of every product of vendor " + Hex(d.Vid, 4);
  return "of the device VID " + Hex(d.Vid, 4) + ", PID " + Hex(d.Pid, 4);
}

// What the load-client key matches when a level of it is "Default".
void CheckLoadClientMatch(CheckState& s, const DeviceEntry& d) {
  if (d.HasVid && d.HasIfcClass) return;
  char16_t path[kKeyPathCapacity];
  LoadClientKeyPath(path, d);
  const std::string key = Utf16ToUtf8(path);
  if (!d.HasVid && !d.HasIfcClass) {
    s.Add(Check::kAnyDevice, s.Section.Info.Header, {key});
  } else {
    s.Add(Check::kDefaultLevel, s.Section.Info.Header,
          {key, d.HasVid ? "1" : "0",
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
      s.Add(Check::kIgnoredId, *key, {std::to_string(i)});
    }
  }
}

}  // namespace

void CheckHeader(CheckState& s, std::string_view name) {
  if (s.Section.Info.Kind == SectionKind::kDevice) {
    const std::size_t bracket = name.find(']');
    if (bracket != std::string_view::npos) {
      const bool modem =
          IsModemSectionName(StripBlanks(name.substr(0, bracket)));
      const Diagnostic& d =
          s.Add(Check::kHeaderText, s.At(name.substr(bracket)),
                {Quote(name), modem ? "1" : "0"});
      if (modem) MakeRoot(s, d);
    } else if (StripBlanks(name) != name &&
               IsModemSectionName(StripBlanks(name))) {
      MakeRoot(s, s.Add(Check::kModemHeader, s.At(name), {"1", Quote(name)}));
    } else if (MeansModemSection(name)) {
      MakeRoot(s, s.Add(Check::kModemHeader, s.At(name), {"0", Quote(name)}));
    }
  }
  if (name.find('=') != std::string_view::npos) {
    s.Add(Check::kHeaderKey, s.At(name));
  }
}

void CheckRefusedSection(CheckState& s) {
  const SectionInfo& info = s.Section.Info;
  Diagnostic& error = s.Add(
      Check::kMissingDll, info.Header,
      {info.Kind == SectionKind::kDevice ? "device section " + Quote(info.Name)
                                         : "[MODEM SETTINGS] section"});
  if (s.LineNumber == s.StopLine) {
    error.Notes.push_back(
        NoteAt(s.At(StripBlanks(s.Text)),
               "the section ends at this header, where the installer stops "
               "reading"));
  }
}

void CheckFinishedSection(CheckState& s) {
  const OpenSection& section = s.Section;
  if (section.IgnoredDisables > 0) {
    const std::size_t more = section.IgnoredDisables - 1;
    s.Add(Check::kTooManyDisables, section.FirstIgnoredDisable,
          {more == 0 ? "" : " and " + std::to_string(more) + " more after it"});
  }
  // Interface keys of a modem, or of a device's disabled interfaces.
  const bool modem = section.Info.Kind == SectionKind::kModem;
  const Place* keys =
      modem ? &section.Info.Header : section.Given("IFC_Disable");
  for (const char* id : {"VID", "PID"}) {
    if (keys != nullptr && section.Given(id) == nullptr) {
      s.Add(Check::kMissingId, *keys, {id, modem ? "0" : "1"});
    }
  }
  if (modem) return;
  CheckIgnoredIds(s);
  // The section was accepted: its entry is the last of the set.
  CheckLoadClientMatch(s, s.Config->Devices.back());
}

}  // namespace tarnwell::check
