// The reader's trace only listens: reading with one gives the same result
// and registry as reading without. What it tells is what the reader did:
// the row that took each key and the entry after it, the sections and
// whether each was accepted, a source that failed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/CheckRun.h"
#include "check/KeyCatalog.h"
#include "config/ConfigReader.h"
#include "config/ReadTrace.h"
#include "regstore/RegFormat.h"
#include "regstore/TreeRegistry.h"

namespace tarnwell::check::testing {
namespace {

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
  void KeyApplied(std::size_t, std::string_view key, std::string_view,
                  std::size_t row, const void* entry) override {
    const KeyFacts& f = KeysOf(Kind)[row];
    Events.push_back(std::string(key) + ":" + f.Key +
                     (f.Stored ? "=" + std::to_string(f.Stored(f.Row, entry)) : ""));
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
  // Every row of the catalogue is the one its key reaches.
  for (SectionKind kind : {SectionKind::kDevice, SectionKind::kModem}) {
    for (const KeyFacts& facts : KeysOf(kind)) {
      DeviceEntry device{};
      ModemEntry modem{};
      const bool dev = kind == SectionKind::kDevice;
      const std::size_t row = dev ? ApplyDeviceKey(device, facts.Key, "1FF")
                                  : ApplyModemKey(modem, facts.Key, "1FF");
      ASSERT_LT(row, KeysOf(kind).size()) << facts.Key;
      EXPECT_EQ(&KeysOf(kind)[row], &facts);
      EXPECT_EQ(FindKey(kind, facts.Key), &facts);
      if (facts.Stored != nullptr) {
        const void* entry = dev ? static_cast<const void*>(&device) : &modem;
        EXPECT_EQ(facts.Stored(facts.Row, entry),
                  0x1FFu & ((1ull << facts.FieldBits) - 1)) << facts.Key;
      }
    }
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
