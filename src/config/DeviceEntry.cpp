#include "config/DeviceEntry.h"

#include <cstring>

#include "config/HexNumber.h"
#include "config/KeyName.h"
#include "config/WideText.h"

namespace tarnwell {
namespace {

// Number keys that store all 32 bits, with their field and presence flag.
struct DwordKey {
  const char* Name;
  std::uint32_t DeviceEntry::*Field;
  bool DeviceEntry::*Flag;
};

constexpr DwordKey kDwordKeys[] = {
    {"NumberOfControlInBuffers", &DeviceEntry::NumberOfControlInBuffers,
     &DeviceEntry::HasNumberOfControlInBuffers},
    {"BufferCountOut", &DeviceEntry::BufferCountOut,
     &DeviceEntry::HasBufferCountOut},
    {"BufferCountIn", &DeviceEntry::BufferCountIn,
     &DeviceEntry::HasBufferCountIn},
    {"BufferSizeFactorIn", &DeviceEntry::BufferSizeFactorIn,
     &DeviceEntry::HasBufferSizeFactorIn},
    {"BufferSizeFactorOut", &DeviceEntry::BufferSizeFactorOut,
     &DeviceEntry::HasBufferSizeFactorOut},
};

// Number keys read at 32 bits of which the low 8 are kept.
struct ByteKey {
  const char* Name;
  std::uint8_t DeviceEntry::*Field;
  bool DeviceEntry::*Flag;
};

constexpr ByteKey kByteKeys[] = {
    {"IFC_Class", &DeviceEntry::IfcClass, &DeviceEntry::HasIfcClass},
    {"IFC_SubClass", &DeviceEntry::IfcSubClass, &DeviceEntry::HasIfcSubClass},
    {"IFC_Protocol", &DeviceEntry::IfcProtocol,
     &DeviceEntry::HasIfcProtocol},
};

bool IsGuidWrapper(char c) {
  return c == '\'' || c == '{' || c == '}' || c == '"';
}

// Reads the GUID's items in turn; after the first failure every later item
// fails too, because a failed reading uses up the text.
class GuidCursor {
 public:
  explicit GuidCursor(std::string_view text) : text_(text) {}

  bool Number(unsigned width, std::uint64_t* value) {
    HexNumber n = ReadHexNumber(text_, width, pos_);
    pos_ = n.End;
    if (n.Ok) *value = n.Value;
    return n.Ok;
  }

  bool Separator() {
    while (pos_ < text_.size() && IsHexSpace(text_[pos_])) ++pos_;
    if (pos_ >= text_.size()) return false;
    ++pos_;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

}  // namespace

void InitDeviceEntry(DeviceEntry& entry, std::string_view section_name) {
  std::memset(&entry, 0, sizeof entry);
  WidenText(entry.Name, kNameCapacity, section_name);
  WidenText(entry.Prefix, kPrefixCapacity, "COM");
  entry.HasPrefix = true;
}

void ReadGuid(GUID& guid, std::string_view value) {
  while (!value.empty() && IsGuidWrapper(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsGuidWrapper(value.back())) value.remove_suffix(1);

  GuidCursor cursor(value);
  std::uint64_t n = 0;
  if (!cursor.Number(32, &n)) return;
  guid.Data1 = static_cast<std::uint32_t>(n);
  if (!cursor.Separator() || !cursor.Number(32, &n)) return;
  guid.Data2 = static_cast<std::uint16_t>(n);
  if (!cursor.Separator() || !cursor.Number(32, &n)) return;
  guid.Data3 = static_cast<std::uint16_t>(n);
  if (!cursor.Separator() || !cursor.Number(32, &n)) return;
  guid.Data4[0] = static_cast<std::uint8_t>(n >> 8);
  guid.Data4[1] = static_cast<std::uint8_t>(n);
  if (!cursor.Separator() || !cursor.Number(64, &n)) return;
  for (int i = 0; i < 6; ++i) {
    guid.Data4[2 + i] = static_cast<std::uint8_t>(n >> (40 - 8 * i));
  }
}

void ApplyDeviceKey(DeviceEntry& entry, std::string_view key,
                    std::string_view value) {
  if (KeyIs(key, "DLL")) {
    WidenText(entry.Dll, kDllCapacity, value);
    entry.HasDll = true;
    return;
  }
  if (KeyIs(key, "VID") || KeyIs(key, "PID")) {
    const bool vid = KeyIs(key, "VID");
    HexNumber n = ReadHexNumber(value, 16);
    if (n.Ok) (vid ? entry.Vid : entry.Pid) = static_cast<std::uint16_t>(n.Value);
    (vid ? entry.HasVid : entry.HasPid) = true;
    return;
  }
  if (KeyIs(key, "IFC")) return;  // a modem key; nothing to do here
  for (const ByteKey& row : kByteKeys) {
    if (!KeyIs(key, row.Name)) continue;
    HexNumber n = ReadHexNumber(value, 32);
    if (n.Ok) entry.*row.Field = static_cast<std::uint8_t>(n.Value);
    entry.*row.Flag = true;
    return;
  }
  if (KeyIs(key, "IFC_Disable")) {
    // A number that cannot be read names no interface, so nothing is added.
    HexNumber n = ReadHexNumber(value, 32);
    if (n.Ok && entry.IfcDisableCount < kMaxDisabledInterfaces) {
      entry.IfcDisable[entry.IfcDisableCount++] =
          static_cast<std::uint8_t>(n.Value);
    }
    return;
  }
  for (const DwordKey& row : kDwordKeys) {
    if (!KeyIs(key, row.Name)) continue;
    HexNumber n = ReadHexNumber(value, 32);
    if (n.Ok) entry.*row.Field = static_cast<std::uint32_t>(n.Value);
    entry.*row.Flag = true;
    return;
  }
  if (KeyIs(key, "GUID")) {
    ReadGuid(entry.Guid, value);
    entry.HasGuid = true;
  }
}

}  // namespace tarnwell
