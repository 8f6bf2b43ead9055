#include <gtest/gtest.h>

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

constexpr char16_t kConfigKey[] = u"Drivers\\USB\\ClientDrivers\\USBCDC_Config\\";

std::vector<std::u16string> CreatedPaths(const ScriptedRegistry& registry) {
  std::vector<std::u16string> paths;
  for (const auto& call : registry.Calls) {
    if (call.Op == "create") paths.push_back(call.Arg);
  }
  return paths;
}

TEST(InstallPass, EmptyConfigurationWritesNothingAndSucceeds) {
  InstallConfig config;
  ScriptedRegistry registry;
  EXPECT_TRUE(config.WriteConfigToRegistry(registry));
  EXPECT_TRUE(registry.Calls.empty());
}

TEST(InstallPass, DevicesAreWrittenBeforeModemsWhateverTheFileOrder) {
  InstallConfig config = ConfigFromText(
      "[MODEM SETTINGS]\nDLL=m\n[A]\nDLL=a\nIFC_Disable=1\n[B]\nDLL=b\n");
  ScriptedRegistry registry;
  // The listener hears each entry before its first key: a device's
  // interface keys are its own.
  struct Listener : PassListener {
    const ScriptedRegistry* Registry;
    std::vector<std::pair<SectionKind, std::size_t>> Begins;
    void EntryBegins(SectionKind kind) override {
      Begins.emplace_back(kind, CreatedPaths(*Registry).size());
    }
  } listener;
  listener.Registry = &registry;
  ASSERT_TRUE(config.WriteConfigToRegistry(registry, &listener));
  const std::vector<std::pair<SectionKind, std::size_t>> begins = {
      {SectionKind::kDevice, 0}, {SectionKind::kDevice, 3}, {SectionKind::kModem, 5}};
  EXPECT_EQ(listener.Begins, begins);
  std::vector<std::u16string> paths = CreatedPaths(registry);
  ASSERT_EQ(paths.size(), 2u + 1u + 2u + 6u);
  EXPECT_EQ(paths[2], std::u16string(kConfigKey) + u"VID_0000&PID_0000&IFC_01")
      << "device A's interface key follows its own keys, before device B";
  EXPECT_EQ(paths[5], std::u16string(kConfigKey) + u"VID_0000&PID_0000&IFC_00")
      << "the modem comes last";
}

TEST(InstallPass, AFailedEntryLeavesTheOthersWrittenAndFailsThePass) {
  InstallConfig config = ConfigFromText(
      "[A]\nDLL=a\nVID=1\nIFC_Disable=5\n[B]\nDLL=b\nVID=2\n"
      "[MODEM SETTINGS]\nDLL=m\n");
  ScriptedRegistry registry;
  registry.FailCreateContaining(u"LoadClients\\1\\");  // device A only
  EXPECT_FALSE(config.WriteConfigToRegistry(registry));
  EXPECT_EQ(ValueAt(registry.Tree(), std::u16string(kConfigKey) +
                                         u"VID_0001&PID_0000&IFC_05",
                    u"Disable"),
            "dword:1")
      << "A's interfaces are still disabled";
  EXPECT_TRUE(KeyExists(registry.Tree(),
                        u"Drivers\\USB\\LoadClients\\2\\Default\\Default\\"
                        u"USBCDC_Driver"));
  EXPECT_EQ(ValueAt(registry.Tree(),
                    u"Drivers\\USB\\ClientDrivers\\USBCDC_COM_Template",
                    u"DLL"),
            "sz:m");
}

TEST(InstallPass, AFailedInterfaceKeyFailsThePass) {
  // Reporting success while an interface stayed enabled would hide a
  // half-done install.
  InstallConfig config =
      ConfigFromText("[A]\nDLL=a\nIFC_Disable=1\nIFC_Disable=2\n[B]\nDLL=b\n");
  ScriptedRegistry registry;
  registry.FailCreateContaining(u"IFC_01");
  EXPECT_FALSE(config.WriteConfigToRegistry(registry));
  EXPECT_EQ(ValueAt(registry.Tree(),
                    std::u16string(kConfigKey) + u"VID_0000&PID_0000&IFC_02",
                    u"Disable"),
            "dword:1")
      << "the pass goes on after the failed interface";
  EXPECT_TRUE(KeyExists(registry.Tree(),
                        u"Drivers\\USB\\ClientDrivers\\USBCDC_Template_Default"));
}

TEST(InstallPass, AFailedModemFailsThePassButLaterModemsAreWritten) {
  InstallConfig config = ConfigFromText(
      "[MODEM SETTINGS]\nDLL=m1\nVID=1\n[MODEM SETTINGS]\nDLL=m2\nVID=2\n");
  ScriptedRegistry registry;
  registry.FailCreateContaining(u"VID_0001");
  EXPECT_FALSE(config.WriteConfigToRegistry(registry));
  EXPECT_EQ(ValueAt(registry.Tree(),
                    std::u16string(kConfigKey) + u"VID_0002&PID_0000&IFC_00",
                    u"Template"),
            "sz:USBCDC_COM_Template");
}

TEST(InstallPass, InterfacesAreWrittenForEveryListedNumberIncludingRepeats) {
  InstallConfig config = ConfigFromText(
      "[A]\nDLL=a\nVID=1234\nPID=ABCD\nIFC_Disable=2\nIFC_Disable=2\n"
      "IFC_Disable=7\n");
  ScriptedRegistry registry;
  ASSERT_TRUE(config.WriteConfigToRegistry(registry));
  int interface_creates = 0;
  for (const auto& path : CreatedPaths(registry)) {
    interface_creates += path.find(u"VID_1234&PID_ABCD&IFC_") != std::u16string::npos;
  }
  EXPECT_EQ(interface_creates, 3);
}

}  // namespace
}  // namespace tarnwell
