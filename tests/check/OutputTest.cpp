// The pure pieces of the checker's output: when it colours, how it turns
// the file's bytes (UTF-8 or not) into JSON, console text and SARIF
// columns, and file names into URIs.
#include <gtest/gtest.h>

#include "check/CheckOptions.h"
#include "check/Checks.h"
#include "check/Report.h"
#include "check/Text.h"

namespace tarnwell::check {
namespace {

TEST(Output, ColourFollowsTheModeTheTerminalAndTheEnvironment) {
  struct Case {
    ColorMode Mode;
    bool Terminal;
    const char* NoColor;
    const char* Term;
    bool Color;
  };
  const Case cases[] = {
      {ColorMode::kAuto, true, nullptr, "xterm", true},
      {ColorMode::kAuto, false, nullptr, "xterm", false},  // a pipe
      {ColorMode::kAuto, true, "1", "xterm", false},
      {ColorMode::kAuto, true, "", "xterm", true},  // NO_COLOR set empty
      {ColorMode::kAuto, true, nullptr, "dumb", false},
      {ColorMode::kAuto, true, nullptr, nullptr, true},  // TERM unset
      {ColorMode::kAlways, false, "1", "dumb", true},
      {ColorMode::kNever, true, nullptr, nullptr, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseColor(c.Mode, c.Terminal, c.NoColor, c.Term), c.Color)
        << static_cast<int>(c.Mode) << " " << c.Terminal << " "
        << (c.NoColor ? c.NoColor : "-") << " " << (c.Term ? c.Term : "-");
  }
}

TEST(Output, BytesThatAreNotUtf8ReadAsTheInstallerReadsThem) {
  // Valid UTF-8 stays; any other byte is the character of its number.
  EXPECT_EQ(JsonQuote("f\xC3\xBCr"), "\"f\xC3\xBCr\"");
  EXPECT_EQ(JsonQuote("f\xFCr"), "\"f\xC3\xBCr\"");
  EXPECT_EQ(JsonQuote("\xC0\xAF"), "\"\xC3\x80\xC2\xAF\"");  // overlong "/"
  EXPECT_EQ(JsonQuote("\xED\xA0\x80"), "\"\xC3\xAD\xC2\xA0\xC2\x80\"");
  EXPECT_EQ(JsonQuote("a\"b\\c\r\n\t\x01\x7F"),
            "\"a\\\"b\\\\c\\r\\n\\t\\u0001\\u007f\"");
  EXPECT_EQ(DecodeUtf8OrLatin1("\xF0\x9F\x98\x80\xE9"),
            std::u32string(U"\U0001F600\u00E9"));
  // A lead byte without its continuation, an overlong three-byte form and
  // a code point past U+10FFFF are Latin-1 bytes.
  EXPECT_EQ(DecodeUtf8OrLatin1("\xC3(\xE0\x80\x80\xF4\x90\x80\x80"),
            std::u32string(U"\u00C3(\u00E0\u0080\u0080\u00F4\u0090\u0080\u0080"));
  EXPECT_EQ(Utf16ToUtf8(u"a\xD800"), "a\xEF\xBF\xBD");  // unpaired: U+FFFD
}

TEST(Output, MessagesQuoteControlBytesAsEscapes) {
  EXPECT_EQ(Quote("a\tb\r\x01\x7F\xC3\xBC\xFF\xC2\x9B"),
            "\"a\\tb\\r\\x01\\x7F\xC3\xBC\\xFF\\u009B\"");
  // A file name shows a byte that is not UTF-8, and a control character
  // that could drive the terminal, as U+FFFD.
  EXPECT_EQ(Printable("a\xFF\xC3\xBC\x1B\xC2\x9B"),
            "a\xEF\xBF\xBD\xC3\xBC\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Output, SarifColumnsCountUtf16Units) {
  const std::string line = "Name = f\xC3\xBCr \xF0\x9F\x98\x80 x";
  EXPECT_EQ(Utf16Column(line, 1), 1u);
  EXPECT_EQ(Utf16Column(line, 9), 9u);    // at the "ü"
  EXPECT_EQ(Utf16Column(line, 11), 10u);  // after it: two bytes, one unit
  EXPECT_EQ(Utf16Column(line, 17), 14u);  // after the emoji: four bytes, two
  EXPECT_EQ(Utf16Column(line, 21), 18u);  // past the end counts on
  EXPECT_EQ(Utf16Column("f\xFCr", 3), 3u);  // Latin-1: a byte a unit
}

TEST(Output, TheLineStoreHasNoLineZeroNorOnePastTheEnd) {
  LineStore lines;
  lines.Add("first");
  lines.Add("second");
  EXPECT_EQ(lines.Line(2), "second");
  EXPECT_EQ(lines.Line(0), "");
  EXPECT_EQ(lines.Line(3), "");
}

TEST(Output, FileNamesBecomeUriReferences) {
  EXPECT_EQ(FileUri("usbcdc.cfg"), "usbcdc.cfg");
  EXPECT_EQ(FileUri("my configs/a b.cfg"), "my%20configs/a%20b.cfg");
  EXPECT_EQ(FileUri("/etc/usbcdc.cfg"), "file:///etc/usbcdc.cfg");
  EXPECT_EQ(FileUri("C:\\Device\\usbcdc.cfg"), "file:///C:/Device/usbcdc.cfg");
  EXPECT_EQ(FileUri("<stdin>"), "%3Cstdin%3E");
  EXPECT_EQ(FileUri("f\xC3\xBCr.cfg"), "f%C3%BCr.cfg");
  EXPECT_EQ(FileUri("a_b~c-d.cfg"), "a_b~c-d.cfg");  // unreserved, kept
  EXPECT_EQ(FileUri("a"), "a");
  EXPECT_EQ(FileUri(""), "");
}

}  // namespace
}  // namespace tarnwell::check
