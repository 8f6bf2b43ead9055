// The checker's store of the installer's registry calls: what it notes,
// whose entry each call belongs to, and the registry it leaves, which must
// be the one the in-memory store leaves after the same calls.
#include <gtest/gtest.h>

#include "check/Report.h"
#include "check/SharedValues.h"
#include "regstore/RegFormat.h"
#include "regstore/RegParse.h"
#include "regstore/TreeRegistry.h"
#include "regstore/Utf.h"

namespace tarnwell::check {
namespace {

TEST(WriteLog, NotesSuccessfulCallsInTheEntriesThatTheWritersBegin) {
  WriteLog log;
  const std::uint32_t one = 1, two = 2;
  RegHandle before = 0, key = 0, below = 0, failed = 0, modem = 0;
  ASSERT_EQ(log.CreateKey(kLocalMachine, u"Before", kKeyReadWrite, &before), 0);
  // Values before the first entry are stored, and noted as no entry's.
  ASSERT_EQ(log.SetValue(before, u"Early", 4, &one, 4), 0);
  // A device entry begins with its load-client key.
  ASSERT_EQ(log.CreateKey(kLocalMachine, u"Drivers\\USB\\LoadClients\\X",
                          kKeyReadWrite, &key), 0);
  ASSERT_EQ(log.CreateKey(key, u"Sub", kKeyReadWrite, &below), 0);
  EXPECT_EQ(log.CreateKey(kLocalMachine, u"A\\\\B", kKeyReadWrite, &failed),
            kErrorBadPathname);
  EXPECT_EQ(log.CreateKey(12345, u"A", kKeyReadWrite, &failed),
            kErrorInvalidHandle);
  ASSERT_EQ(log.SetValue(below, u"V", 4, &one, 4), 0);
  ASSERT_EQ(log.SetValue(below, u"v", 4, &one, 4), 0);  // the same slot
  ASSERT_EQ(log.SetValue(below, u"W", 4, &one, 4), 0);
  EXPECT_EQ(log.SetValue(key, u"\x01", 4, &one, 4), kErrorInvalidParameter);
  EXPECT_EQ(log.SetValue(12345, u"V", 4, &one, 4), kErrorInvalidHandle);
  // Refused as the store refuses them, or the root key, which no writer
  // opens; an empty path below a key opens that key.
  for (const char16_t* path : {static_cast<const char16_t*>(nullptr), u""}) {
    EXPECT_EQ(log.CreateKey(kLocalMachine, path, kKeyReadWrite, &failed),
              kErrorInvalidParameter);
  }
  EXPECT_EQ(log.CreateKey(key, u"", kKeyReadWrite, nullptr),
            kErrorInvalidParameter);
  EXPECT_EQ(log.SetValue(key, nullptr, 4, &one, 4), kErrorInvalidParameter);
  EXPECT_EQ(log.SetValue(key, u"V", 4, nullptr, 4), kErrorInvalidParameter);
  // A modem entry begins with the "Template" of the key opened last.
  ASSERT_EQ(log.CreateKey(before, u"M", kKeyReadWrite, &modem), 0);
  ASSERT_EQ(log.SetValue(modem, u"Template", 4, &one, 4), 0);
  // A later entry writing the same data replaces nothing; other data does.
  ASSERT_EQ(log.SetValue(below, u"V", 4, &one, 4), 0);
  ASSERT_EQ(log.SetValue(below, u"W", 4, &two, 4), 0);
  EXPECT_EQ(log.CloseKey(modem), kErrorSuccess);
  EXPECT_EQ(log.CloseKey(modem), kErrorInvalidHandle);

  ASSERT_EQ(log.Keys().size(), 4u);
  EXPECT_EQ(log.Keys()[2].Path, u"Drivers\\USB\\LoadClients\\X\\Sub");
  ASSERT_EQ(log.Slots().size(), 4u);
  EXPECT_EQ(log.Slots()[0].Writer, WriteLog::kNobody);
  EXPECT_EQ(log.Slots()[1].Key, 2u);
  ASSERT_EQ(log.Entries().size(), 2u);
  const auto keys = [&](std::size_t entry) {
    const auto run = log.KeysOf(log.Entries()[entry]);
    return std::vector<std::size_t>(run.begin(), run.end());
  };
  EXPECT_EQ(keys(0), (std::vector<std::size_t>{1, 2}));
  EXPECT_EQ(log.WritesOf(log.Entries()[0]).size(), 3u);
  EXPECT_EQ(log.Entries()[1].Kind, SectionKind::kModem);
  EXPECT_EQ(keys(1), (std::vector<std::size_t>{3}));
  const auto writes = log.WritesOf(log.Entries()[1]);
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[1].Replaced, WriteLog::kNobody);
  EXPECT_EQ(writes[2].Replaced, 0u);

