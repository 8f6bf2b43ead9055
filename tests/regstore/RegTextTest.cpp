#include <gtest/gtest.h>
#include <pthread.h>

#include <cstring>
#include <string>
#include <vector>

#include "regstore/Registry.h"
#include "regstore/Arena.h"
#include "regstore/RegFormat.h"
#include "regstore/RegParse.h"
#include "regstore/TreeRegistry.h"
#include "regstore/Utf.h"
#include "support/RegistryDump.h"

namespace tarnwell::regstore {
namespace {

using tarnwell::testing::Narrow;

// REG_SZ data: the text's UTF-16LE units and the terminating NUL.
std::string Utf16(std::u16string_view text) {
  std::string bytes;
  AppendUtf16Le(bytes, text);
  return bytes;
}

std::string Sz(std::u16string_view text) {
  return Utf16(std::u16string(text) + u'\0');
}

std::string Dword(std::uint32_t v) {
  return std::string{static_cast<char>(v), static_cast<char>(v >> 8),
                     static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
}

std::string Bytes(std::size_t count, unsigned char first = 0) {
  std::string data;
  for (std::size_t i = 0; i < count; ++i) {
    data.push_back(static_cast<char>(first + i));
  }
  return data;
}

// A value as a test writes it down.
struct Value {
  std::u16string Name;
  std::uint32_t Type;
  std::string Data;
};

std::u16string Line(const Value& v) {
  std::u16string out;
  AppendValueLine(out, RegValue{v.Name, v.Type, v.Data});
  return out;
}

std::vector<std::u16string> SplitCrlf(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = text.find(u"\r\n", start);
    if (end == std::u16string_view::npos) {
      if (start < text.size()) lines.emplace_back(text.substr(start));
      return lines;
    }
    lines.emplace_back(text.substr(start, end - start));
    start = end + 2;
  }
}

// Names, spellings, value order, types and bytes of two trees agree; the
// first difference is reported with its path.
void ExpectSameNode(const RegNode& want, const RegNode& got,
                    const std::string& path) {
  EXPECT_EQ(Narrow(want.Name()), Narrow(got.Name())) << path;
  ASSERT_EQ(want.Values().size(), got.Values().size()) << path;
  for (std::size_t i = 0; i < want.Values().size(); ++i) {
    const RegValue& a = want.Values()[i];
    const RegValue& b = got.Values()[i];
    std::string where = path + " value " + Narrow(a.Name);
    EXPECT_EQ(Narrow(a.Name), Narrow(b.Name)) << where;
    EXPECT_EQ(a.Type, b.Type) << where;
    EXPECT_EQ(a.Data, b.Data) << where;
  }
  ASSERT_EQ(want.ChildCount(), got.ChildCount()) << path;
  const auto children = got.Children();
  auto it = children.begin();
  for (const auto& child : want.Children()) {
    ExpectSameNode(*child.second, *it->second,
                   path + "\\" + Narrow(child.second->Name()));
    ++it;
  }
}

struct FormatCase {
  const char* What;
  Value Input;
  std::u16string Expected;  // without the CRLF
};

TEST(RegTextFormat, ValueLinesTakeTheFormRegeditReadsBack) {
  const FormatCase cases[] = {
      {"plain string",
       {u"Dll", kRegSz, Sz(u"usbcdc.dll")},
       u"\"Dll\"=\"usbcdc.dll\""},
      {"empty string", {u"Empty", kRegSz, Sz(u"")}, u"\"Empty\"=\"\""},
      {"backslash and quote escaped in name and text",
       {u"a\"b\\c", kRegSz, Sz(u"C:\\dir\\\"x\"")},
       u"\"a\\\"b\\\\c\"=\"C:\\\\dir\\\\\\\"x\\\"\""},
      {"empty name is @", {u"", kRegSz, Sz(u"x")}, u"@=\"x\""},
      {"a value named @ is quoted", {u"@", kRegSz, Sz(u"x")}, u"\"@\"=\"x\""},
      {"Cyrillic and CJK text stays text",
       {u"Имя", kRegSz, Sz(u"Модем 调制解调器")},
       u"\"Имя\"=\"Модем 调制解调器\""},
      {"dword", {u"N", kRegDword, Dword(10)}, u"\"N\"=dword:0000000a"},
      {"dword all ones",
       {u"N", kRegDword, Dword(0xFFFFFFFFu)},
       u"\"N\"=dword:ffffffff"},
      {"dword zero", {u"N", kRegDword, Dword(0)}, u"\"N\"=dword:00000000"},
      {"tab stays text", {u"S", kRegSz, Sz(u"a\tb")}, u"\"S\"=\"a\tb\""},
      {"a surrogate pair stays text",
       {u"S", kRegSz, Sz(u"\U0001F600")},
       u"\"S\"=\"\U0001F600\""},
      {"control character",
       {u"S", kRegSz, Sz(u"a\x01")},
       u"\"S\"=hex(1):61,00,01,00,00,00"},
      {"CR LF in text",
       {u"S", kRegSz, Sz(u"a\r\n")},
       u"\"S\"=hex(1):61,00,0d,00,0a,00,00,00"},
      {"no terminating NUL",
       {u"S", kRegSz, std::string("a\0b\0", 4)},
       u"\"S\"=hex(1):61,00,62,00"},
      {"embedded NUL",
       {u"S", kRegSz, std::string("a\0\0\0b\0\0\0", 8)},
       u"\"S\"=hex(1):61,00,00,00,62,00,00,00"},
      {"odd size",
       {u"S", kRegSz, std::string("a\0\0", 3)},
       u"\"S\"=hex(1):61,00,00"},
      {"no data at all", {u"S", kRegSz, std::string()}, u"\"S\"=hex(1):"},
      {"lone surrogate",
       {u"S", kRegSz, Sz(std::u16string(1, 0xD800))},
       u"\"S\"=hex(1):00,d8,00,00"},
      {"surrogates in the wrong order",
       {u"S", kRegSz, Sz(u"\xDC00\xD800")},
       u"\"S\"=hex(1):00,dc,00,d8,00,00"},
      {"high surrogate before a letter",
       {u"S", kRegSz, Sz(u"\xD800" u"a")},
       u"\"S\"=hex(1):00,d8,61,00,00,00"},
      {"binary", {u"B", kRegBinary, Bytes(3, 0xFE)}, u"\"B\"=hex:fe,ff,00"},
      {"empty binary", {u"B", kRegBinary, std::string()}, u"\"B\"=hex:"},
      {"expandable string",
       {u"E", kRegExpandSz, Sz(u"%a%")},
       u"\"E\"=hex(2):25,00,61,00,25,00,00,00"},
      {"dword of the wrong size",
       {u"D", kRegDword, Bytes(3, 1)},
       u"\"D\"=hex(4):01,02,03"},
      {"REG_NONE", {u"Z", 0, Bytes(1, 7)}, u"\"Z\"=hex(0):07"},
      {"multi-digit type",
       {u"Q", 0x12abu, Bytes(1, 0xAB)},
       u"\"Q\"=hex(12ab):ab"},
  };
  for (const FormatCase& c : cases) {
    EXPECT_EQ(Narrow(Line(c.Input)), Narrow(c.Expected + u"\r\n")) << c.What;
  }
}

TEST(RegTextFormat, LongHexDataWrapsLikeRegedit) {
  const std::string data = Bytes(200);
  std::u16string text = Line({u"Data", kRegBinary, data});
  ASSERT_GE(text.size(), 2u);
  ASSERT_EQ(text.substr(text.size() - 2), u"\r\n");
  std::vector<std::u16string> lines = SplitCrlf(text);
  ASSERT_GT(lines.size(), 2u);

  EXPECT_EQ(lines[0].substr(0, 11), u"\"Data\"=hex:");
  std::string joined;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::u16string& l = lines[i];
    std::string where = "line " + std::to_string(i) + ": " + Narrow(l);
    EXPECT_LE(l.size(), 80u) << where;
    bool last = i + 1 == lines.size();
    if (!last) {
      EXPECT_EQ(l.substr(l.size() - 2), u",\\") << where;
      // Filled: one more "xx," group would not have fit.
      EXPECT_GT(l.size() + 3, 80u) << where;
    }
    if (i > 0) {
      EXPECT_EQ(l.substr(0, 2), u"  ") << where;
      EXPECT_NE(l[2], u' ') << where;
    }
    if (i > 0 && !last) {
      EXPECT_EQ(l.size(), 2u + 25 * 3 + 1) << "25 bytes per line, " << where;
    }
    std::u16string_view body(l);
    body.remove_prefix(i == 0 ? 11 : 2);
    if (!last) body.remove_suffix(1);
    joined += Narrow(body);
  }
  std::string expected;
  for (unsigned char b : data) {
    static const char kDigits[] = "0123456789abcdef";
    if (!expected.empty()) expected += ',';
    expected += kDigits[b >> 4];
    expected += kDigits[b & 0xF];
  }
  EXPECT_EQ(joined, expected);
}

TEST(RegTextFormat, FileListsParentsBeforeChildrenWithBlankLines) {
  RegTree tree;
  tree.Create(u"HKEY_LOCAL_MACHINE\\Drivers\\USB")
      .SetValue(u"N", kRegDword, Dword(1));
  tree.Create(u"HKEY_LOCAL_MACHINE\\Drivers\\Active");
  EXPECT_EQ(Narrow(FormatRegFile(tree)),
            "Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Drivers]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\Active]\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\Drivers\\USB]\r\n"
            "\"N\"=dword:00000001\r\n\r\n");
}

// A tree with every kind of value the formatter distinguishes.
RegTree SampleTree() {
  RegTree tree;
  RegNode& usb = tree.Create(u"HKEY_LOCAL_MACHINE\\Drivers\\USB");
  usb.SetValue(u"Dll", kRegSz, Sz(u"usbcdc.dll"));
  usb.SetValue(u"", kRegSz, Sz(u"default"));
  usb.SetValue(u"Esc\\\"aped", kRegSz, Sz(u"\\\\server\\\"share\""));
  usb.SetValue(u"Count", kRegDword, Dword(0x1234abcd));
  usb.SetValue(u"Tab", kRegSz, Sz(u"a\tb"));
  usb.SetValue(u"Emoji", kRegSz, Sz(u"\U0001F600"));
  usb.SetValue(u"NoNul", kRegSz, std::string("x\0", 2));
  usb.SetValue(u"Odd", kRegSz, std::string("x\0\0", 3));
  usb.SetValue(u"Nul", kRegSz, std::string("a\0\0\0b\0\0\0", 8));
  usb.SetValue(u"Empty", kRegSz, std::string());
  usb.SetValue(u"Blob", kRegBinary, Bytes(300, 0x10));
  usb.SetValue(u"Short", kRegDword, Bytes(2));
  usb.SetValue(u"Expand", kRegExpandSz, Sz(u"%WINDIR%"));
  usb.SetValue(u"Multi", 7, Utf16(std::u16string(u"a\0b\0\0", 5)));
  tree.Create(u"HKEY_LOCAL_MACHINE\\Drivers\\Пустой ключ");
  tree.Create(u"HKEY_LOCAL_MACHINE\\Drivers\\USB\\VID_0525&PID_A4A7&IFC_03")
      .SetValue(u"Disable", kRegDword, Dword(1));
  tree.Create(u"HKEY_LOCAL_MACHINE\\Key [with] brackets;semicolon")
      .SetValue(u"имя", kRegSz, Sz(u"значение 中文"));
  tree.Create(u"HKEY_LOCAL_MACHINE").SetValue(u"Top", kRegSz, Sz(u"root"));
  tree.Create(u"HKEY_CURRENT_USER\\Other");
  return tree;
}

// A sink that refuses the n-th piece, as a full disk would.
class FailingSink : public RegTextSink {
 public:
  explicit FailingSink(int fail_at) : fail_at_(fail_at) {}
  bool Put(std::u16string_view text) override {
    if (++puts_ == fail_at_) return false;
    text_ += text;
    return true;
  }
  int Puts() const { return puts_; }
  const std::u16string& Text() const { return text_; }

