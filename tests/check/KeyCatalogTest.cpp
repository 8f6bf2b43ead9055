// The checker's key catalogue is gathered from the installer's key tables;
// it must list exactly the keys the entry operations take, with the width,
// bits and capacity they read them with. And its suggestions must catch
// slips without inventing matches.
#include <gtest/gtest.h>

#include <string>

#include "check/KeyCatalog.h"
#include "config/DeviceEntry.h"
#include "config/ModemEntry.h"
#include "config/ReadObserver.h"

namespace tarnwell::check {
namespace {

// What the entry operation did with one key line.
class RowListener : public ReadObserver {
 public:
  const char* Row = nullptr;
  int Index = -1;
  bool Unknown = false;
  NumberConversion Number;
  bool Read = false;
  std::size_t CutAt = 0;
  void KeyApplied(const char* name, int index) override {
    Row = name;
    Index = index;
  }
  void KeyUnknown() override { Unknown = true; }
  void NumberRead(const NumberConversion& c) override {
    if (!Read) Number = c;
    Read = true;
  }
  void TextCut(std::string_view, std::size_t capacity) override {
    CutAt = capacity;
  }
  // A key line applied alone says nothing of lines, sections or reads.
  void Line(std::size_t, std::string_view, LineKind) override {}
  void SectionOpened(SectionKind, std::string_view) override {}
  void SectionClosed(SectionKind, bool) override {}
  void KeyLine(std::string_view, std::string_view) override {}
  void DisableListFull() override {}
  void GuidRead(std::string_view, const GUID&, int) override {}
  void ReadFailed() override {}
};

RowListener Apply(SectionKind kind, const std::string& key,
                  const std::string& value) {
  RowListener listener;
  if (kind == SectionKind::kDevice) {
    DeviceEntry entry{};
    ApplyDeviceKey(entry, key, value, &listener);
  } else {
    ModemEntry entry{};
    ApplyModemKey(entry, key, value, &listener);
  }
  return listener;
}

TEST(KeyCatalog, ListsTheKeysAsTheEntryOperationsReadThem) {
  const std::string long_text(300, 'a');
  for (SectionKind kind : {SectionKind::kDevice, SectionKind::kModem}) {
    for (const KeyFacts& facts : KeysOf(kind)) {
      const bool text = facts.Form == ValueForm::kText;
      RowListener l = Apply(kind, facts.Key, text ? long_text : "0x1FF");
      ASSERT_NE(l.Row, nullptr) << facts.Key;
      EXPECT_EQ(AppliedKey(kind, l.Row, l.Index), &facts) << facts.Key;
      EXPECT_EQ(FindKey(kind, facts.Key), &facts) << facts.Key;
      if (text) {
        EXPECT_EQ(l.CutAt, facts.Capacity) << facts.Key;
      }
      if (facts.Form == ValueForm::kNumber || facts.Form == ValueForm::kList) {
        ASSERT_TRUE(l.Read) << facts.Key;
        EXPECT_EQ(l.Number.Width, facts.Width) << facts.Key;
        EXPECT_EQ(l.Number.FieldBits, facts.FieldBits) << facts.Key;
      }
    }
    const SectionKind other =
        kind == SectionKind::kDevice ? SectionKind::kModem : SectionKind::kDevice;
    for (const KeyFacts& facts : KeysOf(other)) {
      EXPECT_EQ(Apply(kind, facts.Key, "1").Unknown,
                FindKey(kind, facts.Key) == nullptr)
          << facts.Key;
    }
  }
  for (const char* unknown : {"Init16", "Init01", "Init", "GUID2", ""}) {
    EXPECT_TRUE(Apply(SectionKind::kModem, unknown, "1").Unknown) << unknown;
    EXPECT_EQ(FindKey(SectionKind::kModem, unknown), nullptr) << unknown;
  }
  // A row is its name whatever buffer holds it, and with its own index.
  const std::string row = "dll";
  EXPECT_EQ(AppliedKey(SectionKind::kDevice, row.c_str(), -1),
            FindKey(SectionKind::kDevice, "DLL"));
  EXPECT_EQ(AppliedKey(SectionKind::kModem, "Init", 16), nullptr);
  EXPECT_EQ(AppliedKey(SectionKind::kDevice, "TSP", -1), nullptr);
}

TEST(KeyCatalog, DistanceIgnoresLetterCase) {
  EXPECT_EQ(KeyDistance("BufferCountIn", "buffercountin"), 0u);
  EXPECT_EQ(KeyDistance("BuferCountIn", "BufferCountIn"), 1u);
  EXPECT_EQ(KeyDistance("Freindlyname", "FriendlyName"), 2u);
  EXPECT_EQ(KeyDistance("", "VID"), 3u);
  EXPECT_EQ(KeyDistance("abc", ""), 3u);
}

struct SuggestionCase {
  SectionKind Kind;
  const char* Key;
  const char* Suggestion;
};

TEST(KeyCatalog, SuggestsOnlyCloseKeys) {
  const SuggestionCase cases[] = {
      {SectionKind::kDevice, "BuferCountIn", "BufferCountIn"},
      {SectionKind::kDevice, "BufferCountsOut", "BufferCountOut"},
      {SectionKind::kDevice, "IFC_Disabled", "IFC_Disable"},
      {SectionKind::kDevice, "GIUD", ""},  // two letters swapped of four
      {SectionKind::kDevice, "DL", "DLL"},
      {SectionKind::kDevice, "Colour", ""},
      {SectionKind::kModem, "Freindlyname", "FriendlyName"},
      {SectionKind::kModem, "Terminater", "Terminator"},
      {SectionKind::kModem, "X", ""},
  };
  for (const SuggestionCase& c : cases) {
    EXPECT_EQ(SuggestKey(c.Kind, c.Key), c.Suggestion) << c.Key;
  }
}

}  // namespace
}  // namespace tarnwell::check
