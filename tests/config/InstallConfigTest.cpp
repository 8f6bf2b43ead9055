#include <gtest/gtest.h>

#include <string>

#include "config/InstallConfig.h"
#include "config/WideText.h"
#include "support/ShownText.h"

namespace tarnwell {
namespace {

using ::tarnwell::testing::Shown;

DeviceEntry Device(const char* name, const char* dll) {
  DeviceEntry entry;
  InitDeviceEntry(entry, name);
  if (dll != nullptr) ApplyDeviceKey(entry, "DLL", dll);
  return entry;
}

ModemEntry Modem(const char* dll) {
  ModemEntry entry;
  InitModemEntry(entry);
  if (dll != nullptr) ApplyModemKey(entry, "DLL", dll);
  return entry;
}

TEST(InstallConfig, StartsEmpty) {
  InstallConfig config;
  EXPECT_TRUE(config.Devices.empty());
  EXPECT_TRUE(config.Modems.empty());
}

TEST(InstallConfig, RefusesEntriesWithoutDllOrPrefix) {
  InstallConfig config;
  ASSERT_TRUE(config.AppendDevice(Device("first", "a.dll")));
  ASSERT_TRUE(config.AppendModem(Modem("m.dll")));

  EXPECT_FALSE(config.AppendDevice(Device("no dll", nullptr)));
  DeviceEntry no_prefix = Device("no prefix", "b.dll");
  no_prefix.HasPrefix = false;
  EXPECT_FALSE(config.AppendDevice(no_prefix));

  EXPECT_FALSE(config.AppendModem(Modem(nullptr)));
  ModemEntry modem_no_prefix = Modem("n.dll");
  modem_no_prefix.HasPrefix = false;
  EXPECT_FALSE(config.AppendModem(modem_no_prefix));

  ASSERT_EQ(config.Devices.size(), 1u);
  EXPECT_EQ(Shown(config.Devices[0].Name), "first");
  ASSERT_EQ(config.Modems.size(), 1u);
  EXPECT_EQ(Shown(config.Modems[0].Dll), "m.dll");
}

// The flag decides, not the text: "DLL=" with nothing after it is a DLL line.
TEST(InstallConfig, AcceptsAnEmptyDllThatWasGiven) {
  InstallConfig config;
  EXPECT_TRUE(config.AppendDevice(Device("d", "")));
  EXPECT_TRUE(config.AppendModem(Modem("")));
  DeviceEntry text_without_flag = Device("t", nullptr);
  WidenText(text_without_flag.Dll, kDllCapacity, "x.dll");
  EXPECT_FALSE(config.AppendDevice(text_without_flag));
  EXPECT_EQ(config.Devices.size(), 1u);
  EXPECT_EQ(config.Modems.size(), 1u);
}

// The reader reuses one working entry per kind; what was appended must not
// follow it.
TEST(InstallConfig, KeepsCopiesIndependentOfTheWorkingEntry) {
  InstallConfig config;
  DeviceEntry working = Device("A", "a.dll");
  ApplyDeviceKey(working, "VID", "12");
  ApplyDeviceKey(working, "IFC_Disable", "3");
  ASSERT_TRUE(config.AppendDevice(working));

  InitDeviceEntry(working, "B");
  ApplyDeviceKey(working, "DLL", "b.dll");
  ASSERT_TRUE(config.AppendDevice(working));
  ApplyDeviceKey(working, "VID", "99");

  ModemEntry modem = Modem("m.dll");
  ApplyModemKey(modem, "Init3", "ATZ");
  ASSERT_TRUE(config.AppendModem(modem));
  InitModemEntry(modem);

  ASSERT_EQ(config.Devices.size(), 2u);
  const DeviceEntry& a = config.Devices[0];
  EXPECT_EQ(Shown(a.Name), "A");
  EXPECT_EQ(Shown(a.Dll), "a.dll");
  EXPECT_TRUE(a.HasVid);
  EXPECT_EQ(a.Vid, 0x12);
  ASSERT_EQ(a.IfcDisableCount, 1u);
  EXPECT_EQ(a.IfcDisable[0], 3);
  const DeviceEntry& b = config.Devices[1];
  EXPECT_EQ(Shown(b.Name), "B");
  EXPECT_FALSE(b.HasVid);
  EXPECT_EQ(b.IfcDisableCount, 0u);

  ASSERT_EQ(config.Modems.size(), 1u);
  EXPECT_EQ(Shown(config.Modems[0].Dll), "m.dll");
  EXPECT_TRUE(config.Modems[0].Init[3].HasText);
  EXPECT_EQ(Shown(config.Modems[0].Init[3].Text), "ATZ");
}

// Elements never move: a reference taken early stays valid and unchanged
// however many entries follow.
TEST(InstallConfig, KeepsEachKindInAppendOrder) {
  InstallConfig config;
  ASSERT_TRUE(config.AppendDevice(Device("A", "a")));
  const DeviceEntry& first = config.Devices.front();
  ASSERT_TRUE(config.AppendModem(Modem("M")));
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(config.AppendDevice(Device("B", std::to_string(i).c_str())));
  }
  ASSERT_TRUE(config.AppendModem(Modem("N")));

  EXPECT_EQ(&first, &config.Devices.front());
  EXPECT_EQ(Shown(first.Name), "A");
  ASSERT_EQ(config.Devices.size(), 1001u);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_EQ(Shown(config.Devices[i + 1].Dll), std::to_string(i));
  }
  ASSERT_EQ(config.Modems.size(), 2u);
  EXPECT_EQ(Shown(config.Modems[0].Dll), "M");
  EXPECT_EQ(Shown(config.Modems[1].Dll), "N");
}

}  // namespace
}  // namespace tarnwell