 private:
  int fail_at_;
  int puts_ = 0;
  std::u16string text_;
};

TEST(RegTextFormat, AFailedPieceEndsTheExportThere) {
  const RegTree tree = SampleTree();
  const std::u16string whole = FormatRegFile(tree);
  FailingSink clean(0);
  ASSERT_TRUE(WriteRegText(tree, clean));
  ASSERT_EQ(clean.Text(), whole);
  for (int fail = 1; fail <= clean.Puts(); ++fail) {
    FailingSink sink(fail);
    EXPECT_FALSE(WriteRegText(tree, sink)) << "piece " << fail;
    EXPECT_EQ(sink.Puts(), fail) << "nothing is written after piece " << fail;
    EXPECT_EQ(whole.compare(0, sink.Text().size(), sink.Text()), 0)
        << "piece " << fail;
  }
}

TEST(RegTextParse, FormattedFileReadsBackAsTheSameTree) {
  RegTree original = SampleTree();
  std::u16string text = FormatRegFile(original);
  RegTree parsed;
  ParseResult result = ParseRegText(text, parsed);
  ASSERT_TRUE(result.Ok) << "line " << result.Line;
  ExpectSameNode(original.Root(), parsed.Root(), "");
  EXPECT_EQ(Narrow(FormatRegFile(parsed)), Narrow(text));
}

TEST(RegTextParse, AcceptsWhatRegeditAndEditorsWrite) {
  RegTree tree;
  ParseResult result = ParseRegText(
      u"Windows Registry Editor Version 5.00\n"
      u"\n"
      u"; a comment\n"
      u"  [hkey_local_Machine\\A]  \n"
      u"\t\"Upper\"\t= dword:0000ABCD\n"
      u"\"Short\"=dword:a\n"
      u"@ = \"at\"\r\n"
      u"\"Wrapped\"=hex(7):61,00,\\\n"
      u"    62,00,  \\\r\n"
      u"  00,00\n"
      u"\"Bin\"=hex:DE,ad , BE\n"
      u"\"Esc\"=\"d\\\\\\\"\"",
      tree);
  ASSERT_TRUE(result.Ok) << "line " << result.Line;
  RegNode* a = tree.Find(u"hkey_local_machine\\a");
  ASSERT_NE(a, nullptr);
  ASSERT_NE(a->Value(u"Upper"), nullptr);
  EXPECT_EQ(std::string(a->Value(u"Upper")->Data), Dword(0xABCD));
  EXPECT_EQ(std::string(a->Value(u"Short")->Data), Dword(10));
  ASSERT_NE(a->Value(u""), nullptr);
  EXPECT_EQ(std::string(a->Value(u"")->Data), Sz(u"at"));
  ASSERT_NE(a->Value(u"Wrapped"), nullptr);
  EXPECT_EQ(a->Value(u"Wrapped")->Type, 7u);
  EXPECT_EQ(std::string(a->Value(u"Wrapped")->Data), std::string("a\0b\0\0\0", 6));
  ASSERT_NE(a->Value(u"Bin"), nullptr);
  EXPECT_EQ(a->Value(u"Bin")->Type, kRegBinary);
  EXPECT_EQ(std::string(a->Value(u"Bin")->Data), "\xDE\xAD\xBE");
  ASSERT_NE(a->Value(u"Esc"), nullptr);
  EXPECT_EQ(std::string(a->Value(u"Esc")->Data), Sz(u"d\\\""));
}

TEST(RegTextParse, AKeyNamedAgainKeepsItsFirstSpellingAndGainsValues) {
  RegTree tree;
  ParseResult result = ParseRegText(
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\K]\r\n\"Keep\"=\"k\"\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\k]\r\n\"V\"=\"new\"\r\n\r\n"
      u"[hkey_local_machine\\K\\Sub]\r\n\r\n",
      tree);
  ASSERT_TRUE(result.Ok) << "line " << result.Line;
  RegNode* k = tree.Find(u"HKEY_LOCAL_MACHINE\\K");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(Narrow(k->Name()), "K") << "first spelling kept";
  ASSERT_EQ(k->Values().size(), 2u);
  EXPECT_EQ(std::string(k->Values()[0].Data), Sz(u"k"));
  EXPECT_EQ(std::string(k->Values()[1].Data), Sz(u"new"));
  EXPECT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\K\\Sub"), nullptr);
  EXPECT_EQ(Narrow(tree.Root().Children().begin()->second->Name()),
            "HKEY_LOCAL_MACHINE") << "a root in any case, spelled as first";
}