  // The same key again, an empty value, and a type changed on the same
  // bytes: the key is the one it was, and the type is the new one.
  RegHandle again = 0;
  ASSERT_EQ(log.CreateKey(below, u"", kKeyReadWrite, &again), 0);
  ASSERT_EQ(log.SetValue(again, u"E", kRegSz, nullptr, 0), 0);
  ASSERT_EQ(log.SetValue(again, u"W", kRegBinary, &two, 4), 0);
  EXPECT_EQ(log.Keys().size(), 4u);
  EXPECT_EQ(log.Slots().back().Data, "");
  EXPECT_EQ(log.Slots()[2].Type, kRegBinary);
}

// Key paths and DWORD values set in order; a null name only opens the key.
struct Call {
  std::u16string Path;
  const char16_t* Name;
  std::uint32_t Value;
};

struct LeftCase {
  const char16_t* Start;  // .reg text of the registry the calls start from
  std::vector<Call> Calls;
};

// Names of other spellings, values held before, a value changed and set
// back, a key below one the start holds, keys opened and never written.
const LeftCase kLeftCases[] = {
    {u"", {}},
    {u"", {{u"A\\B", u"V", 1}, {u"a", u"v", 2}, {u"A\\b", u"v", 3},
          {u"A\\B\\C", nullptr, 0}}},
    {u"[HKEY_LOCAL_MACHINE\\A]\r\n\"V\"=dword:00000001\r\n", {{u"a", u"V", 1}}},
    {u"[HKEY_LOCAL_MACHINE\\A]\r\n\"V\"=dword:00000001\r\n",
     {{u"a", u"v", 2}, {u"A", u"V", 1}}},
    {u"[HKEY_LOCAL_MACHINE\\A]\r\n\"X\"=dword:00000001\r\n"
     u"[HKEY_LOCAL_MACHINE\\D\\E]\r\n",
     {{u"a\\b", u"W", 5}, {u"a", u"Y", 1}, {u"a", u"x", 2}, {u"d\\e", u"Z", 1},
      {u"d", nullptr, 0}}},
    {u"[HKEY_LOCAL_MACHINE\\A]\r\n", {{u"A", nullptr, 0}}},
};

// The table, and keys enough to grow the log's index several times, each
// met again in another spelling once all are made.
std::vector<LeftCase> LeftCases() {
  std::vector<LeftCase> cases(std::begin(kLeftCases), std::end(kLeftCases));
  cases.push_back({u"", {}});
  for (std::uint32_t n = 0; n < 600; ++n) {
    const std::string path = (n < 300 ? "Key\\" : "KEY\\") + std::to_string(n % 300);
    cases.back().Calls.push_back({{path.begin(), path.end()}, u"V", n});
  }
  return cases;
}

TEST(WriteLog, LeavesTheRegistryThatTheStoreLeaves) {
  for (const LeftCase& c : LeftCases()) {
    const std::u16string start_text =
        u"Windows Registry Editor Version 5.00\r\n\r\n" + std::u16string(c.Start);
    regstore::RegTree start;
    ASSERT_TRUE(regstore::ParseRegText(start_text, start).Ok);
    regstore::TreeRegistry store;
    store.Tree() = start.Copy();
    WriteLog log(&start);
    for (Registry* registry : {static_cast<Registry*>(&store),
                               static_cast<Registry*>(&log)}) {
      for (const Call& call : c.Calls) {
        RegHandle key = 0;
        ASSERT_EQ(registry->CreateKey(kLocalMachine, call.Path.c_str(),
                                      kKeyReadWrite, &key), 0);
        if (call.Name != nullptr) {
          ASSERT_EQ(registry->SetValue(key, call.Name, kRegDword, &call.Value,
                                       4), 0);
        }
        ASSERT_EQ(registry->CloseKey(key), 0);
      }
    }
    const std::string at = "starting from: " + regstore::Utf16ToUtf8(start_text);
    EXPECT_EQ(regstore::FormatRegFile(log.Result()),
              regstore::FormatRegFile(store.Tree())) << at;
    EXPECT_EQ(log.Changed(), store.Changed()) << at;
    const TreeSize before = MeasureTree(start);
    const TreeSize after = MeasureTree(store.Tree());
    EXPECT_EQ(before.Keys + log.AddedKeys(), after.Keys) << at;
    EXPECT_EQ(before.Values + log.AddedValues(), after.Values) << at;
  }
}

}  // namespace
}  // namespace tarnwell::check
