#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "regstore/Utf.h"
#include "regstore/TreeRegistry.h"
#include "support/RegistryDump.h"

namespace tarnwell::regstore {
namespace {

using tarnwell::testing::Narrow;
using tarnwell::testing::ValueAt;

RegHandle Open(TreeRegistry& registry, const char16_t* path,
               RegHandle parent = kLocalMachine) {
  RegHandle key = 0;
  EXPECT_EQ(registry.CreateKey(parent, path, kKeyReadWrite, &key), 0)
      << Narrow(path);
  return key;
}

std::int32_t SetText(TreeRegistry& registry, RegHandle key,
                     const char16_t* name, std::u16string_view text) {
  std::string data;
  AppendUtf16Le(data, std::u16string(text) + u'\0');
  return registry.SetValue(key, name, kRegSz, data.data(),
                           static_cast<std::uint32_t>(data.size()));
}

std::int32_t SetNumber(TreeRegistry& registry, RegHandle key,
                       const char16_t* name, std::uint32_t v) {
  return registry.SetValue(key, name, kRegDword, &v, sizeof v);
}

std::string ChildNames(const RegNode* node) {
  if (node == nullptr) return "<no key>";
  std::string names;
  for (const auto& child : node->Children()) {
    if (!names.empty()) names += ",";
    names += Narrow(child.second->Name());
  }
  return names;
}

TEST(TreeRegistry, CreateKeyCreatesEveryMissingKeyOnThePath) {
  TreeRegistry registry;
  RegHandle key = Open(registry, u"Drivers\\USB\\ClientDrivers\\USBCDC");
  EXPECT_NE(key, 0u);
  RegTree& tree = registry.Tree();
  EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE")), "Drivers");
  EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers")), "USB");
  EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers\\USB")),
            "ClientDrivers");
  EXPECT_EQ(
      ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers\\USB\\ClientDrivers")),
      "USBCDC");

  // Opening what exists is success too, and adds nothing.
  RegHandle again = Open(registry, u"Drivers\\USB");
  EXPECT_NE(again, key) << "each open gets its own handle";
  EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers")), "USB");
}

// A store's Load replaces its tree; the keys of the last path opened go
// with the old one.
TEST(TreeRegistry, AReplacedTreeIsWrittenFromItsTop) {
  struct Store : TreeRegistry {
    using TreeRegistry::ReplaceTree;
  } registry;
  Open(registry, u"Drivers\\USB");
  RegTree loaded;
  loaded.Create(u"HKEY_LOCAL_MACHINE\\Drivers\\Old");
  registry.ReplaceTree(std::move(loaded));
  Open(registry, u"Drivers\\USB\\New");
  EXPECT_EQ(ChildNames(registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\Drivers")),
            "Old,USB");
}

TEST(TreeRegistry, KeysMatchWithoutCaseAndKeepTheirFirstSpelling) {
  TreeRegistry registry;
  Open(registry, u"Drivers\\USB\\Ключ\\Κλειδι");
  Open(registry, u"DRIVERS\\usb\\КЛЮЧ\\ΚΛΕΙΔΙ\\New");
  Open(registry, u"drivers\\Usb\\ключ\\κλειδι\\NEW\\Deeper");
  RegTree& tree = registry.Tree();
  EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE")), "Drivers");
  EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers")), "USB");
  EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers\\USB")), "Ключ");
  EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers\\USB\\Ключ")),
            "Κλειδι");
  EXPECT_EQ(
      ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE\\Drivers\\USB\\Ключ\\Κλειδι")),
      "New");
  EXPECT_EQ(ChildNames(tree.Find(
                u"HKEY_LOCAL_MACHINE\\Drivers\\USB\\Ключ\\Κλειδι\\New")),
            "Deeper");
}

TEST(TreeRegistry, ValuesMatchWithoutCaseAndAreReplacedInPlace) {
  TreeRegistry registry;
  RegHandle key = Open(registry, u"K");
  ASSERT_EQ(SetText(registry, key, u"Dll", u"old.dll"), 0);
  ASSERT_EQ(SetNumber(registry, key, u"Count", 1), 0);
  ASSERT_EQ(SetText(registry, key, u"Имя", u"a"), 0);
  ASSERT_EQ(SetText(registry, key, u"DLL", u"new.dll"), 0);
  ASSERT_EQ(SetNumber(registry, key, u"ИМЯ", 7), 0);

  const RegNode* node = registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\K");
  ASSERT_NE(node, nullptr);
  ASSERT_EQ(node->Values().size(), 3u);
  EXPECT_EQ(Narrow(node->Values()[0].Name), "Dll");
  EXPECT_EQ(Narrow(node->Values()[2].Name), "Имя");
  EXPECT_EQ(ValueAt(registry.Tree(), u"k", u"dll"), "sz:new.dll");
  EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"Count"), "dword:1")
      << "the other value stays";
  EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"имя"), "dword:7")
      << "type changes with the replacement";
}

