#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/Platform.h"
#include "platform/posix/NativePath.h"
#include "platform/posix/PosixCalls.h"

namespace tarnwell::posix {
namespace {

std::string Hex(std::string_view bytes) {
  std::string out;
  for (unsigned char b : bytes) {
    static const char kDigits[] = "0123456789ABCDEF";
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
    out += ' ';
  }
  return out;
}

std::string Units(std::u16string_view text) {
  std::string out;
  for (char16_t c : text) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (int shift = 12; shift >= 0; shift -= 4)
      out += kDigits[(c >> shift) & 0xF];
    out += ' ';
  }
  return out;
}

struct TextCase {
  const char* What;
  std::string Native;
  std::u16string Wide;
};

TEST(NativePath, Utf8AndUtf16ConvertBothWays) {
  const TextCase cases[] = {
      {"ASCII", "/tmp/dir/usbcdc.cfg", u"/tmp/dir/usbcdc.cfg"},
      {"Cyrillic", "/home/Пользователь/установка",
       u"/home/Пользователь/установка"},
      {"CJK", "/opt/安装程序/配置", u"/opt/安装程序/配置"},
      {"emoji outside the BMP", "/tmp/\xF0\x9F\x98\x80/\xF0\x9F\x9A\x80",
       u"/tmp/\U0001F600/\U0001F680"},
      {"largest code point", "\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"three-byte edges", "\xE0\xA0\x80\xEF\xBF\xBF", u"\u0800\uFFFF"},
      {"two-byte edges", "\xC2\x80\xDF\xBF", u"\u0080\u07FF"},
      {"empty", "", u""},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(Units(NativeToWide(c.Native)), Units(c.Wide)) << c.What;
    EXPECT_EQ(Hex(WideToNative(c.Wide)), Hex(c.Native)) << c.What;
  }
}

TEST(NativePath, BytesThatAreNotUtf8TravelAsEscapesAndComeBackUnchanged) {
  const TextCase cases[] = {
      {"Latin-1 byte", "caf\xE9", u"caf\xDCE9"},
      {"lone continuation byte", "\x80", u"\xDC80"},
      {"overlong slash", "\xC0\xAF", u"\xDCC0\xDCAF"},
      {"overlong three-byte", "\xE0\x80\xAF", u"\xDCE0\xDC80\xDCAF"},
      {"encoded surrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", u"\xDCF4\xDC90\xDC80\xDC80"},
      {"lead byte F5", "\xF5\x80\x80", u"\xDCF5\xDC80\xDC80"},
      {"lead byte F7", "\xF7\xBF\xBF\xBF", u"\xDCF7\xDCBF\xDCBF\xDCBF"},
      {"five-byte form", "\xF8\x88\x80\x80\x80",
       u"\xDCF8\xDC88\xDC80\xDC80\xDC80"},
      {"FF",
       "a\xFF"
       "b",
       u"a\xDCFF"
       "b"},
      {"cut at the end", "x\xE4\xB8", u"x\xDCE4\xDCB8"},
      {"cut before ASCII", "\xC3(", u"\xDCC3("},
      {"valid after invalid", "\xFF\xD0\x96", u"\xDCFF\u0416"},
  };
  for (const TextCase& c : cases) {
    EXPECT_EQ(Units(NativeToWide(c.Native)), Units(c.Wide)) << c.What;
    EXPECT_EQ(Hex(WideToNative(NativeToWide(c.Native))), Hex(c.Native))
        << c.What;
  }
}

// Every lead byte followed by every kind of next byte, up to four bytes:
// whatever the bytes, they come back as they were.
TEST(NativePath, EveryShortByteSequenceRoundTrips) {
  const unsigned char kinds[] = {0x41, 0x80, 0x8F, 0x90, 0x9F,
                                 0xA0, 0xBF, 0xC0, 0xF0};
  std::string bytes(4, '\0');
  int failures = 0;
  for (int lead = 0; lead < 256 && failures < 5; ++lead) {
    bytes[0] = static_cast<char>(lead);
    for (unsigned char b1 : kinds) {
      for (unsigned char b2 : kinds) {
        for (unsigned char b3 : kinds) {
          bytes[1] = static_cast<char>(b1);
          bytes[2] = static_cast<char>(b2);
          bytes[3] = static_cast<char>(b3);
          for (std::size_t n = 1; n <= 4; ++n) {
            std::string_view in(bytes.data(), n);
            std::string out = WideToNative(NativeToWide(in));
            if (out != in && ++failures <= 5) {
              ADD_FAILURE() << Hex(in) << "came back as " << Hex(out);
            }
          }
        }
      }
    }
  }
}

TEST(NativePath,
     ALoneSurrogateThatCarriesNoByteBecomesTheReplacementCharacter) {
  EXPECT_EQ(Hex(WideToNative(u"a\xD800"
                             "b")),
            Hex("a\xEF\xBF\xBD"
                "b"));
  EXPECT_EQ(Hex(WideToNative(u"\xDC00")), Hex("\xEF\xBF\xBD"));
  EXPECT_EQ(Hex(WideToNative(u"\xD83D")), Hex("\xEF\xBF\xBD"))
      << "a high surrogate at the end";
}

TEST(NativePath, ExecutablePathNamesThisProgram) {
  std::string path = ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.front(), '/');
  EXPECT_NE(path.find("platform_tests"), std::string::npos) << path;
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
  EXPECT_TRUE(S_ISREG(st.st_mode));
}

// The look-up goes through the call table: a path of any length up to a
// megabyte is read whole, a longer one or a failed read is an error.
std::size_t g_length = 0;
ssize_t LinkOfLength(int, const char*, char* buffer, std::size_t size) {
  if (g_length == 0) {
    errno = EACCES;
    return -1;
  }
  const std::size_t n = g_length < size ? g_length : size;
  std::memset(buffer, 'x', n);
  return static_cast<ssize_t>(n);
}

TEST(NativePath, ExecutablePathReadsALinkOfAnyLengthThroughTheCallTable) {
  // Lengths and the errno of a failure (0: read whole).
  const std::pair<std::size_t, int> cases[] = {
      {255, 0}, {256, 0}, {257, 0}, {(1u << 20) - 1, 0},
      {1u << 20, ENAMETOOLONG}, {0, EACCES}};
  for (const auto& [length, error] : cases) {
    g_length = length;
    Calls().Readlinkat = LinkOfLength;
    errno = 0;
    const std::string path = ExecutablePath();
    EXPECT_EQ(errno, error) << length;
    char16_t name[8];
    std::int32_t code = 0;
    if (error != 0) {
      EXPECT_EQ(platform::ModuleFileName(name, 8, &code), 0u);
      EXPECT_NE(code, 0) << "the platform's look-up fails with it";
    }
    Calls() = RealCalls();
    EXPECT_EQ(path.size(), error == 0 ? length : 0) << length;
  }
}

}  // namespace
}  // namespace tarnwell::posix
