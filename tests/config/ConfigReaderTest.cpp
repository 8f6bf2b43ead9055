#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

#include "config/ConfigReader.h"
#include "support/ConfigText.h"
#include "support/ShownText.h"

namespace tarnwell {
namespace {

using ::tarnwell::testing::ConfigFromText;
using namespace std::string_literals;

using ::tarnwell::testing::Shown;

// The configuration as one line per entry, in list order: devices, then
// modems. Only what is present is shown.
std::string Describe(const InstallConfig& config) {
  std::string out;
  for (const DeviceEntry& d : config.Devices) {
    out += "device [" + Shown(d.Name) + "] dll=" + Shown(d.Dll);
    if (d.HasVid) out += " vid=" + std::to_string(d.Vid);
    for (std::uint32_t i = 0; i < d.IfcDisableCount; ++i) {
      out += " off=" + std::to_string(d.IfcDisable[i]);
    }
    out += "\n";
  }
  for (const ModemEntry& m : config.Modems) {
    out += "modem dll=" + Shown(m.Dll);
    if (m.HasVid) out += " vid=" + std::to_string(m.Vid);
    if (m.HasTsp) out += " tsp=" + Shown(m.Tsp);
    out += "\n";
  }
  return out;
}

// Reads text and returns the description, or "read failed" on top of it.
std::string Read(const std::string& text) {
  bool ok = false;
  InstallConfig config = ConfigFromText(text, &ok);
  return (ok ? "" : "read failed\n") + Describe(config);
}

std::string Read(ByteSource& source) {
  InstallConfig config;
  bool ok = ReadConfigSource(config, source);
  return (ok ? "" : "read failed\n") + Describe(config);
}

// Hands out its bytes a few at a time, then the end or an error.
class ScriptedSource : public ByteSource {
 public:
  enum class Then { kEnd, kError };

  ScriptedSource(std::string bytes, std::size_t step, Then then)
      : bytes_(std::move(bytes)), step_(step), then_(then) {}

  Status Read(char* buffer, std::size_t capacity, std::size_t* count) override {
    *count = 0;
    if (pos_ == bytes_.size()) {
      return then_ == Then::kError ? Status::kError : Status::kEnd;
    }
    std::size_t n = std::min({step_, capacity, bytes_.size() - pos_});
    bytes_.copy(buffer, n, pos_);
    pos_ += n;
    *count = n;
    return Status::kData;
  }

