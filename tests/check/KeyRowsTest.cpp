// The checker's suggestions for unknown keys catch slips without inventing
// matches. (That the catalogue is the installer's own rows, TraceTest.)
#include <gtest/gtest.h>

#include <string>

#include "check/KeyRows.h"
#include "config/DeviceEntry.h"
#include "config/ModemEntry.h"

namespace tarnwell::check {
namespace {

TEST(KeyRows, DistanceIgnoresLetterCase) {
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

TEST(KeyRows, SuggestsOnlyCloseKeys) {
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
