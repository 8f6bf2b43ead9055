// The observer only listens: reading with one gives the same result, the
// same entries and the same registry as reading without. And what it hears
// is what the reader did.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "check/CheckRun.h"
#include "config/ConfigReader.h"
#include "config/InstallConfig.h"
#include "config/ReadObserver.h"
#include "regstore/RegFormat.h"
#include "regstore/TreeRegistry.h"

namespace tarnwell::check::testing {
namespace {

// Writes every event down as one line of text.
class RecordingObserver : public ReadObserver {
 public:
  std::vector<std::string> Events;

  void Line(std::size_t number, std::string_view, LineKind kind) override {
    static const char* kKinds[] = {"empty", "comment", "header",
                                   "key",   "other",   "before"};
    Events.push_back("line " + std::to_string(number) + " " +
                     kKinds[static_cast<int>(kind)]);
  }
  void SectionOpened(SectionKind kind, std::string_view name) override {
    Events.push_back(std::string(kind == SectionKind::kDevice ? "device" : "modem") +
                     " [" + std::string(name) + "]");
  }
  void SectionClosed(SectionKind, bool accepted) override {
    Events.push_back(accepted ? "accepted" : "refused");
  }
  void KeyLine(std::string_view key, std::string_view value) override {
    Events.push_back("key " + std::string(key) + "=" + std::string(value));
  }
  void KeyApplied(const char* name, int index) override {
    Events.push_back("row " + std::string(name) +
                     (index >= 0 ? std::to_string(index) : ""));
  }
  void KeyUnknown() override { Events.push_back("unknown"); }
  void NumberRead(const NumberConversion& c) override {
    static const char* kFates[] = {"stored", "kept", "not appended"};
    std::string_view read = c.Text.substr(c.Start, c.Reading.End - c.Start);
    Events.push_back("number " + std::string(read) + " " +
                     (c.Reading.Ok ? "ok " : "failed ") +
                     kFates[static_cast<int>(c.Fate)] + " " +
                     std::to_string(c.Stored) +
                     (c.BitsDropped() ? " dropped" : ""));
  }
  void TextCut(std::string_view text, std::size_t capacity) override {
    Events.push_back("cut " + std::to_string(text.size()) + " to " +
                     std::to_string(capacity - 1));
  }
  void DisableListFull() override { Events.push_back("list full"); }
  void GuidRead(std::string_view, const GUID& guid, int groups) override {
    Events.push_back("guid " + std::to_string(groups) + " " +
                     std::to_string(guid.Data1));
  }
  void ReadFailed() override { Events.push_back("read failed"); }
};

struct Reading {
  bool Ok = false;
  InstallConfig Config;
  std::string Registry;  // export text of what the pass writes
};

Reading Read(const std::string& bytes, ReadObserver* observer) {
  Reading r;
  MemoryByteSource source(bytes);
  r.Ok = ReadConfigSource(r.Config, source, observer);
  if (r.Ok) {
    regstore::TreeRegistry store;
    r.Config.WriteConfigToRegistry(store);
    r.Registry = regstore::FormatRegFileBytes(store.Tree());
  }
  return r;
}

template <typename Entries>
bool SameBytes(const Entries& a, const Entries& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::memcmp(&a[i], &b[i], sizeof a[i]) != 0) return false;
  }
  return true;
}

TEST(Observer, ChangesNothingForAnyFixture) {
  std::vector<fs::path> files = FixtureFiles();
  files.push_back(TARNWELL_EXAMPLE);
  for (const fs::path& file : files) {
    const std::string bytes = ReadBytes(file);
    RecordingObserver observer;
    Reading without = Read(bytes, nullptr);
    Reading with = Read(bytes, &observer);
    EXPECT_EQ(with.Ok, without.Ok) << file.filename();
    EXPECT_TRUE(SameBytes(with.Config.Devices, without.Config.Devices))
        << file.filename();
    EXPECT_TRUE(SameBytes(with.Config.Modems, without.Config.Modems))
        << file.filename();
    EXPECT_EQ(with.Registry, without.Registry) << file.filename();
    EXPECT_EQ(observer.Events.empty(), bytes.empty()) << file.filename();
  }
}

struct EventCase {
  const char* Name;
  const char* Text;
  std::vector<std::string> Events;
};

class ObserverEvents : public ::testing::TestWithParam<EventCase> {};

