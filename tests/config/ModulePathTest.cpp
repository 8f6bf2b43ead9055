#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "config/ModulePath.h"

namespace tarnwell {
namespace {

// The directory rule in both styles: Windows paths are checked on any host.
TEST(DirectoryLength, CutsAfterTheLastSeparatorOfTheGivenStyle) {
  const struct {
    std::u16string_view Path;
    char16_t Separator;
    std::size_t Length;
  } kCases[] = {
      {u"\\Windows\\tool.exe", u'\\', 9},  // "\Windows\"
      {u"C:\\tarnwell.exe", u'\\', 3},     // "C:\"
      {u"C:", u'\\', 0},                   // only a drive
      {u"tarnwell.exe", u'\\', 0},         // no separator
      {u"C:\\dir/tool.exe", u'\\', 3},     // '/' does not separate here
      {u"/usr/bin/tarnwell", u'/', 9},     // "/usr/bin/"
      {u"/", u'/', 1},
      {u"tarnwell", u'/', 0},
      {u"/opt/a\\b", u'/', 5},             // nor '\' here
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(DirectoryLength(c.Path, c.Separator), c.Length)
        << std::string(c.Path.begin(), c.Path.end());
  }
}

}  // namespace
}  // namespace tarnwell
