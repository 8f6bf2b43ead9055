#include "support/StoreFiles.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>

#include "regstore/RegParse.h"
#include "regstore/Utf.h"
#include "support/Files.h"

namespace tarnwell::testing {
namespace {

bool SameNode(const regstore::RegNode& a, const regstore::RegNode& b) {
  if (a.Name() != b.Name() || a.Values().size() != b.Values().size() ||
      a.ChildCount() != b.ChildCount()) {
    return false;
  }
  for (std::size_t i = 0; i < a.Values().size(); ++i) {
    const regstore::RegValue& x = a.Values()[i];
    const regstore::RegValue& y = b.Values()[i];
    if (x.Name != y.Name || x.Type != y.Type || x.Data != y.Data) return false;
  }
  const auto theirs = b.Children();
  auto j = theirs.begin();
  for (const auto& child : a.Children()) {
    if (!SameNode(*child.second, *j->second)) return false;
    ++j;
  }
  return true;
}

void FlattenNode(const regstore::RegNode& node, const std::u16string& path,
                 FlatTree* flat) {
  for (const auto& [name, child] : node.Children()) {
    const std::u16string folded = regstore::FoldCase(name);
    const std::u16string child_path =
        path.empty() ? folded : path + u"\\" + folded;
    flat->Keys.push_back(child_path);
    for (const regstore::RegValue& value : child->Values()) {
      std::string typed(reinterpret_cast<const char*>(&value.Type), 4);
      flat->Values.emplace_back(
          child_path + u"\\" + regstore::FoldCase(value.Name),
          typed + std::string(value.Data));
    }
    FlattenNode(*child, child_path, flat);
  }
}

}  // namespace

bool LoadStoreFile(const std::string& path, regstore::RegTree* tree) {
  if (!FileExists(path)) return false;
  *tree = regstore::RegTree();
  return regstore::ParseRegFileBytes(ReadFileBytes(path), *tree).Ok;
}

std::string StoreBytes(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  regstore::AppendUtf16Le(bytes, text);
  return bytes;
}

bool SameTree(const regstore::RegTree& a, const regstore::RegTree& b) {
  return SameNode(a.Root(), b.Root());
}

bool SameRegistry(const regstore::RegTree& a, const regstore::RegTree& b) {
  using Children = regstore::RegNode::ChildList;
  const Children& ours = a.Root().Children();
  const Children& theirs = b.Root().Children();
  auto skip_empty = [](Children::const_iterator it, Children::const_iterator end) {
    while (it != end && it->second->Values().empty() &&
           it->second->ChildCount() == 0) {
      ++it;
    }
    return it;
  };
  auto i = skip_empty(ours.begin(), ours.end());
  auto j = skip_empty(theirs.begin(), theirs.end());
  while (i != ours.end() && j != theirs.end()) {
    if (!SameNode(*i->second, *j->second)) return false;
    i = skip_empty(++i, ours.end());
    j = skip_empty(++j, theirs.end());
  }
  return i == ours.end() && j == theirs.end();
}

std::string FileMetadata(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return "missing";
  std::string text = std::to_string(st.st_uid) + ":" + std::to_string(st.st_gid) +
                     " " + std::to_string(st.st_mode & 07777);
  std::string buffer(65536, '\0');
  const char* names = buffer.data();
  const ssize_t size = listxattr(path.c_str(), &buffer[0], buffer.size());
  std::set<std::string> sorted;
  for (ssize_t at = 0; at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
    sorted.insert(names + at);
  }
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  int flags = 0;
  if (fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
    text += " flags=" + std::to_string(flags);
  }
  if (fd >= 0) close(fd);
  for (const std::string& name : sorted) {
    std::string value(65536, '\0');
    const ssize_t n = getxattr(path.c_str(), name.c_str(), &value[0], value.size());
    value.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    text += " " + name + "=" + value;
  }
  return text;
}

bool AddFileFlags(const std::string& path, int add) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  int flags = 0;
  bool done = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
  flags |= add;
  done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
  const int error = errno;
  if (fd >= 0) close(fd);
  errno = error;
  return done;
}

FlatTree Flatten(const regstore::RegTree& tree) {
  FlatTree flat;
  FlattenNode(tree.Root(), u"", &flat);
  std::sort(flat.Values.begin(), flat.Values.end());
  return flat;
}

}  // namespace tarnwell::testing
