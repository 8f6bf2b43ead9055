// Only generic POSIX code here.
//
// Who belongs to a group, from the local account files.
#pragma once

#include <sys/types.h>

#include <cstdint>

namespace tarnwell::posix {

// Sets *only to whether owner is the one member of group: the one account
// whose primary group it is, or its one listed member, and no other, as
// /etc/passwd and every line of /etc/group with its number say (a
// user-private group). A group that is
// not listed, or holds nobody, is not one. Reads the files through the
// call table.
std::int32_t OnlyMemberOfGroup(gid_t group, uid_t owner, bool* only);

}  // namespace tarnwell::posix
