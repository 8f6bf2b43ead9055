// The reader's trace only listens: reading with one gives the same result
// and registry as reading without. What it tells is what the reader did:
// the row that took each key and the entry after it, the sections and
// whether each was accepted, a source that failed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/CheckRun.h"
#include "check/KeyRows.h"
#include "config/ConfigReader.h"
#include "config/ReadTrace.h"
#include "regstore/RegFormat.h"
#include "regstore/TreeRegistry.h"

namespace tarnwell::check::testing {
namespace {

// What a number field holds.
template <typename Entry, typename Number>
std::string Held(const NumberKey<Entry, Number>& row, const Entry& entry) {
  return "=" + std::to_string(entry.*row.Field);
}
template <typename Row, typename Entry>
std::string Held(const Row&, const Entry&) {
  return "";
}

// Each event as one word, a number key with what its field holds after.
class Recorder : public ReadTrace {
 public:
  std::vector<std::string> Events;
  SectionKind Kind = SectionKind::kDevice;
  void Line(std::size_t, std::string_view, LineKind) override {}
  void SectionOpened(SectionKind kind, std::string_view name) override {
    Kind = kind;
    Events.push_back("open " + std::string(name));
  }
  void SectionClosed(bool accepted) override {
    Events.push_back(accepted ? "accepted" : "refused");
  }
  template <typename Entry>
  void Applied(std::string_view key, std::size_t index, const Entry& entry) {
    WithRow<Entry>(index, [&](const auto& row) {
      std::string event = std::string(key) + ":" + row.Key + Held(row, entry);
      Events.push_back(event);
    });
  }
  void KeyApplied(std::size_t, std::string_view key, std::string_view,
                  std::size_t row, const DeviceEntry& entry) override {
    Applied(key, row, entry);
  }
  void KeyApplied(std::size_t, std::string_view key, std::string_view,
                  std::size_t row, const ModemEntry& entry) override {
    Applied(key, row, entry);
  }
  void KeyUnknown(std::string_view key, std::string_view) override {
    Events.push_back(std::string(key) + "?");
  }
  void Stopped() override { Events.push_back("stopped"); }
};

std::string Registry(const std::string& bytes, ReadTrace* trace) {
  InstallConfig config;
  MemoryByteSource source(bytes);
  regstore::TreeRegistry store;
  if (ReadConfigSource(config, source, trace)) config.WriteConfigToRegistry(store);
  return regstore::FormatRegFileBytes(store.Tree());
}

TEST(Trace, ChangesNothingForAnyFixture) {
  std::vector<fs::path> files = FixtureFiles();
  files.push_back(TARNWELL_EXAMPLE);
  for (const fs::path& file : files) {
    Recorder trace;
    EXPECT_EQ(Registry(ReadBytes(file), &trace), Registry(ReadBytes(file), nullptr))
        << file.filename();
  }
}

TEST(Trace, TellsTheRowThatTookEachKeyAndWhatTheEntryHoldsAfter) {
  const struct {
    const char* Text;
    std::vector<std::string> Events;
  } cases[] = {
      // A failed reading keeps the previous value; 8 bits keep the low ones.
      {"[D]\ndll=x\nVID=12\nVID=12345\nIFC_Class=102\nTsp=y\n",
       {"open D", "dll:DLL", "VID:VID=18", "VID:VID=18", "IFC_Class:IFC_Class=2",
        "Tsp?", "accepted"}},
      {"[DLL=a.dll]\n[modem settings]\nInit15=a\nInit16=b\nIFC=3\n",
       {"open DLL=a.dll", "DLL:DLL", "accepted", "open modem settings",
        "Init15:Init15", "Init16?", "IFC:IFC=3", "refused"}},
  };
  for (const auto& c : cases) {
    Recorder trace;
    Registry(c.Text, &trace);
    EXPECT_EQ(trace.Events, c.Events) << c.Text;
  }
  // Every row is the one its key reaches.
  for (SectionKind kind : {SectionKind::kDevice, SectionKind::kModem}) {
    std::size_t index = 0;
    VisitKeys(kind, [&](const auto& row) {
      DeviceEntry device{};
      ModemEntry modem{};
      const std::size_t found = kind == SectionKind::kDevice
                                    ? ApplyDeviceKey(device, row.Key, "1FF")
                                    : ApplyModemKey(modem, row.Key, "1FF");
      EXPECT_EQ(found, index) << row.Key;
      EXPECT_EQ(RowOf(kind, row.Key), index++) << row.Key;
    });
    EXPECT_EQ(RowCount(kind), index);
  }
}

// A source that fails part-way: the trace hears it.
TEST(Trace, HearsAFailedSource) {
  class Failing : public ByteSource {
   public:
    Status Read(char* buffer, std::size_t, std::size_t* count) override {
      if (done_) return Status::kError;
      done_ = true;
      *count = 1;
      buffer[0] = '[';
      return Status::kData;
    }
    bool done_ = false;
  } source;
  Recorder trace;
  InstallConfig config;
  EXPECT_FALSE(ReadConfigSource(config, source, &trace));
  EXPECT_EQ(trace.Events.back(), "stopped");
}

}  // namespace
}  // namespace tarnwell::check::testing
