#include "check/Emit.h"

#include "check/Text.h"
#include "platform/Registry.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {
namespace {

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
bool HasLoggedChild(const EmitInput& input, const std::u16string& path) {
  const std::u16string prefix = regstore::FoldCase(path + u"\\");
  for (const WriteLog::Key& other : *input.Keys) {
    if (regstore::FoldCase(other.Path).compare(0, prefix.size(), prefix) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

std::string FormatCabInf(const EmitInput& input) {
  std::string out = SourceComment(input, "USB CDC driver and modem settings");
  out += kHead;
  for (const WriteLog::Key& key : *input.Keys) {
    const std::string subkey = "HKLM," + InfString(Utf16ToUtf8(key.Path)) + ",";
    if (key.Slots.empty() && !HasLoggedChild(input, key.Path)) {
      out += subkey + "," + kFlagKeyOnly + "\r\n";
    }
    for (std::size_t index : key.Slots) {
      const WriteLog::Slot& slot = (*input.Slots)[index];
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

}  // namespace tarnwell::check
