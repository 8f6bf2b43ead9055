// The checker's list of keys must agree with the installer's key tables,
// and its suggestions must catch slips without inventing matches.
#include <gtest/gtest.h>

#include "check/KeyCatalog.h"
#include "config/DeviceEntry.h"
#include "config/ModemEntry.h"
#include "config/ReadObserver.h"

namespace tarnwell::check {
namespace {

class RowListener : public ReadObserver {
 public:
  bool Applied = false;
  bool Unknown = false;
  void KeyApplied(const char*, int) override { Applied = true; }
  void KeyUnknown() override { Unknown = true; }
};

// What the entry operation says of one key: true when a row matched.
bool InstallerKnows(SectionKind kind, const std::string& key) {
  RowListener listener;
  if (kind == SectionKind::kDevice) {
    DeviceEntry entry{};
    ApplyDeviceKey(entry, key, "1", &listener);
  } else {
    ModemEntry entry{};
    ApplyModemKey(entry, key, "1", &listener);
  }
  EXPECT_NE(listener.Applied, listener.Unknown) << key;
  return listener.Applied;
}

TEST(KeyCatalog, AgreesWithTheInstallersKeyTables) {
  for (SectionKind kind : {SectionKind::kDevice, SectionKind::kModem}) {
    for (const std::string& key : KnownKeys(kind)) {
      EXPECT_TRUE(InstallerKnows(kind, key)) << key;
    }
    const SectionKind other =
        kind == SectionKind::kDevice ? SectionKind::kModem : SectionKind::kDevice;
    for (const std::string& key : KnownKeys(other)) {
      EXPECT_EQ(InstallerKnows(kind, key), IsKnownKey(kind, key)) << key;
    }
  }
  for (const char* unknown : {"Init16", "Init01", "Init", "GUID2", ""}) {
    EXPECT_FALSE(InstallerKnows(SectionKind::kModem, unknown)) << unknown;
    EXPECT_FALSE(IsKnownKey(SectionKind::kModem, unknown)) << unknown;
  }
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