TEST_P(ObserverEvents, TellWhatTheReaderDid) {
  RecordingObserver observer;
  Read(GetParam().Text, &observer);
  EXPECT_EQ(observer.Events, GetParam().Events);
}

const EventCase kEventCases[] = {
    {"LineKinds",
     "x=1\n\n; c\n[Dev]\nnothing\n",
     {"line 1 before", "line 2 empty", "line 3 comment", "line 4 header",
      "device [Dev]", "line 5 other", "refused"}},
    {"HeaderNameIsAKeyLine",
     "[dll=a.dll]\n",
     {"line 1 header", "device [dll=a.dll]", "key dll=a.dll", "row DLL",
      "accepted"}},
    {"RefusedSectionStopsTheRead",
     "[A]\n[B]\nDLL=x\n",
     {"line 1 header", "device [A]", "line 2 header", "refused"}},
    {"UnreadableNumberKeepsThePreviousValue",
     "[MODEM SETTINGS]\nDLL=x\nVID=12\nVID=12345\n",
     {"line 1 header", "modem [MODEM SETTINGS]", "line 2 key", "key DLL=x", "row DLL",
      "line 3 key", "key VID=12", "row VID", "number 12 ok stored 18",
      "line 4 key", "key VID=12345", "row VID", "number 12345 failed kept 18",
      "accepted"}},
    {"EightBitFieldDropsBits",
     "[D]\nDLL=x\nIFC_Class=102\n",
     {"line 1 header", "device [D]", "line 2 key", "key DLL=x", "row DLL",
      "line 3 key", "key IFC_Class=102", "row IFC_Class",
      "number 102 ok stored 2 dropped", "accepted"}},
    {"UnreadableDisableAppendsNothing",
     "[D]\nDLL=x\nIFC_Disable=zz\n",
     {"line 1 header", "device [D]", "line 2 key", "key DLL=x", "row DLL",
      "line 3 key", "key IFC_Disable=zz", "row IFC_Disable",
      "number zz failed not appended 0", "accepted"}},
    {"UnknownAndInitKeys",
     "[modem settings]\nDLL=x\nInit15=a\nInit16=b\n",
     {"line 1 header", "modem [modem settings]", "line 2 key", "key DLL=x", "row DLL",
      "line 3 key", "key Init15=a", "row Init15", "line 4 key",
      "key Init16=b", "unknown", "accepted"}},
    {"GuidGroups",
     "[D]\nDLL=x\nGUID={10-2}\n",
     {"line 1 header", "device [D]", "line 2 key", "key DLL=x", "row DLL",
      "line 3 key", "key GUID={10-2}", "row GUID", "number 10 ok stored 16",
      "number 2 ok stored 2", "guid 2 16", "accepted"}},
};

INSTANTIATE_TEST_SUITE_P(Cases, ObserverEvents, ::testing::ValuesIn(kEventCases),
                         [](const auto& info) { return info.param.Name; });

TEST(Observer, HearsTextCutsAndAFullDisableList) {
  std::string text = "[D]\nDLL=" + std::string(130, 'a') + "\n";
  for (int i = 0; i < 129; ++i) text += "IFC_Disable=1\n";
  RecordingObserver observer;
  Read(text, &observer);
  auto count = [&](const std::string& event) {
    return std::count(observer.Events.begin(), observer.Events.end(), event);
  };
  EXPECT_EQ(count("cut 130 to 127"), 1);
  EXPECT_EQ(count("list full"), 1);
  EXPECT_EQ(count("number 1 ok stored 1"), 128);
  EXPECT_EQ(count("number 1 ok not appended 1"), 1);
}

// A source that fails part-way: the observer hears it, and the read fails
// as it does without one.
class FailingSource : public ByteSource {
 public:
  Status Read(char* buffer, std::size_t capacity, std::size_t* count) override {
    if (calls_++ > 0) return Status::kError;
    const char text[] = "[D]\nDLL=x\n";
    *count = std::min(capacity, sizeof text - 1);
    std::memcpy(buffer, text, *count);
    return Status::kData;
  }

 private:
  int calls_ = 0;
};

TEST(Observer, HearsAFailedSource) {
  RecordingObserver observer;
  InstallConfig config;
  FailingSource source;
  EXPECT_FALSE(ReadConfigSource(config, source, &observer));
  EXPECT_EQ(observer.Events.back(), "read failed");
}

}  // namespace
}  // namespace tarnwell::check::testing
