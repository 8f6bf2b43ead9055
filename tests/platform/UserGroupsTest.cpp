// Who belongs to a group, read from account files that the test serves
// through the call table.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "regstore/Registry.h"
#include "platform/posix/PosixCalls.h"
#include "platform/posix/UserGroups.h"

namespace tarnwell::posix {
namespace {

const std::string kPasswd =
    "root:x:0:0:root:/root:/bin/sh\n"
    "alice:x:1000:1000::/home/alice:/bin/sh\n"
    "bob:x:1001:1001::/home/bob:/bin/sh\n"
    "a line of one field\n"
    "\n"
    "carol:x:1002:70::/home/carol:/bin/sh";  // no line end
const std::string kGroup =
    "root:x:0:\n"
    "alice:x:1000:\n"
    "bob:x:1001:alice\n"
    "staff:x:50:alice,,\n"
    "empty:x:60:\n"
    "shared:x:70:\n"
    "wheel:x:80:alice\n"
    "alias:x:80:bob\n"  // a second line of one gid: bob is in it too
    "short:x";

std::string g_served[2];
int ServeOpen(int, const char* path, int, mode_t) {
  const int which = std::strcmp(path, "/etc/group") == 0 ? 1 : 0;
  g_served[which] = which == 1 ? kGroup : kPasswd;
  return 100 + which;
}
ssize_t ServeRead(int fd, void* buffer, std::size_t size) {
  std::string& rest = g_served[fd - 100];
  const std::size_t n = rest.size() < size ? rest.size() : size;
  std::memcpy(buffer, rest.data(), n);
  rest.erase(0, n);
  return static_cast<ssize_t>(n);
}
int ServeClose(int) { return 0; }

TEST(UserGroups, AGroupIsTheOwnersAloneWhenItHoldsNoOtherMember) {
  const struct {
    gid_t Group;
    uid_t Owner;
    bool Only;
  } cases[] = {
      {1000, 1000, true},   // a user-private group
      {0, 0, true},         // root's
      {50, 1000, true},     // listed as its one member
      {1001, 1001, false},  // bob's, with alice listed
      {1001, 1000, false},  // bob's by his primary group
      {60, 1000, false},    // nobody in it
      {70, 1000, false},    // carol's primary group
      {99, 1000, false},    // not listed at all
      {80, 1000, false},    // alice's alone by its first line
  };
  for (const auto& c : cases) {
    Calls().Openat = ServeOpen;
    Calls().Read = ServeRead;
    Calls().Close = ServeClose;
    bool only = !c.Only;
    const std::int32_t result = OnlyMemberOfGroup(c.Group, c.Owner, &only);
    Calls() = RealCalls();
    EXPECT_EQ(result, kErrorSuccess);
    EXPECT_EQ(only, c.Only) << "group " << c.Group << ", owner " << c.Owner;
  }
}

}  // namespace
}  // namespace tarnwell::posix
