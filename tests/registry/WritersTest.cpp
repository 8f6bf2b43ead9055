#include <gtest/gtest.h>

#include <functional>
#include <iterator>

#include "config/InstallConfig.h"
#include "support/ConfigText.h"
#include "support/RegistryDump.h"
#include "support/ScriptedRegistry.h"

namespace tarnwell {
namespace {

using testing::ConfigFromText;
using testing::KeyExists;
using testing::ScriptedRegistry;
using testing::ValueAt;
using testing::ValueCount;

constexpr char16_t kTemplate[] =
    u"Drivers\\USB\\ClientDrivers\\USBCDC_Template_Default";
constexpr char16_t kCom[] = u"Drivers\\USB\\ClientDrivers\\USBCDC_COM_Template";

const DeviceEntry& OnlyDevice(const InstallConfig& config) {
  EXPECT_EQ(config.Devices.size(), 1u);
  return config.Devices.front();
}

struct LoadClientCase {
  const char* Lines;
  const char16_t* Key;
};

TEST(LoadClientKeys, KeyNameFollowsWhichIdentifiersWereGiven) {
  const LoadClientCase cases[] = {
      {"", u"Default\\Default\\Default"},
      {"VID=1234\nPID=5678\nIFC_Class=2\nIFC_SubClass=2\nIFC_Protocol=1\n",
       u"4660_22136\\Default\\2_2_1"},
      {"PID=5678\n", u"Default\\Default\\Default"},
      {"VID=0x0525\n", u"1317\\Default\\Default"},
      {"IFC_Class=2\nIFC_Protocol=1\n", u"Default\\Default\\2"},
      {"IFC_SubClass=2\nIFC_Protocol=1\n", u"Default\\Default\\Default"},
      {"VID=FFFF\nPID=0\nIFC_Class=FF\nIFC_SubClass=0\n",
       u"65535_0\\Default\\255_0"},
  };
  for (const LoadClientCase& c : cases) {
    InstallConfig config =
        ConfigFromText(std::string("[d]\nDLL=x.dll\n") + c.Lines);
    ScriptedRegistry registry;
    ASSERT_TRUE(config.WriteLoadClientKeys(OnlyDevice(config), registry));
    std::u16string key = u"Drivers\\USB\\LoadClients\\" + std::u16string(c.Key) +
                         u"\\USBCDC_Driver";
    EXPECT_EQ(ValueAt(registry.Tree(), key, u"Dll"), "sz:x.dll")
        << c.Lines << " should write " << testing::Narrow(key);
  }
}

TEST(LoadClientKeys, DllOnlyWritesDllAndPrefixAndNothingElse) {
  InstallConfig config = ConfigFromText("[d]\nDLL=usbcdc.dll\n");
  ScriptedRegistry registry;
  ASSERT_TRUE(config.WriteLoadClientKeys(OnlyDevice(config), registry));
  EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"Dll"), "sz:usbcdc.dll");
  EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"Prefix"), "sz:COM");
  EXPECT_EQ(ValueCount(registry.Tree(), kTemplate), 2u);
}

TEST(LoadClientKeys, GuidIsWrittenInLowerCaseWithBraces) {
  InstallConfig config = ConfigFromText(
      "[d]\nDLL=x\nGUID={12345678-9ABC-DEF0-0123-456789ABCDEF}\n");
  ScriptedRegistry registry;
  ASSERT_TRUE(config.WriteLoadClientKeys(OnlyDevice(config), registry));
  EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"IClass"),
            "sz:{12345678-9abc-def0-0123-456789abcdef}");
}

TEST(LoadClientKeys, BufferSettingsAreWrittenByTheirFlagsInFixedOrder) {
  InstallConfig config = ConfigFromText(
      "[d]\nDLL=x\nBufferSizeFactorOut=3\nBufferCountOut=0\n"
      "NumberOfControlInBuffers=10\n");
  ScriptedRegistry registry;
  ASSERT_TRUE(config.WriteLoadClientKeys(OnlyDevice(config), registry));
  EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"BufferCountOut"), "dword:0")
      << "a value given as 0 is still written";
  EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"NumberOfControlInBuffers"),
            "dword:16");
  EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"BufferCountIn"),
            "<no value>");
  std::vector<std::u16string> dwords;
  for (const auto& call : registry.Calls) {
    if (call.Op == "set" && call.Type == kRegDword) dwords.push_back(call.Arg);
  }
  EXPECT_EQ(dwords, (std::vector<std::u16string>{u"NumberOfControlInBuffers",
                                                  u"BufferCountOut",
                                                  u"BufferSizeFactorOut"}));
}

