#include "support/StoreFiles.h"

#include <algorithm>

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
  using Children = regstore::RegNode::ChildMap;
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

FlatTree Flatten(const regstore::RegTree& tree) {
  FlatTree flat;
  FlattenNode(tree.Root(), u"", &flat);
  std::sort(flat.Values.begin(), flat.Values.end());
  return flat;
}

}  // namespace tarnwell::testing
