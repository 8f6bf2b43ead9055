#include "config/DeviceEntry.h"

#include <cstring>

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

const IgnoredKey kDeviceIgnoredKey = {"IFC"};

namespace {

bool IsGuidWrapper(char c) {
  return c == '\'' || c == '{' || c == '}' || c == '"';
}

void ApplyRow(DeviceEntry& entry, const GuidKey& row, std::string_view value) {
  ReadGuid(entry.*row.Field, value);
  entry.*row.Flag = true;
}

// A number that cannot be read names no interface, so nothing is added;
// nor is anything once the list is full.
void ApplyRow(DeviceEntry& entry, const DisableListKey& row,
              std::string_view value) {
  const HexNumber n = ReadHexNumber(value, row.Width);
  std::uint32_t& count = entry.*row.Count;
  if (n.Ok && count < kMaxDisabledInterfaces) {
    (entry.*row.List)[count++] = static_cast<std::uint8_t>(n.Value);
  }
}

}  // namespace

void InitDeviceEntry(DeviceEntry& entry, std::string_view section_name) {
  std::memset(&entry, 0, sizeof entry);
  WidenText(entry.Name, kNameCapacity, section_name);
  WidenText(entry.Prefix, kPrefixCapacity, "COM");
  entry.HasPrefix = true;
}

std::string_view GuidBody(std::string_view value) {
  while (!value.empty() && IsGuidWrapper(value.front())) value.remove_prefix(1);
  while (!value.empty() && IsGuidWrapper(value.back())) value.remove_suffix(1);
  return value;
}

GuidGroups ReadGuidGroups(std::string_view body) {
  GuidGroups groups;
  std::size_t pos = 0;
  for (int i = 0; i < 5; ++i) {
    if (i > 0) {
      while (pos < body.size() && IsHexSpace(body[pos])) ++pos;
      if (pos >= body.size()) break;
      ++pos;  // any one character separates the groups
    }
    groups.Start[i] = pos;
    groups.Group[i] = ReadHexNumber(body, i < 4 ? 32 : 64, pos);
    groups.Tried = i + 1;
    if (!groups.Group[i].Ok) break;
    groups.Read = i + 1;
    pos = groups.Group[i].End;
  }
  return groups;
}

void ReadGuid(GUID& guid, std::string_view value) {
  const GuidGroups g = ReadGuidGroups(GuidBody(value));
  auto n = [&](int i) { return g.Group[i].Value; };
  if (g.Read > 0) guid.Data1 = static_cast<std::uint32_t>(n(0));
  if (g.Read > 1) guid.Data2 = static_cast<std::uint16_t>(n(1));
  if (g.Read > 2) guid.Data3 = static_cast<std::uint16_t>(n(2));
  if (g.Read > 3) {
    guid.Data4[0] = static_cast<std::uint8_t>(n(3) >> 8);
    guid.Data4[1] = static_cast<std::uint8_t>(n(3));
  }
  if (g.Read > 4) {
    for (int i = 0; i < 6; ++i) {
      guid.Data4[2 + i] = static_cast<std::uint8_t>(n(4) >> (40 - 8 * i));
    }
  }
}

std::size_t ApplyDeviceKey(DeviceEntry& entry, std::string_view key,
                           std::string_view value) {
  return FindKeyRow(
      [](auto visit) { VisitDeviceKeys(visit); }, key,
      [&](const auto& row) { ApplyRow(entry, row, value); });
}

}  // namespace tarnwell