TEST(LoadClientKeys, SecondDeviceReplacesSharedTemplateValuesAndKeepsTheRest) {
  InstallConfig config = ConfigFromText(
      "[a]\nDLL=a.dll\nBufferCountIn=8\nGUID=1-2-3-4-5\n"
      "[b]\nDLL=b.dll\nBufferCountIn=4\n");
  ScriptedRegistry registry;
  ASSERT_TRUE(config.WriteConfigToRegistry(registry));
  EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"Dll"), "sz:b.dll");
  EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"BufferCountIn"), "dword:4");
  EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"IClass"),
            "sz:{00000001-0002-0003-0004-000000000005}");
}

TEST(LoadClientKeys, StopsAtTheFirstFailedCall) {
  InstallConfig config =
      ConfigFromText("[d]\nDLL=new.dll\nGUID=1-2-3-4-5\nBufferCountIn=1\n");
  {
    ScriptedRegistry registry;
    registry.FailCall(1);  // the load-client key
    EXPECT_FALSE(config.WriteLoadClientKeys(OnlyDevice(config), registry));
    EXPECT_FALSE(KeyExists(registry.Tree(), kTemplate));
  }
  {
    ScriptedRegistry registry;
    registry.FailCall(5);  // create, Dll, create template, Dll, Prefix
    EXPECT_FALSE(config.WriteLoadClientKeys(OnlyDevice(config), registry));
    EXPECT_EQ(ValueAt(registry.Tree(), kTemplate, u"Dll"), "sz:new.dll");
    EXPECT_EQ(ValueCount(registry.Tree(), kTemplate), 1u)
        << "nothing after the failed Prefix";
    EXPECT_EQ(registry.OpenKeyCount(), 0u) << "the held key is closed";
  }
}

// Every create and set of a full device entry and a full modem entry fails
// in turn: the writer reports the failure, makes no create or set after
// it, and holds no key; past the last call it succeeds.
TEST(Writers, EveryFailedCallStopsTheWriterThere) {
  InstallConfig config = ConfigFromText(
      "[d]\nDLL=d.dll\nGUID=1-2-3-4-5\nNumberOfControlInBuffers=1\n"
      "BufferCountIn=2\nBufferCountOut=3\nBufferSizeFactorIn=4\n"
      "BufferSizeFactorOut=5\n"
      "[MODEM SETTINGS]\nDLL=m.dll\nTSP=t\nFriendlyName=f\nDeviceType=1\n"
      "BaudRate=9600\nInit0=ATZ\nInit15=ATE0\nAnswer=A\n"
      "CallSetupFailTimeout=60\nDialPrefix=D\nDialSuffix=S\nMonitor=M\n"
      "Prefix=P\nPulse=U\nReset=R\nTerminator=T\nTone=O\n");
  ASSERT_EQ(config.Devices.size(), 1u);
  ASSERT_EQ(config.Modems.size(), 1u);
  const std::function<bool(ScriptedRegistry&)> writers[] = {
      [&](ScriptedRegistry& r) {
        return config.WriteLoadClientKeys(config.Devices.front(), r);
      },
      [&](ScriptedRegistry& r) {
        return config.WriteModemKeys(u"USBCDC_Config", config.Modems.front(),
                                     u"USBCDC_COM_Template", r);
      },
  };
  for (std::size_t w = 0; w < std::size(writers); ++w) {
    int calls = 0;
    for (int fail = 1;; ++fail) {
      ScriptedRegistry registry;
      registry.FailCall(fail);
      const bool ok = writers[w](registry);
      int made = 0;
      for (const auto& call : registry.Calls) made += call.Op != "close";
      EXPECT_EQ(registry.OpenKeyCount(), 0u) << "writer " << w << ", call " << fail;
      if (ok) {
        EXPECT_EQ(made, fail - 1) << "writer " << w << " succeeded past a failure";
        calls = made;
        break;
      }
      EXPECT_EQ(made, fail) << "writer " << w << " went on after call " << fail;
    }
    // Device: two keys, Dll twice, Prefix, IClass, five numbers. Modem: six
    // keys, Template, DLL, Prefix and the sixteen values of the entry.
    EXPECT_EQ(calls, w == 0 ? 11 : 25) << "writer " << w << ": creates and sets";
  }
}