 private:
  std::string bytes_;
  std::size_t step_;
  Then then_;
  std::size_t pos_ = 0;
};

const char kSample[] =
    "# sample\n"
    "[Dev A]\n"
    "DLL=a.dll\n"
    "VID=12\n"
    "\n"
    "[MODEM SETTINGS]\n"
    "DLL=m.dll\n"
    "TSP=unimodem.dll";
const char kSampleRead[] =
    "device [Dev A] dll=a.dll vid=18\n"
    "modem dll=m.dll tsp=unimodem.dll\n";

TEST(ConfigReader, FilesWithoutSectionsReadAsEmpty) {
  for (const char* text :
       {"", "\n\n", "# c\n; c\n   # indented\n\t; tab\r\n", "\xEF\xBB\xBF",
        "DLL=x.dll\nVID=5\n", "stray words\n"}) {
    EXPECT_EQ(Read(text), "") << ::testing::PrintToString(std::string(text));
  }
}

TEST(ConfigReader, LineEndingsDoNotMatter) {
  std::string lf = kSample;
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const std::string& text :
       {lf, lf + "\n", crlf, crlf + "\r\n", "\t" + crlf}) {
    EXPECT_EQ(Read(text), kSampleRead) << ::testing::PrintToString(text);
  }
}

TEST(ConfigReader, CarriageReturnsAloneDoNotEndLines) {
  // One line "[A]\rDLL=a.dll": a header of a section that never gets its DLL.
  EXPECT_EQ(Read("[A]\rDLL=a.dll\r"), "read failed\n");
}

TEST(ConfigReader, ReadsByteByByteTheSameAsAtOnce) {
  ScriptedSource trickle(std::string("\xEF\xBB\xBF") + kSample, 1,
                         ScriptedSource::Then::kEnd);
  EXPECT_EQ(Read(trickle), kSampleRead);
}

struct HeaderCase {
  const char* Name;
  const char* Line;
  const char* Expected;  // after "DLL=x" in the section
};

class SectionHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(SectionHeader, OpensTheRightKindOfSection) {
  EXPECT_EQ(Read(std::string(GetParam().Line) + "\nDLL=x\n"),
            GetParam().Expected)
      << GetParam().Line;
}

const HeaderCase kHeaderCases[] = {
    {"Modem", "[MODEM SETTINGS]", "modem dll=x\n"},
    {"ModemMixedCase", "[Modem Settings]", "modem dll=x\n"},
    {"ModemLowerCaseAmidBlanks", "  [modem settings]\t", "modem dll=x\n"},
    {"ModemInDoubledBrackets", "[[MODEM SETTINGS]]", "modem dll=x\n"},
    {"ModemWithBlanksInside", "[ MODEM SETTINGS ]",
     "device [ MODEM SETTINGS ] dll=x\n"},
    {"ModemWithTwoBlanks", "[MODEM  SETTINGS]",
     "device [MODEM  SETTINGS] dll=x\n"},
    {"ModemWithADigit", "[MODEM SETTINGS2]",
     "device [MODEM SETTINGS2] dll=x\n"},
    {"Device", "[Dev]", "device [Dev] dll=x\n"},
    {"DeviceInDoubledBrackets", "[[Dev]]", "device [Dev] dll=x\n"},
    {"EmptyName", "[]", "device [] dll=x\n"},
    {"TextAfterTheBracket", "[Dev] ; note", "device [Dev] ; note] dll=x\n"},
    {"BracketInside", "[a]b]", "device [a]b] dll=x\n"},
    {"KeyLineInside", "[DLL=a.dll]", "device [DLL=a.dll] dll=x\n"},
};

INSTANTIATE_TEST_SUITE_P(Names, SectionHeader,
                         ::testing::ValuesIn(kHeaderCases),
                         [](const ::testing::TestParamInfo<HeaderCase>& info) {
                           return std::string(info.param.Name);
                         });

TEST(ConfigReader, HeaderTextIsAlsoAKeyLine) {
  EXPECT_EQ(Read("[DLL=a.dll]\n"), "device [DLL=a.dll] dll=a.dll\n");
  EXPECT_EQ(Read("[A]\nDLL=a\n[VID=5]\nDLL=b\n"),
            "device [A] dll=a\ndevice [VID=5] dll=b vid=5\n");
}

// Lines that only look like headers go on inside the open section.
TEST(ConfigReader, LinesThatAreNotHeaders) {
  for (const char* line :
       {"[Dev", "[Dev=1", "Name]", "x [a]", "x=[a]", "\xEF\xBB\xBF[B]", "\f[B]",
        "\x1A", "# [B]", "; [B]", "# DLL=b", ";DLL=b", "  ; DLL=b"}) {
    EXPECT_EQ(Read(std::string("[A]\nDLL=a.dll\n") + line + "\nVID=5\n"),
              "device [A] dll=a.dll vid=5\n")
        << ::testing::PrintToString(std::string(line));
  }
}

TEST(ConfigReader, KeyLines) {
  struct Case {
    const char* Line;
    const char* Expected;
  };
  for (const Case& c : {
           Case{"DLL=a=b", "device [A] dll=a=b\n"},
           Case{"  DLL \t=  a.dll # note ; x  ",
                "device [A] dll=a.dll # note ; x\n"},
           Case{"dll=x.DLL", "device [A] dll=x.DLL\n"},
           Case{"dLl=\"q\"", "device [A] dll=\"q\"\n"},
           Case{"DLL=", "device [A] dll=\n"},
           Case{"DLL=a.dll\n=x", "device [A] dll=a.dll\n"},
           Case{"DLL=a.dll\nD LL=b.dll", "device [A] dll=a.dll\n"},
           Case{"DLL=a.dll\nDLL2=b.dll", "device [A] dll=a.dll\n"},
           Case{"DLL=a\xE9\x80\xFF", "device [A] dll=a<00E9><0080><00FF>\n"},
       }) {
    EXPECT_EQ(Read(std::string("[A]\n") + c.Line + "\n"), c.Expected) << c.Line;
  }
}

TEST(ConfigReader, HighBytesWidenToTheSameUnits) {
  EXPECT_EQ(Read("[\xE9t\xE9]\nDLL=\xFF\x80.dll\n"),
            "device [<00E9>t<00E9>] dll=<00FF><0080>.dll\n");
}

TEST(ConfigReader, KeysBeforeTheFirstHeaderHaveNoEffect) {
  EXPECT_EQ(Read("DLL=x.dll\nVID=5\nIFC_Disable=1\n[A]\nDLL=a\n"),
            "device [A] dll=a\n");
}

TEST(ConfigReader, SectionsKeepFileOrderPerKind) {
  EXPECT_EQ(
      Read("[A]\nDLL=a\n[MODEM SETTINGS]\nDLL=m\n[B]\nDLL=b\n[A]\nDLL=a2\n"),
      "device [A] dll=a\ndevice [B] dll=b\ndevice [A] dll=a2\n"
      "modem dll=m\n");
}

TEST(ConfigReader, NothingCarriesOverToTheNextSection) {
  EXPECT_EQ(Read("[A]\nDLL=a\nVID=1\nIFC_Disable=3\n[B]\nDLL=b\n"
                 "[MODEM SETTINGS]\nDLL=m\nVID=2\nTSP=t\n"
                 "[MODEM SETTINGS]\nDLL=n\n"),
            "device [A] dll=a vid=1 off=3\ndevice [B] dll=b\n"
            "modem dll=m vid=2 tsp=t\nmodem dll=n\n");
}

TEST(ConfigReader, ModemLinesLeaveTheDeviceAlone) {
  EXPECT_EQ(Read("[A]\nDLL=a\n[MODEM SETTINGS]\nDLL=m\nVID=2\nIFC_Disable=1\n"
                 "[B]\nDLL=b\n"),
            "device [A] dll=a\ndevice [B] dll=b\nmodem dll=m vid=2\n");
}

TEST(ConfigReader, SectionWithoutDllFailsTheRead) {
  // Reading stops at the header that closes the refused section.
  EXPECT_EQ(Read("[A]\nVID=1\n[B]\nDLL=b\n[MODEM SETTINGS]\nDLL=m\n"),
            "read failed\n");
  EXPECT_EQ(Read("[A]\n[B]\nDLL=b\n"), "read failed\n");
  // Entries appended before the refusal stay; the read still fails.
  EXPECT_EQ(Read("[A]\nDLL=a\n[B]\nVID=1\n"),
            "read failed\ndevice [A] dll=a\n");
  EXPECT_EQ(Read("[A]\nDLL=a\n[MODEM SETTINGS]\nTSP=t\nVID=1\n"),
            "read failed\ndevice [A] dll=a\n");
  EXPECT_EQ(Read("[MODEM SETTINGS]\nTSP=t\n[A]\nDLL=a\n"), "read failed\n");
  EXPECT_EQ(Read("[]\n"), "read failed\n");
}

TEST(ConfigReader, LongSectionNamesKeep127Characters) {
  EXPECT_EQ(Read("[" + std::string(200, 'n') + "]\nDLL=a\n"),
            "device [" + std::string(127, 'n') + "] dll=a\n");
}

TEST(ConfigReader, ByteOrderMarkAtTheStartIsSkipped) {
  EXPECT_EQ(Read("\xEF\xBB\xBF[A]\nDLL=a\n"), "device [A] dll=a\n");
  EXPECT_EQ(Read("\xEF\xBB\xBF\r\n[A]\nDLL=a\n"), "device [A] dll=a\n");
  // Only a whole mark, and only once.
  EXPECT_EQ(Read("\xEF\xBB[A]\nDLL=a\n"), "");
  EXPECT_EQ(Read("\xEF\xBB\xBF\xEF\xBB\xBF[A]\nDLL=a\n"), "");
}

TEST(ConfigReader, CtrlZDoesNotEndTheFile) {
  EXPECT_EQ(Read("[A]\nDLL=a\n\x1A\nVID=5\n[B]\nDLL=b\x1A\n"),
            "device [A] dll=a vid=5\ndevice [B] dll=b<001A>\n");
}

TEST(ConfigReader, NulByteDoesNotEndTheLineOrTheFile) {
  EXPECT_EQ(Read("# c\0x\n[A]\nDLL=a\0b.dll\nVID=5\n"s),
            "device [A] dll=a vid=5\n");
}

// A file that cannot be read to its end is never a configuration, however
// complete the part that was read.
TEST(ConfigReader, ReadErrorFailsTheRead) {
  // Fail at every read call in turn, the last one after the whole file.
  const std::string complete = std::string(kSample) + "\n";
  for (std::size_t cut = 0; cut <= complete.size(); cut += 7) {
    ScriptedSource source(complete.substr(0, cut), 7,
                          ScriptedSource::Then::kError);
    InstallConfig config;
    EXPECT_FALSE(ReadConfigSource(config, source)) << "error after " << cut;
  }
}

// The reader takes the file in 64 KiB chunks; a line may straddle two.
TEST(ConfigReader, LinesAcrossChunkBoundaries) {
  constexpr std::size_t kChunk = 64 * 1024;
  const std::string head = "[A]\n";
  for (std::size_t back = 0; back <= 20; ++back) {
    // A comment line pads the file so that the DLL line starts `back` bytes
    // before the boundary.
    std::string text = head + "#";
    text += std::string(kChunk - back - text.size() - 1, 'p') + "\n";
    ASSERT_EQ(text.size(), kChunk - back);
    text += "DLL=boundary.dll\r\nVID=AB\r\n[B]\r\nDLL=b\r\n";
    EXPECT_EQ(Read(text),
              "device [A] dll=boundary.dll vid=171\ndevice [B] dll=b\n")
        << "DLL line starts " << back << " bytes before the boundary";
  }
}

TEST(ConfigReader, LinesLongerThanAChunk) {
  const std::string huge(200 * 1024, 'x');
  EXPECT_EQ(Read("[A]\n#" + huge + "\nDLL=" + huge + "\nVID=1\n"),
            "device [A] dll=" + std::string(127, 'x') + " vid=1\n");
}

}  // namespace
}  // namespace tarnwell
