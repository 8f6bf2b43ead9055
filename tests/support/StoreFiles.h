// registry.reg as tests see it: loaded the way the store loads it, made
// from text, and compared.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "regstore/RegTree.h"

namespace tarnwell::testing {

// Loads the file as the store does, whole or not at all; false when it is
// missing or not a store the installer would take.
bool LoadStoreFile(const std::string& path, regstore::RegTree* tree);

// The bytes of a store file holding text (byte-order mark, UTF-16LE).
std::string StoreBytes(std::u16string_view text);

// Names in their stored case, values in their order, types and bytes.
bool SameTree(const regstore::RegTree& a, const regstore::RegTree& b);

// SameTree for the registry that a store file holds: the root keys always
// exist, so one that holds nothing is written to no file and counts the
// same whether the tree has a node for it or not.
bool SameRegistry(const regstore::RegTree& a, const regstore::RegTree& b);

// Every key (full path, case folded) and every value (path + "\" + name,
// case folded, with type and data) of a tree, for comparisons that ignore
// spelling and order.
struct FlatTree {
  std::vector<std::u16string> Keys;
  std::vector<std::pair<std::u16string, std::string>> Values;
};
FlatTree Flatten(const regstore::RegTree& tree);

// A file's owner, group, mode, extended attributes (its ACL too) and
// file attributes (chattr) as text, to compare a file with what it was; the file's own, not a link's.
std::string FileMetadata(const std::string& path);

// chattr +...: whether the file took these FS_*_FL attributes (errno
// says why not).
bool AddFileFlags(const std::string& path, int add);

}  // namespace tarnwell::testing
