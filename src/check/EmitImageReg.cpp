#include "check/Emit.h"

#include <cstdio>

#include "check/Text.h"
#include "platform/Registry.h"

namespace tarnwell::check {
namespace {

// A quoted .reg string: backslash and double quote escaped.
std::string RegString(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

}  // namespace

std::string FormatImageReg(const EmitInput& input) {
  std::string out = SourceComment(input, "USB CDC driver and modem settings");
  for (const WriteLog::Key& key : *input.Keys) {
    out += "\r\n[HKEY_LOCAL_MACHINE\\" + Utf16ToUtf8(key.Path) + "]\r\n";
    for (std::size_t index : key.Slots) {
      const WriteLog::Slot& slot = (*input.Slots)[index];
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

}  // namespace tarnwell::check
