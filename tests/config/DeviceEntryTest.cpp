#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/DeviceEntry.h"
#include "support/CaseName.h"
#include "support/ShownText.h"

namespace tarnwell {
namespace {

using ::tarnwell::testing::Shown;

std::string Shown(const GUID& g) {
  char text[40];
  std::snprintf(
      text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
      static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1],
      g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

DeviceEntry Fresh(std::string_view name = "Dev") {
  DeviceEntry entry;
  InitDeviceEntry(entry, name);
  return entry;
}

// Byte snapshot, so that "nothing changed" includes every field.
struct Snapshot {
  explicit Snapshot(const DeviceEntry& e) { std::memcpy(bytes, &e, sizeof e); }
  bool Same(const DeviceEntry& e) const {
    return std::memcmp(bytes, &e, sizeof e) == 0;
  }
  unsigned char bytes[sizeof(DeviceEntry)];
};

// Every number key with its field and flag.
struct NumberField {
  const char* Key;
  unsigned ReadWidth;
  std::uint32_t (*Get)(const DeviceEntry&);
  bool (*Has)(const DeviceEntry&);
};

#define NUMBER_FIELD(key, width, field)                                        \
  NumberField {                                                                \
    key, width, [](const DeviceEntry& e) -> std::uint32_t { return e.field; }, \
        [](const DeviceEntry& e) -> bool { return e.Has##field; }              \
  }

const NumberField kNumberFields[] = {
    NUMBER_FIELD("VID", 16, Vid),
    NUMBER_FIELD("PID", 16, Pid),
    NUMBER_FIELD("IFC_Class", 32, IfcClass),
    NUMBER_FIELD("IFC_SubClass", 32, IfcSubClass),
    NUMBER_FIELD("IFC_Protocol", 32, IfcProtocol),
    NUMBER_FIELD("NumberOfControlInBuffers", 32, NumberOfControlInBuffers),
    NUMBER_FIELD("BufferCountOut", 32, BufferCountOut),
    NUMBER_FIELD("BufferCountIn", 32, BufferCountIn),
    NUMBER_FIELD("BufferSizeFactorIn", 32, BufferSizeFactorIn),
    NUMBER_FIELD("BufferSizeFactorOut", 32, BufferSizeFactorOut),
};

std::string Cased(std::string key, bool upper) {
  for (char& c : key)
    c = static_cast<char>(upper ? std::toupper(c) : std::tolower(c));
  return key;
}

TEST(InitDeviceEntry, ClearsEverythingButNameAndPrefix) {
  DeviceEntry entry;
  std::memset(&entry, 0xAB, sizeof entry);
  InitDeviceEntry(entry, "Modem \xE9 One");
  EXPECT_EQ(Shown(entry.Name), "Modem <00E9> One");
  EXPECT_EQ(Shown(entry.Prefix), "COM");
  EXPECT_TRUE(entry.HasPrefix);
  EXPECT_EQ(Shown(entry.Dll), "");
  EXPECT_FALSE(entry.HasDll);
  EXPECT_FALSE(entry.HasGuid);
  EXPECT_EQ(Shown(entry.Guid), Shown(GUID{}));
  EXPECT_EQ(entry.IfcDisableCount, 0u);
  for (std::uint8_t b : entry.IfcDisable) ASSERT_EQ(b, 0);
  for (const NumberField& f : kNumberFields) {
    EXPECT_EQ(f.Get(entry), 0u) << f.Key;
    EXPECT_FALSE(f.Has(entry)) << f.Key;
  }
}

TEST(InitDeviceEntry, CutsLongNamesAndKeepsEmptyOnes) {
  DeviceEntry entry = Fresh(std::string(200, 'n'));
  EXPECT_EQ(Shown(entry.Name), std::string(127, 'n'));
  EXPECT_EQ(Shown(Fresh("").Name), "");
}

struct Conversion {
  const char* Key;
  const char* Value;
  std::uint32_t Expected;
};

class DeviceNumberKey : public ::testing::TestWithParam<Conversion> {};

// Each key in any letter case reaches its own field and no other.
TEST_P(DeviceNumberKey, StoresItsFieldOnly) {
  const Conversion& c = GetParam();
  for (bool upper : {false, true}) {
    DeviceEntry entry = Fresh();
    ApplyDeviceKey(entry, Cased(c.Key, upper), c.Value);
    for (const NumberField& f : kNumberFields) {
      if (Cased(f.Key, true) == Cased(c.Key, true)) {
        EXPECT_EQ(f.Get(entry), c.Expected) << c.Key << "=" << c.Value;
        EXPECT_TRUE(f.Has(entry)) << f.Key;
      } else {
        EXPECT_EQ(f.Get(entry), 0u) << f.Key << " touched by " << c.Key;
        EXPECT_FALSE(f.Has(entry)) << f.Key << " flagged by " << c.Key;
      }
    }
    EXPECT_EQ(entry.IfcDisableCount, 0u);
  }
}

const Conversion kDeviceConversions[] = {
    {"VID", "1234", 0x1234},
    {"VID", "0x1234", 0x1234},
    {"VID", "-1", 0xFFFF},
    {"Pid", "+2A", 0x2A},
    {"IFC_Class", "102", 0x02},
    {"IFC_Class", "FF", 0xFF},
    {"IFC_Class", "12345", 0x45},
    {"IFC_SubClass", "-1", 0xFF},
    {"IFC_Protocol", "0x1FF", 0xFF},
    {"BufferCountIn", "10", 0x10},
    {"BufferCountIn", "20 remark", 0x20},
    {"BufferCountOut", "FFFFFFFF", 0xFFFFFFFF},
    {"NumberOfControlInBuffers", "-2", 0xFFFFFFFE},
    {"BufferSizeFactorIn", "0x8", 8},
    {"BufferSizeFactorOut", "1z", 1},
};

INSTANTIATE_TEST_SUITE_P(
    Values, DeviceNumberKey, ::testing::ValuesIn(kDeviceConversions),
    testing::NamedByWords<Conversion>([](const Conversion& c) {
      return std::string(c.Key) + " " + c.Value;
    }));

TEST(DeviceNumberKey, UnreadableValueKeepsThePreviousValueAndSetsTheFlag) {
  for (const NumberField& f : kNumberFields) {
    const std::string too_big = f.ReadWidth == 16 ? "10000" : "100000000";
    for (const std::string& bad :
         {std::string(), std::string("zz"), std::string("0x"), too_big}) {
      DeviceEntry entry = Fresh();
      ApplyDeviceKey(entry, f.Key, bad);
      EXPECT_EQ(f.Get(entry), 0u) << f.Key << "=" << bad;
      EXPECT_TRUE(f.Has(entry)) << f.Key << "=" << bad;

      ApplyDeviceKey(entry, f.Key, "7");
      ApplyDeviceKey(entry, f.Key, bad);
      EXPECT_EQ(f.Get(entry), 7u) << f.Key << "=7 then " << f.Key << "=" << bad;
      EXPECT_TRUE(f.Has(entry));
    }
  }
}

TEST(DeviceNumberKey, LaterLineOverwrites) {
  DeviceEntry entry = Fresh();
  ApplyDeviceKey(entry, "VID", "1");
  ApplyDeviceKey(entry, "VID", "2");
  EXPECT_EQ(entry.Vid, 2);
}

TEST(DeviceKey, KeysOutsideTheTableChangeNothing) {
  for (const char* key :
       {"VID2", "VI", "IFC_Classes", "BufferCount", "", "IFC", "Prefix", "TSP",
        "FriendlyName", "Init0", "DLL2", " DLL"}) {
    DeviceEntry entry = Fresh();
    Snapshot before(entry);
    ApplyDeviceKey(entry, key, "12");
    EXPECT_TRUE(before.Same(entry))
        << "key \"" << key << "\" changed the entry";
  }
}

TEST(DeviceDll, KeepsTheValueAsWritten) {
  DeviceEntry entry = Fresh();
  ApplyDeviceKey(entry, "dll", "UsbCdc \xE9.DLL");
  EXPECT_EQ(Shown(entry.Dll), "UsbCdc <00E9>.DLL");
  EXPECT_TRUE(entry.HasDll);

  ApplyDeviceKey(entry, "DLL", "a");
  EXPECT_EQ(Shown(entry.Dll), "a") << "a shorter value replaces the whole text";

  ApplyDeviceKey(entry, "Dll", "");
  EXPECT_EQ(Shown(entry.Dll), "");
  EXPECT_TRUE(entry.HasDll);

  ApplyDeviceKey(entry, "DLL", std::string(200, 'd'));
  EXPECT_EQ(Shown(entry.Dll), std::string(127, 'd'));
  EXPECT_EQ(Shown(entry.Prefix), "COM");
}

TEST(DeviceIfcDisable, AppendsInOrderWithRepeats) {
  DeviceEntry entry = Fresh();
  for (const char* v : {"3", "0x102", "3", "-1"}) {
    ApplyDeviceKey(entry, "IFC_Disable", v);
  }
  ASSERT_EQ(entry.IfcDisableCount, 4u);
  EXPECT_EQ(entry.IfcDisable[0], 3);
  EXPECT_EQ(entry.IfcDisable[1], 2);
  EXPECT_EQ(entry.IfcDisable[2], 3);
  EXPECT_EQ(entry.IfcDisable[3], 0xFF);
  EXPECT_EQ(entry.IfcDisable[4], 0);
}

TEST(DeviceIfcDisable, KeepsTheFirst128) {
  DeviceEntry entry = Fresh();
  for (int i = 0; i < 130; ++i) {
    char value[8];
    std::snprintf(value, sizeof value, "%x", i + 1);
    ApplyDeviceKey(entry, "ifc_disable", value);
  }
  ASSERT_EQ(entry.IfcDisableCount, 128u);
  for (int i = 0; i < 128; ++i) ASSERT_EQ(entry.IfcDisable[i], i + 1) << i;
}

// Writing "Disable" for an interface the file never named would be wrong.
TEST(DeviceIfcDisable, UnreadableNumberAppendsNothing) {
  DeviceEntry entry = Fresh();
  ApplyDeviceKey(entry, "IFC_Disable", "1");
  for (const char* bad : {"", "zz", "0x", "100000000", "-100000000"}) {
    ApplyDeviceKey(entry, "IFC_Disable", bad);
    EXPECT_EQ(entry.IfcDisableCount, 1u) << "IFC_Disable=" << bad;
  }
  ApplyDeviceKey(entry, "IFC_Disable", "2");
  ASSERT_EQ(entry.IfcDisableCount, 2u);
  EXPECT_EQ(entry.IfcDisable[1], 2);
}

struct GuidCase {
  const char* Name;
  const char* Value;
  const char* Expected;
};

class DeviceGuid : public ::testing::TestWithParam<GuidCase> {};

TEST_P(DeviceGuid, ReadsTheGroupsItCan) {
  DeviceEntry entry = Fresh();
  ApplyDeviceKey(entry, "guid", GetParam().Value);
  EXPECT_EQ(Shown(entry.Guid), GetParam().Expected)
      << "GUID=" << GetParam().Value;
  EXPECT_TRUE(entry.HasGuid);
}

constexpr const char* kFull = "{12345678-9ABC-DEF0-0123-456789ABCDEF}";

const GuidCase kGuidCases[] = {
    {"Braces", "{12345678-9ABC-DEF0-0123-456789ABCDEF}", kFull},
    {"DoubleQuotes", "\"{12345678-9ABC-DEF0-0123-456789ABCDEF}\"", kFull},
    {"SingleQuotes", "'{12345678-9ABC-DEF0-0123-456789ABCDEF}'", kFull},
    {"QuotesAndDoubledBraces",
     "\"'{{12345678-9abc-def0-0123-456789abcdef}}'\"", kFull},
    {"NoBraces", "12345678-9ABC-DEF0-0123-456789ABCDEF", kFull},
    {"DotsBetweenGroups", "{12345678.9ABC.DEF0.0123.456789ABCDEF}", kFull},
    {"BlanksAroundDashes", "{12345678 - 9ABC - DEF0 - 0123 - 456789ABCDEF}",
     kFull},
    {"HexPrefixes", "0x12345678-0x9ABC-0xDEF0-0x0123-0x456789ABCDEF", kFull},
    {"LeadingZeros", "000012345678-9ABC-DEF0-0123-456789ABCDEF", kFull},
    // Short groups read as if padded; long ones keep their low bits.
    {"ShortGroups", "1-2-3-4-5", "{00000001-0002-0003-0004-000000000005}"},
    {"LongGroups", "1-12345-23456-34567-1234567890ABCDEF",
     "{00000001-2345-3456-4567-567890ABCDEF}"},
    {"LastGroupOver48Bits", "1-2-3-4-123456789ABCDEF012",
     "{00000001-0002-0003-0004-FFFFFFFFFFFF}"},
    {"NegativeFirstGroup", "-1-2-3-4-5",
     "{FFFFFFFF-0002-0003-0004-000000000005}"},
    // A failed group ends the line; earlier groups stay read.
    {"FirstGroupOver32Bits", "123456789-2-3-4-5",
     "{00000000-0000-0000-0000-000000000000}"},
    {"SecondGroupOver32Bits", "1-123456789-3-4-5",
     "{00000001-0000-0000-0000-000000000000}"},
    {"TwoGroups", "12345678-9ABC", "{12345678-9ABC-0000-0000-000000000000}"},
    {"OneGroupAndADash", "12345678-",
     "{12345678-0000-0000-0000-000000000000}"},
    {"FourGroups", "1-2-3-4", "{00000001-0002-0003-0004-000000000000}"},
    {"UnreadableThirdGroup", "1-2-zz-4-5",
     "{00000001-0002-0000-0000-000000000000}"},
    {"UnreadableFourthGroup", "1-2-3-zz-5",
     "{00000001-0002-0003-0000-000000000000}"},
    {"UnreadableLastGroup", "1-2-3-4-zz",
     "{00000001-0002-0003-0004-000000000000}"},
    {"Empty", "", "{00000000-0000-0000-0000-000000000000}"},
};

INSTANTIATE_TEST_SUITE_P(Forms, DeviceGuid, ::testing::ValuesIn(kGuidCases),
                         [](const ::testing::TestParamInfo<GuidCase>& info) {
                           return std::string(info.param.Name);
                         });

TEST(DeviceGuid, UnreadGroupsKeepThePreviousGuid) {
  DeviceEntry entry = Fresh();
  ApplyDeviceKey(entry, "GUID", kFull);
  ApplyDeviceKey(entry, "GUID", "AAAAAAAA-BBBB");
  EXPECT_EQ(Shown(entry.Guid), "{AAAAAAAA-BBBB-DEF0-0123-456789ABCDEF}");
  ApplyDeviceKey(entry, "GUID", "123456789-1-1-1-1");
  EXPECT_EQ(Shown(entry.Guid), "{AAAAAAAA-BBBB-DEF0-0123-456789ABCDEF}");
  EXPECT_TRUE(entry.HasGuid);
}

}  // namespace
}  // namespace tarnwell
