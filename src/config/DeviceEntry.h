// One device section of usbcdc.cfg: a USB device or interface group that the
// CDC client driver serves. A plain fixed-size record, copied by value.
#pragma once

#include <cstdint>
#include <string_view>
#include <type_traits>

#include "config/Capacities.h"
#include "config/HexNumber.h"
#include "config/KeyTables.h"

namespace tarnwell {

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};

struct DeviceEntry {
  char16_t Name[kNameCapacity];
  char16_t Dll[kDllCapacity];
  bool HasDll;
  char16_t Prefix[kPrefixCapacity];
  bool HasPrefix;
  std::uint16_t Vid;
  bool HasVid;
  std::uint16_t Pid;
  bool HasPid;
  GUID Guid;
  bool HasGuid;
  std::uint8_t IfcClass;
  bool HasIfcClass;
  std::uint8_t IfcSubClass;
  bool HasIfcSubClass;
  std::uint8_t IfcProtocol;
  bool HasIfcProtocol;
  std::uint8_t IfcDisable[kMaxDisabledInterfaces];
  std::uint32_t IfcDisableCount;
  std::uint32_t NumberOfControlInBuffers;
  bool HasNumberOfControlInBuffers;
  std::uint32_t BufferCountOut;
  bool HasBufferCountOut;
  std::uint32_t BufferCountIn;
  bool HasBufferCountIn;
  std::uint32_t BufferSizeFactorIn;
  bool HasBufferSizeFactorIn;
  std::uint32_t BufferSizeFactorOut;
  bool HasBufferSizeFactorOut;
};

static_assert(std::is_trivially_copyable_v<DeviceEntry>,
              "device entries are copied byte for byte");
static_assert(sizeof(bool) == 1, "presence flags are one byte");
static_assert(sizeof(GUID) == 16, "a GUID is 16 bytes");

// The keys of a device section, one table per family (the rows' shapes are
// in KeyTables.h), and VisitDeviceKeys, the one list of them.
extern const TextKey<DeviceEntry, kDllCapacity> kDeviceDllKey;  // "Dll"
// IFC_Class, IFC_SubClass, IFC_Protocol: read at 32 bits, 8 kept; they
// name the interface group of the load-client key.
extern const NumberKey<DeviceEntry, std::uint8_t> kInterfaceClassKeys[3];
// The driver's buffer settings, in the order the template key gets them.
extern const NumberKey<DeviceEntry, std::uint32_t> kBufferKeys[5];

struct GuidKey {
  const char* Key;
  GUID DeviceEntry::*Field;
  bool DeviceEntry::*Flag;
  const char16_t* ValueName;  // the REG_SZ of its text
};
extern const GuidKey kGuidKey;

// One interface number per line, appended to a list of fixed capacity.
struct DisableListKey {
  const char* Key;
  std::uint8_t (DeviceEntry::*List)[kMaxDisabledInterfaces];
  std::uint32_t DeviceEntry::*Count;
  unsigned Width;  // read at 32 bits, 8 kept
};
extern const DisableListKey kDisableKey;

// "IFC", which names a modem's interface: device sections accept it
// without effect.
extern const IgnoredKey kDeviceIgnoredKey;

// Calls visit(row) with every row of a device section's key tables in
// turn: the one list that the entry operation and tarnwell-check read.
template <typename Visit>
void VisitDeviceKeys(Visit visit) {
  visit(kDeviceDllKey);
  for (const auto& row : kIdKeys<DeviceEntry>) visit(row);
  for (const auto& row : kInterfaceClassKeys) visit(row);
  for (const auto& row : kBufferKeys) visit(row);
  visit(kGuidKey);
  visit(kDisableKey);
  visit(kDeviceIgnoredKey);
}

// Clears the entry, then sets Name (cut to 127 units), Prefix "COM" and
// HasPrefix.
void InitDeviceEntry(DeviceEntry& entry, std::string_view section_name);

// Applies one key=value line of a device section and returns the index of
// its row in VisitDeviceKeys, or kNoKey for a key that no row takes, which
// changes nothing. A value that cannot be read still sets the key's
// presence flag and keeps the field's previous value.
std::size_t ApplyDeviceKey(DeviceEntry& entry, std::string_view key,
                           std::string_view value);

// A GUID value: what lies inside its wrapping braces and quotes.
std::string_view GuidBody(std::string_view value);

// The groups of a GUID body as the reader takes them: a number at 32 bits
// (the last at 64), then blanks and one separator character before the
// next. Reading ends at the first group that cannot be read, or where the
// text ends before a separator.
struct GuidGroups {
  HexNumber Group[5];
  std::size_t Start[5] = {};  // where each group's reading began
  int Tried = 0;              // groups whose reading began
  int Read = 0;               // groups read, the first Read of them
};
GuidGroups ReadGuidGroups(std::string_view body);

// Reads a GUID value ("{...}", quoted or bare) into guid; groups that
// cannot be read keep their previous value.
void ReadGuid(GUID& guid, std::string_view value);

}  // namespace tarnwell