TEST(InterfaceKey, NameCarriesFourAndTwoUpperCaseHexDigits) {
  struct Case {
    std::uint16_t Vid, Pid;
    std::uint8_t Ifc;
    const char16_t* Name;
  } cases[] = {{0x1234, 0xABCD, 2, u"VID_1234&PID_ABCD&IFC_02"},
               {0x45, 0, 0x1F, u"VID_0045&PID_0000&IFC_1F"},
               {0xFFFF, 0xFFFF, 0xFF, u"VID_FFFF&PID_FFFF&IFC_FF"}};
  for (const Case& c : cases) {
    ScriptedRegistry registry;
    InstallConfig config;
    ASSERT_TRUE(config.WriteInterfaceKey(u"USBCDC_Config", c.Vid, c.Pid, c.Ifc,
                                         registry));
    std::u16string key =
        u"Drivers\\USB\\ClientDrivers\\USBCDC_Config\\" + std::u16string(c.Name);
    EXPECT_EQ(ValueAt(registry.Tree(), key, u"Disable"), "dword:1")
        << testing::Narrow(key);
  }
}

TEST(InterfaceKey, KeepsOtherValuesOfAnExistingKeyAndReportsFailures) {
  ScriptedRegistry registry;
  InstallConfig config;
  const std::u16string key =
      u"Drivers\\USB\\ClientDrivers\\USBCDC_Config\\VID_0001&PID_0002&IFC_03";
  RegHandle h = 0;
  ASSERT_EQ(registry.CreateKey(kLocalMachine, key.c_str(), kKeyReadWrite, &h), 0);
  std::uint32_t seven = 7;
  ASSERT_EQ(registry.SetValue(h, u"Other", kRegDword, &seven, 4), 0);
  registry.CloseKey(h);
  ASSERT_TRUE(config.WriteInterfaceKey(u"USBCDC_Config", 1, 2, 3, registry));
  EXPECT_EQ(ValueAt(registry.Tree(), key, u"Other"), "dword:7");
  EXPECT_EQ(ValueAt(registry.Tree(), key, u"Disable"), "dword:1");

  registry.FailCall(2);  // "Disable"
  EXPECT_FALSE(config.WriteInterfaceKey(u"USBCDC_Config", 9, 9, 9, registry));
  EXPECT_TRUE(KeyExists(registry.Tree(),
                        u"Drivers\\USB\\ClientDrivers\\USBCDC_Config\\"
                        u"VID_0009&PID_0009&IFC_09"))
      << "the key created before the failure stays";
}

TEST(KeyPaths, NamesTooLongForTheBufferCreateNoKeyAtAll) {
  // Levels of 200 units each, over 1024 in all: a cut path would name
  // another key.
  std::u16string name;
  for (int i = 0; i < 6; ++i) name += std::u16string(200, u'a') + u"\\";
  name += u"end";
  InstallConfig config = ConfigFromText("[MODEM SETTINGS]\nDLL=m\n");
  ScriptedRegistry registry;
  EXPECT_FALSE(config.WriteInterfaceKey(name.c_str(), 1, 2, 3, registry));
  EXPECT_FALSE(config.WriteModemKeys(name.c_str(), config.Modems.front(),
                                     u"T", registry));
  EXPECT_FALSE(config.WriteModemKeys(u"USBCDC_Config", config.Modems.front(),
                                     name.c_str(), registry));
  for (const auto& call : registry.Calls) {
    EXPECT_LE(call.Arg.size(), 1023u) << "a cut path reached the registry";
  }
  EXPECT_FALSE(KeyExists(registry.Tree(), u"Drivers\\USB\\ClientDrivers\\T"))
      << "the entry stops before its template key";
}

TEST(ModemKeys, DllOnlyEntryCreatesAllSixKeys) {
  InstallConfig config = ConfigFromText("[MODEM SETTINGS]\nDLL=m.dll\n");
  ScriptedRegistry registry;
  ASSERT_TRUE(config.WriteModemKeys(u"USBCDC_Config", config.Modems.front(),
                                    u"USBCDC_COM_Template", registry));
  EXPECT_EQ(ValueAt(registry.Tree(),
                    u"Drivers\\USB\\ClientDrivers\\USBCDC_Config\\"
                    u"VID_0000&PID_0000&IFC_00",
                    u"Template"),
            "sz:USBCDC_COM_Template");
  EXPECT_EQ(ValueAt(registry.Tree(), kCom, u"DLL"), "sz:m.dll");
  EXPECT_EQ(ValueAt(registry.Tree(), kCom, u"Prefix"), "sz:COM");
  for (const char16_t* sub : {u"\\Unimodem", u"\\Unimodem\\Config",
                              u"\\Unimodem\\Init", u"\\Unimodem\\Settings"}) {
    std::u16string key = std::u16string(kCom) + sub;
    EXPECT_TRUE(KeyExists(registry.Tree(), key)) << testing::Narrow(key);
    EXPECT_EQ(ValueCount(registry.Tree(), key), 0u) << testing::Narrow(key);
  }
}

