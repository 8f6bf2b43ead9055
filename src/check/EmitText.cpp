#include "check/Emit.h"

#include <algorithm>
#include <cstring>

#include "platform/Registry.h"

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

char16_t FirstUnwritable(const WriteLog::Slot& slot) {
  if (slot.Type == kRegDword) return u'\0';
  for (char16_t c : Units(slot)) {
    if (!Writable(c)) return c;
  }
  return u'\0';
}

std::size_t FindUnwritableText(const EmitInput& input) {
  for (const WriteLog::Key& key : *input.Keys) {
    for (std::size_t slot : key.Slots) {
      if (FirstUnwritable((*input.Slots)[slot]) != u'\0') return slot;
    }
  }
  return WriteLog::kNobody;
}

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

std::string SourceComment(const EmitInput& input, std::string_view what) {
  std::string name = input.Source;
  const std::size_t slash = name.find_last_of("/\\");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  for (char& c : name) {
    if (!Writable(static_cast<unsigned char>(c)) || c == '\t') c = '?';
  }
  return "; " + std::string(what) + " from " + name +
         ", made by tarnwell-check " + input.Version + "\r\n";
}

}  // namespace tarnwell::check
