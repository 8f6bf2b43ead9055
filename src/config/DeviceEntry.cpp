#include "config/DeviceEntry.h"

#include <cstring>

#include "config/HexNumber.h"
#include "config/KeyName.h"
#include "config/ObserverCalls.h"
#include "config/ReadObserver.h"
#include "config/ApplyKeyRow.h"
#include "config/WideText.h"

namespace tarnwell {

const TextKey<DeviceEntry, kDllCapacity> kDeviceDllKey = {
    "DLL", &DeviceEntry::Dll, &DeviceEntry::HasDll, u"Dll"};

const NumberKey<DeviceEntry, std::uint8_t> kInterfaceClassKeys[3] = {
    {"IFC_Class", &DeviceEntry::IfcClass, &DeviceEntry::HasIfcClass, 32,
     nullptr},
    {"IFC_SubClass", &DeviceEntry::IfcSubClass, &DeviceEntry::HasIfcSubClass,
     32, nullptr},
    {"IFC_Protocol", &DeviceEntry::IfcProtocol, &DeviceEntry::HasIfcProtocol,
     32, nullptr},
};

const NumberKey<DeviceEntry, std::uint32_t> kBufferKeys[5] = {
    {"NumberOfControlInBuffers", &DeviceEntry::NumberOfControlInBuffers,
     &DeviceEntry::HasNumberOfControlInBuffers, 32,
     u"NumberOfControlInBuffers"},
    {"BufferCountIn", &DeviceEntry::BufferCountIn,
     &DeviceEntry::HasBufferCountIn, 32, u"BufferCountIn"},
    {"BufferCountOut", &DeviceEntry::BufferCountOut,
     &DeviceEntry::HasBufferCountOut, 32, u"BufferCountOut"},
    {"BufferSizeFactorIn", &DeviceEntry::BufferSizeFactorIn,
     &DeviceEntry::HasBufferSizeFactorIn, 32, u"BufferSizeFactorIn"},
    {"BufferSizeFactorOut", &DeviceEntry::BufferSizeFactorOut,
     &DeviceEntry::HasBufferSizeFactorOut, 32, u"BufferSizeFactorOut"},
};

const GuidKey kGuidKey = {"GUID", &DeviceEntry::Guid, &DeviceEntry::HasGuid,
                          u"IClass"};

const DisableListKey kDisableKey = {"IFC_Disable", &DeviceEntry::IfcDisable,
                                    &DeviceEntry::IfcDisableCount, 32};

const char kDeviceIgnoredKey[] = "IFC";

namespace {

bool IsGuidWrapper(char c) {
  return c == '\'' || c == '{' || c == '}' || c == '"';
}

// Reads the GUID's items in turn; after the first failure every later item
// fails too, because a failed reading uses up the text.
class GuidCursor {
 public:
  GuidCursor(std::string_view text, ReadObserver* observer)
      : text_(text), observer_(observer) {}

