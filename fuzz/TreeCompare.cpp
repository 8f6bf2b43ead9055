#include "TreeCompare.h"

#include <cstdio>
#include <cstdlib>

namespace tarnwell::fuzz {
namespace {

bool SameNode(const regstore::RegNode& a, const regstore::RegNode& b) {
  if (a.Name() != b.Name()) return false;
  if (a.Values().size() != b.Values().size()) return false;
  for (std::size_t i = 0; i < a.Values().size(); ++i) {
    const regstore::RegValue& x = a.Values()[i];
    const regstore::RegValue& y = b.Values()[i];
    if (x.Name != y.Name || x.Type != y.Type || x.Data != y.Data) return false;
  }
  if (a.Children().size() != b.Children().size()) return false;
  auto i = a.Children().begin();
  auto j = b.Children().begin();
  for (; i != a.Children().end(); ++i, ++j) {
    if (i->first != j->first || !SameNode(*i->second, *j->second)) {
      return false;
    }
  }
  return true;
}

}  // namespace

bool SameTree(const regstore::RegTree& a, const regstore::RegTree& b) {
  return SameNode(a.Root(), b.Root());
}

void Fail(const char* what) {
  std::fprintf(stderr, "property violated: %s\n", what);
  std::abort();
}

}  // namespace tarnwell::fuzz
