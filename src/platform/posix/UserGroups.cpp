#include "platform/posix/UserGroups.h"

#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include "regstore/Registry.h"
#include "platform/posix/Errors.h"
#include "platform/posix/PosixCalls.h"

namespace tarnwell::posix {
namespace {

constexpr char kPasswd[] = "/etc/passwd";
constexpr char kGroup[] = "/etc/group";

// Closes the file however the reading ends, running out of memory too.
class Closer {
 public:
  explicit Closer(int fd) : fd_(fd) {}
  ~Closer() { Calls().Close(fd_); }
  Closer(const Closer&) = delete;
  Closer& operator=(const Closer&) = delete;

 private:
  int fd_;
};

std::int32_t ReadWhole(const char* path, std::string* text) {
  const int fd = Calls().Openat(AT_FDCWD, path, O_RDONLY | O_CLOEXEC, 0);
  if (fd < 0) return WindowsError(errno);
  const Closer closer(fd);
  return ReadToEnd(fd, text);
}

// The pieces of text between separators, empty ones too.
std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> pieces;
  for (;;) {
    const std::size_t end = text.find(separator);
    pieces.push_back(text.substr(0, end));
    if (end == std::string_view::npos) return pieces;
    text.remove_prefix(end + 1);
  }
}

// The fields of each line, split at ":"; `each` returns false to stop.
template <typename Each>
void ForEachEntry(std::string_view text, Each each) {
  for (std::string_view line : Split(text, '\n')) {
    if (!each(Split(line, ':'))) return;
  }
}

bool IsNumber(std::string_view field, unsigned long long number) {
  return !field.empty() && field == std::to_string(number);
}

}  // namespace

std::int32_t OnlyMemberOfGroup(gid_t group, uid_t owner, bool* only) {
  *only = false;
  std::string passwd;
  std::string groups;
  if (std::int32_t e = ReadWhole(kPasswd, &passwd)) return e;
  if (std::int32_t e = ReadWhole(kGroup, &groups)) return e;
  bool others = false;
  int members = 0;
  std::vector<std::string_view> owner_names;
  ForEachEntry(passwd, [&](const std::vector<std::string_view>& f) {
    if (f.size() < 4) return true;
    const bool is_owner = IsNumber(f[2], owner);
    if (is_owner) owner_names.push_back(f[0]);
    if (IsNumber(f[3], group)) {
      ++members;
      others = others || !is_owner;
    }
    return true;
  });
  bool listed = false;
  ForEachEntry(groups, [&](const std::vector<std::string_view>& f) {
    if (f.size() < 4 || !IsNumber(f[2], group)) return true;
    listed = true;
    for (std::string_view name : Split(f[3], ',')) {
      if (name.empty()) continue;
      ++members;
      bool is_owner = false;
      for (std::string_view mine : owner_names) is_owner |= mine == name;
      others = others || !is_owner;
    }
    // Every line of the gid: logging in (initgroups) makes the users of
    // each a member, whatever name the line gives the group.
    return true;
  });
  *only = listed && members > 0 && !others;
  return kErrorSuccess;
}

}  // namespace tarnwell::posix
