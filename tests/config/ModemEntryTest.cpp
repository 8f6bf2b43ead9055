#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/ModemEntry.h"
#include "support/CaseName.h"
#include "support/ShownText.h"

namespace tarnwell {
namespace {

using ::tarnwell::testing::Shown;

ModemEntry Fresh() {
  ModemEntry entry;
  std::memset(&entry, 0x5A, sizeof entry);  // Init must clear everything
  InitModemEntry(entry);
  return entry;
}

struct Snapshot {
  explicit Snapshot(const ModemEntry& e) { std::memcpy(bytes, &e, sizeof e); }
  bool Same(const ModemEntry& e) const {
    return std::memcmp(bytes, &e, sizeof e) == 0;
  }
  unsigned char bytes[sizeof(ModemEntry)];
};

struct TextField {
  const char* Key;
  char16_t (ModemEntry::*Field)[kTextCapacity];
  bool ModemEntry::*Flag;
};

const TextField kTextFields[] = {
    {"TSP", &ModemEntry::Tsp, &ModemEntry::HasTsp},
    {"FriendlyName", &ModemEntry::FriendlyName, &ModemEntry::HasFriendlyName},
    {"BaudRate", &ModemEntry::BaudRate, &ModemEntry::HasBaudRate},
    {"Answer", &ModemEntry::Answer, &ModemEntry::HasAnswer},
    {"CallSetupFailTimeout", &ModemEntry::CallSetupFailTimeout,
     &ModemEntry::HasCallSetupFailTimeout},
    {"DialPrefix", &ModemEntry::DialPrefix, &ModemEntry::HasDialPrefix},
    {"DialSuffix", &ModemEntry::DialSuffix, &ModemEntry::HasDialSuffix},
    {"Monitor", &ModemEntry::Monitor, &ModemEntry::HasMonitor},
    {"Prefix", &ModemEntry::SettingsPrefix, &ModemEntry::HasSettingsPrefix},
    {"Pulse", &ModemEntry::Pulse, &ModemEntry::HasPulse},
    {"Reset", &ModemEntry::Reset, &ModemEntry::HasReset},
    {"Terminator", &ModemEntry::Terminator, &ModemEntry::HasTerminator},
    {"Tone", &ModemEntry::Tone, &ModemEntry::HasTone},
};

std::string Cased(std::string key, bool upper) {
  for (char& c : key) {
    c = static_cast<char>(upper ? std::toupper(c) : std::tolower(c));
  }
  return key;
}

void ExpectOnlyDllAndPrefix(const ModemEntry& e) {
  EXPECT_EQ(Shown(e.Prefix), "COM");
  EXPECT_TRUE(e.HasPrefix);
  EXPECT_EQ(e.Vid, 0);
  EXPECT_FALSE(e.HasVid);
  EXPECT_EQ(e.Pid, 0);
  EXPECT_FALSE(e.HasPid);
  EXPECT_EQ(e.Ifc, 0);
  EXPECT_FALSE(e.HasIfc);
  EXPECT_EQ(e.DeviceType, 0u);
  EXPECT_FALSE(e.HasDeviceType);
  for (const TextField& f : kTextFields) {
    EXPECT_EQ(Shown(e.*f.Field), "") << f.Key;
    EXPECT_FALSE(e.*f.Flag) << f.Key;
  }
  for (std::size_t n = 0; n < kInitStringCount; ++n) {
    EXPECT_EQ(Shown(e.Init[n].Text), "") << "Init" << n;
    EXPECT_FALSE(e.Init[n].HasText) << "Init" << n;
  }
}

TEST(InitModemEntry, LeavesOnlyThePrefix) {
  ModemEntry entry = Fresh();
  ExpectOnlyDllAndPrefix(entry);
  EXPECT_EQ(Shown(entry.Dll), "");
  EXPECT_FALSE(entry.HasDll);
}

TEST(ModemDll, SetsDllAndNothingElse) {
  ModemEntry entry = Fresh();
  ApplyModemKey(entry, "DLL", "UsbModem.dll");
  EXPECT_EQ(Shown(entry.Dll), "UsbModem.dll");
  EXPECT_TRUE(entry.HasDll);
  ExpectOnlyDllAndPrefix(entry);

  ApplyModemKey(entry, "dll", std::string(200, 'm'));
  EXPECT_EQ(Shown(entry.Dll), std::string(127, 'm'));
}

class ModemTextValue : public ::testing::TestWithParam<TextField> {};

TEST_P(ModemTextValue, StoresTheTextAsWrittenInItsOwnField) {
  const TextField& f = GetParam();
  for (bool upper : {false, true}) {
    ModemEntry entry = Fresh();
    ApplyModemKey(entry, Cased(f.Key, upper), "Ab \"q\" #;=\xE9");
    EXPECT_EQ(Shown(entry.*f.Field), "Ab \"q\" #;=<00E9>");
    EXPECT_TRUE(entry.*f.Flag);
    for (const TextField& other : kTextFields) {
      if (other.Flag == f.Flag) continue;
      EXPECT_EQ(Shown(entry.*other.Field), "")
          << other.Key << " set by " << f.Key;
      EXPECT_FALSE(entry.*other.Flag) << other.Key << " flagged by " << f.Key;
    }
    EXPECT_EQ(Shown(entry.Prefix), "COM")
        << "no key changes the template prefix";
    EXPECT_FALSE(entry.HasDll);
  }
}

TEST_P(ModemTextValue, CutsAt255AndReplacesWhole) {
  const TextField& f = GetParam();
  ModemEntry entry = Fresh();
  ApplyModemKey(entry, f.Key, std::string(300, 'x'));
  EXPECT_EQ(Shown(entry.*f.Field), std::string(255, 'x'));
  ApplyModemKey(entry, f.Key, "y");
  EXPECT_EQ(Shown(entry.*f.Field), "y");
  ApplyModemKey(entry, f.Key, "");
  EXPECT_EQ(Shown(entry.*f.Field), "");
  EXPECT_TRUE(entry.*f.Flag);
}

INSTANTIATE_TEST_SUITE_P(AllTexts, ModemTextValue,
                         ::testing::ValuesIn(kTextFields),
                         [](const ::testing::TestParamInfo<TextField>& info) {
                           return std::string(info.param.Key);
                         });

struct NumberField {
  const char* Key;
  std::uint32_t (*Get)(const ModemEntry&);
  bool (*Has)(const ModemEntry&);
};

#define NUMBER_FIELD(key, field)                                       \
  NumberField {                                                        \
    key, [](const ModemEntry& e) -> std::uint32_t { return e.field; }, \
        [](const ModemEntry& e) -> bool { return e.Has##field; }       \
  }

const NumberField kVid = NUMBER_FIELD("VID", Vid);
const NumberField kPid = NUMBER_FIELD("PID", Pid);
const NumberField kIfc = NUMBER_FIELD("IFC", Ifc);
const NumberField kDeviceType = NUMBER_FIELD("DeviceType", DeviceType);

struct Conversion {
  const NumberField* Field;
  const char* Value;
  std::uint32_t Expected;
};

class ModemNumberKey : public ::testing::TestWithParam<Conversion> {};

TEST_P(ModemNumberKey, ReadsHexadecimal) {
  const Conversion& c = GetParam();
  ModemEntry entry = Fresh();
  ApplyModemKey(entry, Cased(c.Field->Key, false), c.Value);
  EXPECT_EQ(c.Field->Get(entry), c.Expected)
      << c.Field->Key << "=" << c.Value << std::hex << " want 0x" << c.Expected;
  EXPECT_TRUE(c.Field->Has(entry));
}

const Conversion kModemConversions[] = {
    {&kVid, "0x1234", 0x1234},
    {&kVid, "1234", 0x1234},
    {&kPid, "-1", 0xFFFF},
    {&kIfc, "102", 0x02},
    {&kIfc, "1F", 0x1F},
    {&kIfc, "-1", 0xFF},
    {&kDeviceType, "10", 0x10},
    {&kDeviceType, "1z", 1},
    {&kDeviceType, "FFFFFFFF", 0xFFFFFFFF},
};

INSTANTIATE_TEST_SUITE_P(
    Values, ModemNumberKey, ::testing::ValuesIn(kModemConversions),
    testing::NamedByWords<Conversion>([](const Conversion& c) {
      return std::string(c.Field->Key) + " " + c.Value;
    }));

TEST(ModemNumberKey, UnreadableValueKeepsThePreviousValueAndSetsTheFlag) {
  struct Bad {
    const NumberField* Field;
    const char* Value;
  };
  for (const Bad& b :
       {Bad{&kVid, "10000"}, Bad{&kVid, "zz"}, Bad{&kPid, ""}, Bad{&kIfc, "zz"},
        Bad{&kIfc, "100000000"}, Bad{&kIfc, ""}, Bad{&kDeviceType, "zz"},
        Bad{&kDeviceType, "100000000"}}) {
    ModemEntry entry = Fresh();
    ApplyModemKey(entry, b.Field->Key, b.Value);
    EXPECT_EQ(b.Field->Get(entry), 0u) << b.Field->Key << "=" << b.Value;
    EXPECT_TRUE(b.Field->Has(entry));
    ApplyModemKey(entry, b.Field->Key, "5");
    ApplyModemKey(entry, b.Field->Key, b.Value);
    EXPECT_EQ(b.Field->Get(entry), 5u)
        << b.Field->Key << "=5 then " << b.Field->Key << "=" << b.Value;
  }
}

TEST(ModemInitKeys, SixteenNumberedStrings) {
  ModemEntry entry = Fresh();
  for (int n = 0; n < 16; ++n) {
    ApplyModemKey(entry, "INIT" + std::to_string(n),
                  "AT&F" + std::to_string(n));
  }
  for (int n = 0; n < 16; ++n) {
    EXPECT_EQ(Shown(entry.Init[n].Text), "AT&F" + std::to_string(n)) << n;
    EXPECT_TRUE(entry.Init[n].HasText) << n;
  }
}

TEST(ModemInitKeys, AnyCaseSelectsTheSameElement) {
  ModemEntry entry = Fresh();
  EXPECT_NE(ApplyModemKey(entry, "init1", "a"), kNoKey);
  EXPECT_EQ(Shown(entry.Init[1].Text), "a");
  EXPECT_NE(ApplyModemKey(entry, "INIT1", "b"), kNoKey);
  EXPECT_EQ(Shown(entry.Init[1].Text), "b");
  EXPECT_FALSE(entry.Init[0].HasText);
  EXPECT_FALSE(entry.Init[10].HasText);
}

TEST(ModemInitKeys, OtherSpellingsSelectNothing) {
  for (const char* key : {"Init16", "Init01", "Init", "Init-1", "Init 1",
                          "Init1x", "Init100", "Init+1"}) {
    ModemEntry entry = Fresh();
    Snapshot before(entry);
    EXPECT_EQ(ApplyModemKey(entry, key, "x"), kNoKey) << key;
    EXPECT_TRUE(before.Same(entry)) << key << " changed the entry";
  }
}

TEST(ModemKey, DeviceKeysHaveNoEffect) {
  for (const char* key :
       {"GUID", "IFC_Class", "IFC_SubClass", "IFC_Protocol", "IFC_Disable",
        "NumberOfControlInBuffers", "BufferCountIn", "VID2", "", "Tsp2"}) {
    ModemEntry entry = Fresh();
    Snapshot before(entry);
    ApplyModemKey(entry, key, "1");
    EXPECT_TRUE(before.Same(entry)) << key << " changed the entry";
  }
}

}  // namespace
}  // namespace tarnwell
