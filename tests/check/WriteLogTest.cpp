// The log the checker keeps of the installer's registry calls: what it
// notes, and what it lets pass without a note.
#include <gtest/gtest.h>

#include "check/SharedValues.h"

namespace tarnwell::check {
namespace {

TEST(WriteLog, NotesOnlySuccessfulCallsOfAnEntryUnderKeysItSawOpen) {
  regstore::TreeRegistry store;
  WriteLog log(store);
  const std::uint32_t one = 1;
  RegHandle before = 0, key = 0, below = 0, beside = 0, failed = 0;
  ASSERT_EQ(log.CreateKey(kLocalMachine, u"Before", kKeyReadWrite, &before), 0);
  // A device entry begins with its load-client key.
  ASSERT_EQ(log.CreateKey(kLocalMachine, u"Drivers\\USB\\LoadClients\\X",
                          kKeyReadWrite, &key), 0);
  ASSERT_EQ(log.CreateKey(key, u"Sub", kKeyReadWrite, &below), 0);
  ASSERT_EQ(log.CreateKey(before, u"Beside", kKeyReadWrite, &beside), 0);
  EXPECT_EQ(log.CreateKey(kLocalMachine, u"A\\\\B", kKeyReadWrite, &failed),
            kErrorBadPathname);
  ASSERT_EQ(log.SetValue(below, u"V", 4, &one, 4), 0);
  ASSERT_EQ(log.SetValue(beside, u"W", 4, &one, 4), 0);
  EXPECT_EQ(log.SetValue(key, u"\x01", 4, &one, 4), kErrorInvalidParameter);
  EXPECT_EQ(log.Save(), kErrorSuccess);

  ASSERT_EQ(log.Keys().size(), 2u);  // "Before" and "Beside": not opened in an entry
  EXPECT_EQ(log.Keys()[0].Path, u"Drivers\\USB\\LoadClients\\X");
  EXPECT_EQ(log.Keys()[1].Path, u"Drivers\\USB\\LoadClients\\X\\Sub");
  ASSERT_EQ(log.Slots().size(), 1u);
  EXPECT_EQ(log.Slots()[0].Name, u"V");
  EXPECT_EQ(log.Slots()[0].Key, 1u);
  ASSERT_EQ(log.Entries().size(), 1u);
  EXPECT_EQ(log.Entries()[0].Writes.size(), 1u);
  // A modem entry begins with the "Template" of the key opened last.
  RegHandle modem = 0;
  ASSERT_EQ(log.CreateKey(kLocalMachine, u"M", kKeyReadWrite, &modem), 0);
  ASSERT_EQ(log.SetValue(modem, u"Template", 4, &one, 4), 0);
  ASSERT_EQ(log.Entries().size(), 2u);
  EXPECT_EQ(log.Entries()[1].Kind, SectionKind::kModem);
  EXPECT_EQ(log.Entries()[1].Keys, std::vector<std::size_t>{2});
  EXPECT_EQ(log.Entries()[0].Keys.size(), 2u);
  // Every call reached the store all the same.
  EXPECT_NE(store.Tree().Find(u"HKEY_LOCAL_MACHINE\\Before\\Beside"), nullptr);
}

}  // namespace
}  // namespace tarnwell::check
