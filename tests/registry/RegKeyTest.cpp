#include "registry/RegKey.h"

#include <gtest/gtest.h>

#include "support/RegistryDump.h"
#include "support/ScriptedRegistry.h"

namespace tarnwell {
namespace {

using testing::ScriptedRegistry;
using testing::ValueAt;

int CountOps(const ScriptedRegistry& r, const std::string& op) {
  int n = 0;
  for (const auto& call : r.Calls) n += call.Op == op;
  return n;
}

TEST(RegKey, CreateClosesTheHeldKeyFirstAndAFailedCreateHoldsNothing) {
  ScriptedRegistry registry;
  RegKey key(registry);
  ASSERT_EQ(key.Create(kLocalMachine, u"A", kKeyReadWrite), 0);
  registry.FailCall(1, 1009);
  EXPECT_EQ(key.Create(kLocalMachine, u"B", kKeyReadWrite), 1009)
      << "the platform's code is passed on unchanged";
  EXPECT_EQ(CountOps(registry, "close"), 1) << "A closed before B was tried";
  EXPECT_EQ(registry.OpenKeyCount(), 0u);
  registry.Calls.clear();
  EXPECT_EQ(key.Close(), 0);
  EXPECT_TRUE(registry.Calls.empty()) << "nothing held, nothing to close";
}

TEST(RegKey, CloseTwiceClosesOnceAndDestructionClosesTheHeldKey) {
  ScriptedRegistry registry;
  {
    RegKey key(registry);
    EXPECT_EQ(key.Close(), 0);
    ASSERT_EQ(key.Create(kLocalMachine, u"A", kKeyReadWrite), 0);
    EXPECT_EQ(key.Close(), 0);
    EXPECT_EQ(key.Close(), 0);
    EXPECT_EQ(CountOps(registry, "close"), 1);
    ASSERT_EQ(key.Create(kLocalMachine, u"B", kKeyReadWrite), 0);
  }
  EXPECT_EQ(CountOps(registry, "close"), 2);
  EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

TEST(RegKey, SetStringWritesTheTextWithItsNul) {
  ScriptedRegistry registry;
  RegKey key(registry);
  ASSERT_EQ(key.Create(kLocalMachine, u"K", kKeyReadWrite), 0);
  ASSERT_EQ(key.SetString(u"Empty", u"", kRegSz), 0);
  ASSERT_EQ(key.SetString(u"Text", u"ab", kRegSz), 0);
  ASSERT_EQ(key.SetString(u"Expand", u"%x%", kRegExpandSz), 0);
  EXPECT_EQ(registry.Calls[1].Data, std::string("\0\0", 2));
  EXPECT_EQ(registry.Calls[2].Data, std::string("a\0b\0\0\0", 6));
  EXPECT_EQ(registry.Calls[3].Type, kRegExpandSz);
  EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"Text"), "sz:ab");
}

TEST(RegKey, SetStringRefusesOtherTypesWithoutCallingThePlatform) {
  for (std::uint32_t type : {0u, 3u, 4u, 7u}) {
    ScriptedRegistry registry;
    RegKey key(registry);
    ASSERT_EQ(key.Create(kLocalMachine, u"K", kKeyReadWrite), 0);
    EXPECT_EQ(key.SetString(u"V", u"x", type), kErrorBadFormat) << type;
    EXPECT_EQ(CountOps(registry, "set"), 0) << type;
  }
}

TEST(RegKey, SetDwordWritesFourLittleEndianBytes) {
  ScriptedRegistry registry;
  RegKey key(registry);
  ASSERT_EQ(key.Create(kLocalMachine, u"K", kKeyReadWrite), 0);
  ASSERT_EQ(key.SetDword(u"D", 0x01020304u), 0);
  EXPECT_EQ(registry.Calls.back().Type, kRegDword);
  EXPECT_EQ(registry.Calls.back().Data, std::string("\x04\x03\x02\x01", 4));
}

TEST(RegKey, PassesTheAccessMaskAndReportsSetFailures) {
  ScriptedRegistry registry;
  RegKey key(registry);
  ASSERT_EQ(key.Create(kLocalMachine, u"K", kKeyReadWrite), 0);
  EXPECT_EQ(registry.Calls[0].Type, 0x2001Fu);
  registry.FailCall(1, 112);
  EXPECT_EQ(key.SetDword(u"D", 1), 112);
  EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"D"), "<no value>");
}

}  // namespace
}  // namespace tarnwell