struct RejectCase {
  const char* What;
  std::u16string Text;
  std::size_t Line;
};

TEST(RegTextParse, RejectsWhatIsNotAStoreFile) {
  const std::u16string v = u"Windows Registry Editor Version 5.00\r\n\r\n";
  const std::u16string k = v + u"[HKEY_LOCAL_MACHINE\\K]\r\n";
  std::u16string deep;
  for (int i = 0; i < 513; ++i) deep += u"\\k";
  const RejectCase cases[] = {
      {"empty text", u"", 0},
      {"missing version line", u"[HKEY_LOCAL_MACHINE\\K]\r\n", 1},
      {"older version line", u"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n", 1},
      {"blank first line", u"\r\n" + v, 1},
      {"value before any key", v + u"\"a\"=\"b\"\r\n", 3},
      {"key deletion", v + u"[-HKEY_LOCAL_MACHINE\\K]\r\n", 3},
      {"value deletion", k + u"\"a\"=-\r\n", 4},
      {"garbage line", k + u"hello\r\n", 4},
      {"unclosed key header", v + u"[HKEY_LOCAL_MACHINE\\K\r\n", 3},
      {"empty key header", v + u"[]\r\n", 3},
      {"empty name in key path", v + u"[HKEY_LOCAL_MACHINE\\\\K]\r\n", 3},
      {"unterminated string", k + u"\"a\"=\"b\r\n", 4},
      {"unterminated name", k + u"\"a=\"b\"\r\n", 4},
      {"no equals sign", k + u"\"a\" \"b\"\r\n", 4},
      {"junk after string", k + u"\"a\"=\"b\" c\r\n", 4},
      {"unknown data form", k + u"\"a\"=qword:1\r\n", 4},
      {"dword too long", k + u"\"a\"=dword:123456789\r\n", 4},
      {"dword not hex", k + u"\"a\"=dword:12g\r\n", 4},
      {"empty dword", k + u"\"a\"=dword:\r\n", 4},
      {"hex byte not hex", k + u"\"a\"=hex:0g\r\n", 4},
      {"hex half byte", k + u"\"a\"=hex:01,2\r\n", 4},
      {"hex missing comma", k + u"\"a\"=hex:0102\r\n", 4},
      {"hex double comma", k + u"\"a\"=hex:01,,02\r\n", 4},
      {"hex() without type", k + u"\"a\"=hex():01\r\n", 4},
      {"hex(N) without colon", k + u"\"a\"=hex(1)01\r\n", 4},
      {"hex type not hex", k + u"\"a\"=hex(x):01\r\n", 4},
      {"continuation at end of text", k + u"\"a\"=hex:01,\\\r\n", 4},
      {"key under no predefined root", v + u"[Drivers\\USB]\r\n", 3},
      {"root misspelt", v + u"[HKEY_LOCAL_MACHIN\\K]\r\n", 3},
      {"text after the key header", v + u"[HKEY_LOCAL_MACHINE\\K] x\r\n", 3},
      {"a header inside a header",
       v + u"[H[HKEY_LOCAL_MACHINE\\Drivers]\r\n", 3},
      {"escape that cannot be written back", k + u"\"a\"=\"\\q\"\r\n", 4},
      {"escaped line feed, which regedit reads otherwise",
       k + u"\"a\"=\"x\\ny\"\r\n", 4},
      {"escaped carriage return", k + u"\"a\"=\"\\r\"\r\n", 4},
      {"escaped NUL", k + u"\"a\"=\"\\0\"\r\n", 4},
      {"control character in a value name", k + u"\"a\tb\"=\"c\"\r\n", 4},
      {"carriage return inside quoted data", k + u"\"a\"=\"x\ry\"\r\n", 4},
      {"line feed inside quoted data", k + u"\"a\"=\"x\ny\"\r\n", 4},
      {"carriage return in a comment, which regedit ends there",
       k + u"; note\r\"a\"=\"b\"\r\n", 4},
      {"hex data cut inside a byte", k + u"\"a\"=hex:01,0", 0},
      {"a value given twice, in any case",
       k + u"\"a\"=dword:1\r\n\"A\"=dword:2\r\n", 5},
      {"a value given again under its key named again",
       k + u"\"a\"=dword:1\r\n[HKEY_LOCAL_MACHINE\\k]\r\n\"a\"=dword:3\r\n", 6},
      {"name never closed", k + u"\"abc\r\n", 4},
      {"name without a value", k + u"\"a\"\r\n", 4},
      {"backslash ending the text", k + u"\"a\"=\"b\\\r\n", 4},
      {"hex ending in a comma", k + u"\"a\"=hex:01,\r\n", 4},
      {"hex( without )", k + u"\"a\"=hex(1:01\r\n", 4},
      {"a key name of 256 units",
       v + u"[HKEY_LOCAL_MACHINE\\" + std::u16string(256, u'k') + u"]\r\n", 3},
      {"a value name of 16,384 units",
       k + u"\"" + std::u16string(16384, u'n') + u"\"=dword:1\r\n", 4},
      {"a key 513 below its root", v + u"[HKEY_LOCAL_MACHINE" + deep + u"]\r\n", 3},
  };
  for (const RejectCase& c : cases) {
    RegTree tree;
    ParseResult result = ParseRegText(c.Text, tree);
    EXPECT_FALSE(result.Ok) << c.What;
    if (c.Line != 0) {
      EXPECT_EQ(result.Line, c.Line) << c.What;
    }
  }
}