  // A number of `width` bits, of which the field keeps `field_bits` (48 at
  // most); `held` is what the field holds now, kept when the reading fails.
  bool Number(unsigned width, unsigned field_bits, std::uint64_t held,
              std::uint64_t* value) {
    std::size_t start = pos_;
    HexNumber n = ReadHexNumber(text_, width, pos_);
    pos_ = n.End;
    if (n.Ok) *value = n.Value;
    const std::uint64_t mask = (std::uint64_t{1} << field_bits) - 1;
    ReportNumber(observer_, text_, start, width, n, field_bits,
                 n.Ok ? NumberFate::kStored : NumberFate::kKeptPrevious,
                 n.Ok ? (n.Value & mask) : held);
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
  ReadObserver* observer_;
  std::size_t pos_ = 0;
};

std::uint64_t Data4High(const GUID& guid) {
  return (std::uint64_t{guid.Data4[0]} << 8) | guid.Data4[1];
}

std::uint64_t Data4Low(const GUID& guid) {
  std::uint64_t n = 0;
  for (int i = 2; i < 8; ++i) n = (n << 8) | guid.Data4[i];
  return n;
}

// Reads the groups into guid and returns how many were read.
int ReadGuidGroups(GUID& guid, std::string_view value,
                   ReadObserver* observer) {
  GuidCursor cursor(value, observer);
  std::uint64_t n = 0;
  if (!cursor.Number(32, 32, guid.Data1, &n)) return 0;
  guid.Data1 = static_cast<std::uint32_t>(n);
  if (!cursor.Separator() || !cursor.Number(32, 16, guid.Data2, &n)) return 1;
  guid.Data2 = static_cast<std::uint16_t>(n);
  if (!cursor.Separator() || !cursor.Number(32, 16, guid.Data3, &n)) return 2;
  guid.Data3 = static_cast<std::uint16_t>(n);
  if (!cursor.Separator() || !cursor.Number(32, 16, Data4High(guid), &n)) {
    return 3;
  }
  guid.Data4[0] = static_cast<std::uint8_t>(n >> 8);
  guid.Data4[1] = static_cast<std::uint8_t>(n);
  if (!cursor.Separator() || !cursor.Number(64, 48, Data4Low(guid), &n)) {
    return 4;
  }
  for (int i = 0; i < 6; ++i) {
    guid.Data4[2 + i] = static_cast<std::uint8_t>(n >> (40 - 8 * i));
  }
  return 5;
}

}  // namespace

void InitDeviceEntry(DeviceEntry& entry, std::string_view section_name) {
  std::memset(&entry, 0, sizeof entry);
  WidenText(entry.Name, kNameCapacity, section_name);
  WidenText(entry.Prefix, kPrefixCapacity, "COM");
  entry.HasPrefix = true;
}

void ReadGuid(GUID& guid, std::string_view value, ReadObserver* observer) {
  while (!value.empty() && IsGuidWrapper(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsGuidWrapper(value.back())) value.remove_suffix(1);
  int groups = ReadGuidGroups(guid, value, observer);
  if (observer != nullptr) observer->GuidRead(value, guid, groups);
}

void ApplyDeviceKey(DeviceEntry& entry, std::string_view key,
                    std::string_view value, ReadObserver* observer) {
  if (ApplyKeyRow(entry, kDeviceDllKey, key, value, observer) ||
      ApplyKeyRows(entry, kIdKeys<DeviceEntry>, key, value, observer) ||
      ApplyKeyRows(entry, kInterfaceClassKeys, key, value, observer) ||
      ApplyKeyRows(entry, kBufferKeys, key, value, observer)) {
    return;
  }
  if (KeyIs(key, kDeviceIgnoredKey)) {  // a modem key; nothing to do here
    ReportApplied(observer, kDeviceIgnoredKey);
    return;
  }
  if (KeyIs(key, kDisableKey.Key)) {
    ReportApplied(observer, kDisableKey.Key);
    // A number that cannot be read names no interface, so nothing is added.
    HexNumber n = ReadHexNumber(value, kDisableKey.Width);
    std::uint32_t& count = entry.*kDisableKey.Count;
    const bool room = count < kMaxDisabledInterfaces;
    if (n.Ok && room) {
      (entry.*kDisableKey.List)[count++] = static_cast<std::uint8_t>(n.Value);
    }
    if (observer != nullptr) {
      ReportNumber(observer, value, 0, kDisableKey.Width, n, 8,
                   n.Ok && room ? NumberFate::kStored : NumberFate::kNotAppended,
                   n.Value & 0xFF);
      if (n.Ok && !room) observer->DisableListFull();
    }
    return;
  }
  if (KeyIs(key, kGuidKey.Key)) {
    ReportApplied(observer, kGuidKey.Key);
    ReadGuid(entry.*kGuidKey.Field, value, observer);
    entry.*kGuidKey.Flag = true;
    return;
  }
  if (observer != nullptr) observer->KeyUnknown();
}

}  // namespace tarnwell