TEST(TreeRegistry, ValueBytesAreStoredAsGiven) {
  TreeRegistry registry;
  RegHandle key = Open(registry, u"K");
  const char odd[] = {'a', '\0', 'b'};
  ASSERT_EQ(registry.SetValue(key, u"Odd", kRegSz, odd, 3), 0);
  ASSERT_EQ(registry.SetValue(key, u"None", kRegBinary, nullptr, 0), 0);
  ASSERT_EQ(registry.SetValue(key, u"", kRegSz, "x\0\0", 4), 0);
  const RegNode* node = registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\K");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(std::string(node->Value(u"Odd")->Data), std::string(odd, 3));
  EXPECT_EQ(std::string(node->Value(u"None")->Data), "");
  EXPECT_EQ(node->Value(u"None")->Type, kRegBinary);
  EXPECT_EQ(ValueAt(registry.Tree(), u"K", u""), "sz:x");
}

TEST(TreeRegistry, KeysOpenBelowAnOpenKey) {
  TreeRegistry registry;
  RegHandle parent = Open(registry, u"Drivers\\USB");
  RegHandle child = Open(registry, u"ClientDrivers\\X", parent);
  ASSERT_EQ(SetNumber(registry, child, u"N", 5), 0);
  EXPECT_EQ(ValueAt(registry.Tree(), u"Drivers\\USB\\ClientDrivers\\X", u"N"),
            "dword:5");

  // An empty path opens the parent itself.
  RegHandle same = Open(registry, u"", parent);
  ASSERT_EQ(SetNumber(registry, same, u"M", 6), 0);
  EXPECT_EQ(ValueAt(registry.Tree(), u"Drivers\\USB", u"M"), "dword:6");
}