TEST(RegTextParse, AppliesNothingAfterAnError) {
  RegTree tree;
  ParseResult result = ParseRegText(
      u"Windows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_LOCAL_MACHINE\\Before]\r\n\"a\"=\"1\"\r\n"
      u"bad line\r\n"
      u"[HKEY_LOCAL_MACHINE\\After]\r\n\"b\"=\"2\"\r\n",
      tree);
  EXPECT_FALSE(result.Ok);
  EXPECT_EQ(result.Line, 5u);
  EXPECT_NE(tree.Find(u"HKEY_LOCAL_MACHINE\\Before"), nullptr);
  EXPECT_EQ(tree.Find(u"HKEY_LOCAL_MACHINE\\After"), nullptr);
}

// Bytes of a store file: what the store would save, changed in one way.
struct BytesCase {
  const char* What;
  std::string Bytes;
  bool Ok;
};

TEST(RegFileBytes, AWholeFileLoadsWhateverItsLastLineEndAndAnythingElseIsRefused) {
  const std::string bom = "\xFF\xFE";
  const std::string file = FormatRegFileBytes(SampleTree());
  const std::string body = file.substr(2);
  std::string lf_only;
  for (std::size_t i = 0; i < body.size(); i += 2) {
    if (body.compare(i, 2, std::string("\r\0", 2)) != 0) lf_only += body.substr(i, 2);
  }
  const std::string last_line = Utf16(
      u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n"
      u"\"a\"=\"b\"");
  // What the old store took for a write cut short by a kill.
  std::string page_sized;
  for (std::size_t pad = 0; page_sized.size() % 4096 != 0 || pad == 0; ++pad) {
    page_sized = bom + Utf16(u"Windows Registry Editor Version 5.00\r\n;" +
                             std::u16string(pad, u';') +
                             u"\r\n[HKEY_LOCAL_MACHINE\\K]\r\n\"a\"=\"b\"");
  }
  const BytesCase cases[] = {
      {"the saved file", file, true},
      {"LF line ends", bom + lf_only, true},
      {"last line without its line end", bom + last_line, true},
      {"last line ending in CR alone", bom + last_line + Utf16(u"\r"), true},
      {"the size a multiple of 4096", page_sized, true},
      {"no byte-order mark", body, false},
      {"big-endian byte-order mark", "\xFE\xFF" + body, false},
      {"one byte more", file + "x", false},
      {"one byte less", file.substr(0, file.size() - 1), false},
      {"one byte deleted in the middle",
       file.substr(0, file.size() / 2) + file.substr(file.size() / 2 + 1), false},
      {"UTF-8 text", "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n", false},
      {"empty file", "", false},
      {"garbage last line", file + Utf16(u"garbage\r\n"), false},
  };
  for (const BytesCase& c : cases) {
    RegTree tree;
    EXPECT_EQ(ParseRegFileBytes(c.Bytes, tree).Ok, c.Ok) << c.What;
  }
  RegTree reloaded;
  ASSERT_TRUE(ParseRegFileBytes(bom + lf_only, reloaded).Ok);
  ExpectSameNode(SampleTree().Root(), reloaded.Root(), "");
}