TEST(ModemKeys, WritesEveryValueWhereItBelongs) {
  InstallConfig config = ConfigFromText(
      "[MODEM SETTINGS]\nDLL=m.dll\nVID=1234\nPID=AB\nIFC=2\nTSP=unimodem.dll\n"
      "FriendlyName=My Modem\nDeviceType=10\nBaudRate=115200\n"
      "Init7=ATZ\nInit3=AT&F\nPrefix=AT\nTone=T\nCallSetupFailTimeout=60\n");
  ScriptedRegistry registry;
  ASSERT_TRUE(config.WriteModemKeys(u"USBCDC_Config", config.Modems.front(),
                                    u"USBCDC_COM_Template", registry));
  auto& tree = registry.Tree();
  EXPECT_EQ(ValueAt(tree,
                    u"Drivers\\USB\\ClientDrivers\\USBCDC_Config\\"
                    u"VID_1234&PID_00AB&IFC_02",
                    u"Template"),
            "sz:USBCDC_COM_Template");
  const std::u16string uni = std::u16string(kCom) + u"\\Unimodem";
  EXPECT_EQ(ValueAt(tree, uni, u"TSP"), "sz:unimodem.dll");
  EXPECT_EQ(ValueAt(tree, uni, u"FriendlyName"), "sz:My Modem");
  EXPECT_EQ(ValueAt(tree, uni, u"DeviceType"), "dword:16");
  EXPECT_EQ(ValueAt(tree, uni + u"\\Config", u"BaudRate"), "sz:115200");
  EXPECT_EQ(ValueAt(tree, uni + u"\\Settings", u"Prefix"), "sz:AT");
  EXPECT_EQ(ValueAt(tree, kCom, u"Prefix"), "sz:COM");
  EXPECT_EQ(ValueAt(tree, uni + u"\\Settings", u"CallSetupFailTimeout"),
            "sz:60");
  std::vector<std::u16string> init_names;
  for (const auto& v : tree.Find(u"HKEY_LOCAL_MACHINE\\" + uni + u"\\Init")
                           ->Values()) {
    init_names.emplace_back(v.Name);
  }
  EXPECT_EQ(init_names, (std::vector<std::u16string>{u"3", u"7"}))
      << "bare indexes, ascending";
}

TEST(ModemKeys, AFailureStopsTheEntryWhereItHappened) {
  InstallConfig config = ConfigFromText(
      "[MODEM SETTINGS]\nDLL=m.dll\nTSP=t.dll\nFriendlyName=F\nBaudRate=9600\n");
  ScriptedRegistry registry;
  // create ifc, Template, create template, DLL, Prefix, create Unimodem,
  // TSP, FriendlyName <- fails
  registry.FailCall(8);
  EXPECT_FALSE(config.WriteModemKeys(u"USBCDC_Config", config.Modems.front(),
                                     u"USBCDC_COM_Template", registry));
  const std::u16string uni = std::u16string(kCom) + u"\\Unimodem";
  EXPECT_EQ(ValueAt(registry.Tree(), uni, u"TSP"), "sz:t.dll");
  EXPECT_FALSE(KeyExists(registry.Tree(), uni + u"\\Config"));
  EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST(ModemKeys, SharesTheInterfaceKeyOfADisabledInterface) {
  InstallConfig config = ConfigFromText(
      "[MODEM SETTINGS]\nDLL=m\nVID=1\nPID=2\nIFC=3\n"
      "[dev]\nDLL=d\nVID=1\nPID=2\nIFC_Disable=3\n");
  ScriptedRegistry registry;
  ASSERT_TRUE(config.WriteConfigToRegistry(registry));
  const char16_t* key =
      u"Drivers\\USB\\ClientDrivers\\USBCDC_Config\\VID_0001&PID_0002&IFC_03";
  EXPECT_EQ(ValueAt(registry.Tree(), key, u"Disable"), "dword:1");
  EXPECT_EQ(ValueAt(registry.Tree(), key, u"Template"), "sz:USBCDC_COM_Template");
}

}  // namespace
}  // namespace tarnwell
