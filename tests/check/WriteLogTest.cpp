// The log the checker keeps of the installer's registry calls: what it
// notes, whose entry each call belongs to, and what it lets pass without a
// note.
#include <gtest/gtest.h>

#include "check/SharedValues.h"

namespace tarnwell::check {
namespace {

TEST(WriteLog, NotesSuccessfulCallsInTheEntriesThatTheWritersBegin) {
  regstore::TreeRegistry store;
  WriteLog log(store);
  const std::uint32_t one = 1, two = 2;
  RegHandle before = 0, key = 0, below = 0, failed = 0, modem = 0, direct = 0;
  ASSERT_EQ(log.CreateKey(kLocalMachine, u"Before", kKeyReadWrite, &before), 0);
  // Values before the first entry, and keys it did not open, go unlogged.
  ASSERT_EQ(log.SetValue(before, u"Early", 4, &one, 4), 0);
  ASSERT_EQ(store.CreateKey(kLocalMachine, u"Direct", kKeyReadWrite, &direct), 0);
  ASSERT_EQ(log.CreateKey(direct, u"Sub", kKeyReadWrite, &failed), 0);
  ASSERT_EQ(log.SetValue(direct, u"V", 4, &one, 4), 0);
  // A device entry begins with its load-client key.
  ASSERT_EQ(log.CreateKey(kLocalMachine, u"Drivers\\USB\\LoadClients\\X",
                          kKeyReadWrite, &key), 0);
  ASSERT_EQ(log.CreateKey(key, u"Sub", kKeyReadWrite, &below), 0);
  EXPECT_EQ(log.CreateKey(kLocalMachine, u"A\\\\B", kKeyReadWrite, &failed),
            kErrorBadPathname);
  ASSERT_EQ(log.SetValue(below, u"V", 4, &one, 4), 0);
  ASSERT_EQ(log.SetValue(below, u"v", 4, &one, 4), 0);  // the same slot
  ASSERT_EQ(log.SetValue(below, u"W", 4, &one, 4), 0);
  EXPECT_EQ(log.SetValue(key, u"\x01", 4, &one, 4), kErrorInvalidParameter);
  // A modem entry begins with the "Template" of the key opened last.
  ASSERT_EQ(log.CreateKey(before, u"M", kKeyReadWrite, &modem), 0);
  ASSERT_EQ(log.SetValue(modem, u"Template", 4, &one, 4), 0);
  // A later entry writing the same data replaces nothing; other data does.
  ASSERT_EQ(log.SetValue(below, u"V", 4, &one, 4), 0);
  ASSERT_EQ(log.SetValue(below, u"W", 4, &two, 4), 0);
  EXPECT_EQ(log.Save(), kErrorSuccess);

  ASSERT_EQ(log.Keys().size(), 4u);
  EXPECT_EQ(log.Keys()[2].Path, u"Drivers\\USB\\LoadClients\\X\\Sub");
  EXPECT_EQ(log.Keys()[3].Path, u"Before\\M");
  ASSERT_EQ(log.Slots().size(), 3u);
  EXPECT_EQ(log.Slots()[0].Key, 2u);
  ASSERT_EQ(log.Entries().size(), 2u);
  EXPECT_EQ(log.Entries()[0].Keys, (std::vector<std::size_t>{1, 2}));
  EXPECT_EQ(log.Entries()[0].Writes.size(), 3u);
  EXPECT_EQ(log.Entries()[1].Kind, SectionKind::kModem);
  EXPECT_EQ(log.Entries()[1].Keys, (std::vector<std::size_t>{3}));
  ASSERT_EQ(log.Entries()[1].Writes.size(), 3u);
  EXPECT_EQ(log.Entries()[1].Writes[1].Replaced, WriteLog::kNobody);
  EXPECT_EQ(log.Entries()[1].Writes[2].Replaced, 0u);
  // Every call reached the store all the same.
  EXPECT_NE(store.Tree().Find(u"HKEY_LOCAL_MACHINE\\Before\\M"), nullptr);
}

}  // namespace
}  // namespace tarnwell::check