TEST(RegTextEncoding, Utf16LeBytesRoundTripAndAnOddByteIsLeftOut) {
  const std::u16string text = u"A\u0416\U0001F600";
  std::string bytes = Utf16(text);
  EXPECT_EQ(bytes, std::string("A\0\x16\x04\x3D\xD8\x00\xDE", 8));
  EXPECT_EQ(DecodeUtf16Le(bytes), text);
  EXPECT_EQ(DecodeUtf16Le(bytes + "\x41"), text);
}

// Text of n units that the file must escape and that reaches beyond ASCII.
std::u16string Filler(std::size_t n) {
  std::u16string text(n, u'x');
  for (std::size_t i = 0; i < n; ++i) text[i] = u"ab\\\"Я "[i % 6];
  return text;
}

// Sizes around every block bound of the arena (in bytes, a text's NUL
// included): requests straight to an arena keep their bytes; names, texts
// and binary data of those sizes, a few hundred long values and the
// longest names in a key 512 below its root, made by registry calls, save,
// load and save again byte for byte. Beyond those limits the calls fail
// and create nothing.
TEST(RegTextSizes, EverySizeAFileCanHoldSavesAndLoadsByteForByte) {
  TreeRegistry registry;
  RegHandle key = 0, more = 0;
  std::u16string deep(kMaxKeyName, u'k');
  for (std::size_t i = 1; i < kMaxKeyDepth; ++i) deep += u"\\k";
  ASSERT_EQ(registry.CreateKey(kLocalMachine, deep.c_str(), 0, &key), 0);
  auto set = [&](std::u16string name, std::uint32_t type, std::string data) {
    return registry.SetValue(key, name.c_str(), type, data.data(),
                             static_cast<std::uint32_t>(data.size()));
  };
  constexpr std::size_t H = Arena::kHeader;
  std::size_t count = 0;
  for (std::size_t edge : {Arena::kFirstBlock, 2 * Arena::kFirstBlock,
                           Arena::kLargeRequest, 4 * Arena::kLargestBlock}) {
    for (std::size_t bytes : {edge - H - 2, edge - H, edge - 2, edge, edge + 2}) {
      Arena arena;
      auto* first = static_cast<char*>(arena.allocate(bytes, 1));
      std::memset(first, 'a', bytes);
      std::memset(arena.allocate(bytes + 1, 1), 'b', bytes + 1);
      EXPECT_EQ(std::string_view(first, bytes), std::string(bytes, 'a'));
      const std::u16string tag(++count, u'#');
      const std::size_t units = bytes / 2 - 1;
      ASSERT_EQ(set(Filler(std::min(units, kMaxValueName)), kRegDword, Dword(1)),
                0);
      ASSERT_EQ(set(u"t" + tag, kRegSz, Sz(Filler(units))), 0) << bytes;
      ASSERT_EQ(set(u"b" + tag, kRegBinary, Bytes(bytes - 1)), 0) << bytes;
    }
  }
  for (int i = 0; i < 300; ++i) {
    ASSERT_EQ(set(u"v" + Filler(i), kRegSz, Sz(Filler(6000))), 0) << i;
  }
  EXPECT_THROW((void)Arena().allocate(static_cast<std::size_t>(-1) - 8, 8),
               std::bad_alloc);
  EXPECT_EQ(set(Filler(kMaxValueName + 1), kRegDword, Dword(1)),
            kErrorInvalidParameter);
  EXPECT_EQ(registry.CreateKey(key, u"k", 0, &more), kErrorInvalidParameter);
  EXPECT_EQ(registry.CreateKey(kLocalMachine, (deep + u"\\k").c_str(), 0, &more),
            kErrorInvalidParameter);
  EXPECT_EQ(registry.NodeOf(key)->ChildCount(), 0u);

  const std::string file = FormatRegFileBytes(registry.Tree());
  RegTree loaded;
  ASSERT_TRUE(ParseRegFileBytes(file, loaded).Ok);
  ExpectSameNode(registry.Tree().Root(), loaded.Root(), "");
  EXPECT_TRUE(FormatRegFileBytes(loaded) == file);
}

// Saving does not recurse: a tree far deeper than a store may hold saves
// on a thread of a small stack.
TEST(RegTextFormat, ADeepTreeSavesOnASmallStack) {
  static RegTree deep;
  static FailingSink sink(0);
  std::u16string path = u"HKEY_LOCAL_MACHINE";
  for (int i = 0; i < 5000; ++i) path += u"\\k";
  deep.Create(path);
  pthread_attr_t small;
  pthread_t thread;
  void* saved = nullptr;
  ASSERT_EQ(pthread_attr_init(&small) |
                pthread_attr_setstacksize(&small, 1 << 17),
            0);
  auto save = [](void*) -> void* {
    return WriteRegText(deep, sink) ? &sink : nullptr;
  };
  ASSERT_EQ(pthread_create(&thread, &small, save, nullptr), 0);
  pthread_join(thread, &saved);
  EXPECT_EQ(saved, &sink);
  EXPECT_EQ(sink.Puts(), 5001);
}

}  // namespace
}  // namespace tarnwell::regstore