TEST(TreeRegistry, InvalidHandlesAreRefused) {
  TreeRegistry registry;
  RegHandle key = Open(registry, u"K");
  ASSERT_EQ(registry.CloseKey(key), 0);

  const RegHandle bad[] = {0, key, key + 1000, 12345};
  for (RegHandle handle : bad) {
    std::uint32_t v = 1;
    EXPECT_EQ(registry.SetValue(handle, u"N", kRegDword, &v, 4),
              kErrorInvalidHandle)
        << handle;
    RegHandle out = 99;
    EXPECT_EQ(registry.CreateKey(handle, u"Sub", kKeyReadWrite, &out),
              kErrorInvalidHandle)
        << handle;
    EXPECT_EQ(out, 0u) << "a failed create leaves no handle";
  }
  EXPECT_EQ(ChildNames(registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\K")), "");
  EXPECT_EQ(registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\K")->Values().size(),
            0u);
}

TEST(TreeRegistry, CloseTwiceFailsTheSecondTime) {
  TreeRegistry registry;
  RegHandle a = Open(registry, u"A");
  RegHandle b = Open(registry, u"B");
  EXPECT_EQ(registry.OpenKeyCount(), 2u);
  EXPECT_EQ(registry.CloseKey(a), 0);
  EXPECT_EQ(registry.CloseKey(a), kErrorInvalidHandle);
  EXPECT_EQ(registry.OpenKeyCount(), 1u);
  EXPECT_EQ(SetNumber(registry, b, u"N", 1), 0) << "the other key stays open";
  EXPECT_EQ(registry.CloseKey(b), 0);
  EXPECT_EQ(registry.OpenKeyCount(), 0u);
}

struct BadPath {
  const char* What;
  std::u16string Path;
  std::int32_t Error;
};

TEST(TreeRegistry, BadPathsFailAndCreateNothing) {
  const BadPath cases[] = {
      {"leading backslash", u"\\A", kErrorBadPathname},
      {"trailing backslash", u"A\\", kErrorBadPathname},
      {"empty name inside", u"A\\\\B", kErrorBadPathname},
      {"lone backslash", u"\\", kErrorBadPathname},
      {"name of 256 characters", u"A\\" + std::u16string(256, u'x'),
       kErrorInvalidParameter},
      {"control character", u"A\\B\x01", kErrorInvalidParameter},
      {"line feed", u"A\nB", kErrorInvalidParameter},
  };
  // Also after a path that the bad one begins as: the keys of the last
  // path opened are where a path that shares them starts.
  for (const bool after_a_b : {false, true}) {
    for (const BadPath& c : cases) {
      TreeRegistry registry;
      if (after_a_b) registry.CloseKey(Open(registry, u"A\\B"));
      RegHandle key = 77;
      EXPECT_EQ(registry.CreateKey(kLocalMachine, c.Path.c_str(),
                                   kKeyReadWrite, &key),
                c.Error)
          << c.What << after_a_b;
      EXPECT_EQ(key, 0u) << c.What;
      EXPECT_EQ(registry.OpenKeyCount(), 0u) << c.What;
      const RegTree& tree = registry.Tree();
      EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE")),
                after_a_b ? "A" : "<no key>")
          << c.What;
      EXPECT_EQ(ChildNames(tree.Find(u"HKEY_LOCAL_MACHINE\\A")),
                after_a_b ? "B" : "<no key>")
          << c.What;
    }
  }

  TreeRegistry registry;
  RegHandle ok = Open(registry, (u"A\\" + std::u16string(255, u'x')).c_str());
  EXPECT_NE(ok, 0u) << "255 characters fit";
}

TEST(TreeRegistry, AKeyOfManyValuesFindsEachInAnyCaseAndChangesOnlyWhenTheyDo) {
  TreeRegistry registry;
  RegHandle key = Open(registry, u"K");
  for (std::uint32_t i = 0; i < 100; ++i) {
    std::u16string name = u"Value" + std::u16string(1, u'A' + i % 26) +
                          std::u16string(i / 26 + 1, u'x');
    ASSERT_EQ(SetNumber(registry, key, name.c_str(), i), 0);
  }
  RegNode* node = registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\K");
  ASSERT_EQ(node->Values().size(), 100u);
  EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"VALUEDXXXX"), "dword:81");
  ASSERT_EQ(SetNumber(registry, key, u"valuedxxxx", 7), 0);
  EXPECT_EQ(node->Values().size(), 100u) << "replaced, not added";
  EXPECT_EQ(Narrow(node->Values()[81].Name), "ValueDxxxx");
  EXPECT_EQ(ValueAt(registry.Tree(), u"K", u"ValueDxxxx"), "dword:7");

  TreeRegistry fresh;
  EXPECT_FALSE(fresh.Changed());
  RegHandle k = Open(fresh, u"K");
  ASSERT_TRUE(fresh.Changed()) << "a new key";
  ASSERT_EQ(SetNumber(fresh, k, u"N", 1), 0);
  EXPECT_TRUE(fresh.Changed());
}

TEST(TreeRegistry, AKeyOfManyChildrenFindsEachInAnyCaseAndListsThemInOrder) {
  TreeRegistry registry;
  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < 100; ++i) {
    const std::uint32_t n = i * 37 % 100;  // made out of order
    // Half share more than their first eight units.
    const std::u16string name = (n % 2 != 0 ? u"Kid" : u"Kids of one name ") +
                                std::u16string(1, u'a' + n % 26) +
                                std::u16string(n / 26 + 1, u'\u00e9');
    RegHandle key = Open(registry, (u"K\\" + name).c_str());
    ASSERT_EQ(SetText(registry, key, u"V", u"a longer text"), 0);
    ASSERT_EQ(SetText(registry, key, u"V", u"short"), 0);
    ASSERT_EQ(SetText(registry, key, u"v", u"longer than the first"), 0);
    names.push_back(Narrow(FoldCase(name)));
  }
  std::sort(names.begin(), names.end());
  RegNode* node = registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\K");
  ASSERT_EQ(node->ChildCount(), 100u);
  std::string folded;
  for (const auto& child : node->Children()) {
    folded += Narrow(FoldCase(child.second->Name())) + ",";
  }
  std::string want;
  for (const std::string& name : names) want += name + ",";
  EXPECT_EQ(folded, want) << "by folded name, whatever the order made";
  EXPECT_EQ(ValueAt(registry.Tree(), u"K\\KIDD\u00c9\u00c9\u00c9", u"V"),
            "sz:longer than the first");

  Open(registry, u"k\\KIDS OF ONE NAME Y\u00c9");
  EXPECT_EQ(node->ChildCount(), 100u) << "found, not made again";
}

