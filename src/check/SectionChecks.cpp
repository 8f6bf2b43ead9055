#include "check/SectionChecks.h"

#include <cctype>

#include "check/KeySuggestion.h"
#include "check/Text.h"
#include "config/LineSyntax.h"
#include "registry/KeyPaths.h"

namespace tarnwell::check {
namespace {

constexpr char kModemSpelling[] = "MODEMSETTINGS";

}  // namespace

bool MeansModemSection(std::string_view name) {
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

void CheckModemSpelling(CheckState& s, std::string_view name) {
  const bool blanks = StripBlanks(name) != name &&
                      IsModemSectionName(StripBlanks(name));
  if (!blanks && !MeansModemSection(name)) return;
  const Diagnostic& d = s.Add(Check::kModemHeader, s.At(name),
        std::string(blanks ? "blanks inside the brackets: " : "") +
            "this header opens a device section named " + Quote(name) +
            ", not a [MODEM SETTINGS] section: the installer writes a "
            "load-client key and the driver template for it, and no "
            "Unimodem keys; write [MODEM SETTINGS]");
  MakeRoot(s, d);
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
  const std::string key = "this section writes " + Utf16ToUtf8(path) + ": ";
  if (!d.HasVid && !d.HasIfcClass) {
    s.Add(Check::kAnyDevice, s.Section.Info.Header,
          key + "without \"VID\" and \"IFC_Class\" the USB driver loader "
                "offers the driver every USB device; give \"VID\" and "
                "\"PID\" (and \"IFC_Class\" to serve one interface)");
  } else if (!d.HasVid) {
    s.Add(Check::kDefaultLevel, s.Section.Info.Header,
          key + "the device group is \"Default\" (no \"VID\"), so the "
                "driver is offered the interfaces of " + InterfaceGroup(d) +
              " of every USB device; give \"VID\" and \"PID\"");
  } else {
    s.Add(Check::kDefaultLevel, s.Section.Info.Header,
          key + "the interface group is \"Default\" (no \"IFC_Class\"), so "
                "the driver is offered every interface " + DeviceGroup(d) +
              "; give \"IFC_Class\" to serve one interface");
  }
}

void CheckIgnoredIds(CheckState& s) {
  const OpenSection& section = s.Section;
  if (const Place* pid = section.Given("PID");
      pid != nullptr && section.Given("VID") == nullptr) {
    s.Add(Check::kIgnoredId, *pid,
          "\"PID\" without \"VID\": the load-client key ignores the product "
          "ID and uses the device group \"Default\"");
  }
  if (const Place* sub = section.Given("IFC_SubClass");
      sub != nullptr && section.Given("IFC_Class") == nullptr) {
    s.Add(Check::kIgnoredId, *sub,
          "\"IFC_SubClass\" without \"IFC_Class\": the load-client key "
          "ignores it and uses the interface group \"Default\"");
  }
  if (const Place* protocol = section.Given("IFC_Protocol");
      protocol != nullptr && section.Given("IFC_SubClass") == nullptr) {
    s.Add(Check::kIgnoredId, *protocol,
          "\"IFC_Protocol\" without \"IFC_SubClass\": the load-client key "
          "ignores the protocol");
  }
}

}  // namespace

void CheckHeader(CheckState& s, std::string_view name) {
  if (s.Section.Info.Kind == SectionKind::kDevice) {
    const std::size_t bracket = name.find(']');
    if (bracket != std::string_view::npos) {
      std::string message =
          "text after \"]\" belongs to the section name: this header opens "
          "a device section named " + Quote(name);
      const bool modem =
          IsModemSectionName(StripBlanks(name.substr(0, bracket)));
      if (modem) message += ", not a [MODEM SETTINGS] section";
      const Diagnostic& d =
          s.Add(Check::kHeaderText, s.At(name.substr(bracket)), message);
      if (modem) MakeRoot(s, d);
    } else {
      CheckModemSpelling(s, name);
    }
  }
  if (name.find('=') != std::string_view::npos) {
    s.Add(Check::kHeaderKey, s.At(name),
          "the section name holds \"=\", so the installer also reads it as a "
          "key line of the new section");
  }
}

void CheckRefusedSection(CheckState& s) {
  const SectionInfo& info = s.Section.Info;
  Diagnostic& error = s.Add(
      Check::kMissingDll, info.Header,
      (info.Kind == SectionKind::kDevice
           ? "device section " + Quote(info.Name)
           : std::string("[MODEM SETTINGS] section")) +
          " has no \"DLL\" line: the installer refuses it, fails to read the "
          "file (\"Read configuration file failed!\") and writes nothing");
  if (s.LineNumber == s.StopLine) {
    error.Notes.push_back(NoteAt(
        s.At(StripBlanks(s.Text)),
        "the section ends at this header, where the installer stops "
        "reading"));
  }
}

void CheckFinishedSection(CheckState& s) {
  const OpenSection& section = s.Section;
  if (section.IgnoredDisables > 0) {
    std::string message =
        "this section already lists 128 interfaces to disable: the "
        "installer ignores this \"IFC_Disable\" line";
    if (section.IgnoredDisables > 1) {
      message += " and " + std::to_string(section.IgnoredDisables - 1) +
                 " more after it";
    }
    s.Add(Check::kTooManyDisables, section.FirstIgnoredDisable, message);
  }
  if (section.Info.Kind == SectionKind::kModem) {
    for (const char* id : {"VID", "PID"}) {
      if (section.Given(id) == nullptr) {
        s.Add(Check::kMissingId, section.Info.Header,
              std::string("[MODEM SETTINGS] section without \"") + id +
                  "\": its interface key is named with " + id + "_0000");
      }
    }
    return;
  }
  CheckIgnoredIds(s);
  if (const Place* disable = section.Given("IFC_Disable")) {
    for (const char* id : {"VID", "PID"}) {
      if (section.Given(id) == nullptr) {
        s.Add(Check::kMissingId, *disable,
              std::string("interfaces to disable in a section without \"") +
                  id + "\": their keys are named with " + id + "_0000");
      }
    }
  }
  // The section was accepted: its entry is the last of the set.
  CheckLoadClientMatch(s, s.Config->Devices.back());
}

}  // namespace tarnwell::check
