#include "check/RegPreview.h"

#include "check/Text.h"
#include "regstore/RegFormat.h"

namespace tarnwell::check {
namespace {

void Measure(const regstore::RegNode& node, TreeSize* size) {
  if (!node.Values().empty()) {
    ++size->Keys;
    size->Values += node.Values().size();
  }
  for (const auto& child : node.Children()) Measure(*child.second, size);
}

}  // namespace

std::string RegTextUtf8(const regstore::RegTree& tree) {
  return Utf16ToUtf8(regstore::FormatRegFile(tree));
}

TreeSize MeasureTree(const regstore::RegTree& tree) {
  TreeSize size;
  Measure(tree.Root(), &size);
  return size;
}

}  // namespace tarnwell::check