TEST(TreeRegistry, BadValueArgumentsAreRefused) {
  TreeRegistry registry;
  RegHandle key = Open(registry, u"K");
  std::uint32_t v = 1;
  EXPECT_EQ(registry.SetValue(key, u"a\tb", kRegDword, &v, 4),
            kErrorInvalidParameter);
  EXPECT_EQ(registry.SetValue(key, nullptr, kRegDword, &v, 4),
            kErrorInvalidParameter);
  EXPECT_EQ(registry.SetValue(key, u"N", kRegDword, nullptr, 4),
            kErrorInvalidParameter);
  RegHandle out = 5;
  EXPECT_EQ(registry.CreateKey(kLocalMachine, nullptr, kKeyReadWrite, &out),
            kErrorInvalidParameter);
  EXPECT_EQ(registry.CreateKey(kLocalMachine, u"X", kKeyReadWrite, nullptr),
            kErrorInvalidParameter);
  EXPECT_TRUE(registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\K")->Values().empty());
  EXPECT_EQ(registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\X"), nullptr);
}

// Beyond ASCII, the letters whose case folds, at the edges of each range,
// and their neighbours that must not fold.
TEST(TreeRegistry, NamesDifferingOnlyInCaseAreOneNameBeyondAsciiToo) {
  struct Case {
    const char16_t* A;
    const char16_t* B;
    bool Same;
  };
  const Case cases[] = {
      {u"\u00E0", u"\u00C0", true},  {u"\u00FE", u"\u00DE", true},
      {u"\u00FF", u"\u0178", true},  {u"\u00F7", u"\u00D7", false},
      {u"\u00DF", u"\u00BF", false}, {u"\u03B1", u"\u0391", true},
      {u"\u03C9", u"\u03A9", true},  {u"\u0430", u"\u0410", true},
      {u"\u044F", u"\u042F", true},  {u"\u0450", u"\u0400", true},
      {u"\u045F", u"\u040F", true},  {u"\u0460", u"\u0410", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SameName(c.A, c.B), c.Same) << Narrow(c.A) << " " << Narrow(c.B);
    TreeRegistry registry;
    Open(registry, c.A);
    Open(registry, c.B);
    EXPECT_EQ(registry.Tree().Find(u"HKEY_LOCAL_MACHINE")->ChildCount(),
              c.Same ? 1u : 2u)
        << Narrow(c.A) << " " << Narrow(c.B);
  }
}

// Data larger than the blocks the tree's memory comes in gets blocks of
// its own; what was stored before and after it stays whole.
TEST(TreeRegistry, ValuesLargerThanAMemoryBlockAreKeptWhole) {
  for (bool large_first : {true, false}) {
    TreeRegistry registry;
    std::vector<std::string> data;
    for (std::size_t size : {std::size_t{300} * 1024, std::size_t{8},
                             std::size_t{40} * 1024, std::size_t{16}}) {
      std::string bytes(size, '\0');
      for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i * 7 + size);
      }
      data.push_back(bytes);
    }
    if (!large_first) std::swap(data[0], data[1]);
    RegHandle key = Open(registry, u"K");
    for (std::size_t i = 0; i < data.size(); ++i) {
      const std::u16string name = u"V" + std::u16string(1, u'0' + i);
      ASSERT_EQ(registry.SetValue(key, name.c_str(), kRegBinary, data[i].data(),
                                  static_cast<std::uint32_t>(data[i].size())),
                0);
    }
    const RegNode* node = registry.Tree().Find(u"HKEY_LOCAL_MACHINE\\K");
    ASSERT_EQ(node->Values().size(), data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
      EXPECT_TRUE(std::string_view(node->Values()[i].Data) == data[i])
          << "value " << i;
    }
  }
}

}  // namespace
}  // namespace tarnwell::regstore
