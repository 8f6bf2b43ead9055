#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "config/ModulePath.h"
#include "support/ShownText.h"

namespace tarnwell {
namespace {

using testing::Shown;

std::string Text(std::u16string_view text) {
  return Shown(std::u16string(text).c_str());
}

struct DirectoryCase {
  std::u16string_view Path;
  char16_t Separator;
  std::u16string_view Directory;
};

// The directory rule, in both styles: Windows paths are checked on any host.
TEST(DirectoryLength, CutsAfterTheLastSeparatorOfTheGivenStyle) {
  const DirectoryCase kCases[] = {
      {u"\\Windows\\tool.exe", u'\\', u"\\Windows\\"},
      {u"C:\\Program Files\\Acme\\tarnwell.exe", u'\\', u"C:\\Program Files\\Acme\\"},
      {u"C:\\tarnwell.exe", u'\\', u"C:\\"},
      {u"C:\\", u'\\', u"C:\\"},
      {u"C:", u'\\', u""},  // only a drive: no directory part
      {u"tarnwell.exe", u'\\', u""},
      {u"", u'\\', u""},
      {u"\\", u'\\', u"\\"},
      {u"C:\\dir/tool.exe", u'\\', u"C:\\"},  // '/' does not separate here
      {u"/usr/local/bin/tarnwell", u'/', u"/usr/local/bin/"},
      {u"/tarnwell", u'/', u"/"},
      {u"tarnwell", u'/', u""},
      {u"dir\\tool.exe", u'/', u""},  // nor '\' here
      {u"/opt/a\\b", u'/', u"/opt/"},
  };
  for (const DirectoryCase& c : kCases) {
    const std::size_t length = DirectoryLength(c.Path, c.Separator);
    EXPECT_EQ(Text(c.Path.substr(0, length)), Text(c.Directory))
        << Text(c.Path) << " with separator " << char(c.Separator);
  }
}

}  // namespace
}  // namespace tarnwell
