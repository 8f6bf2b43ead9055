// A Registry over a RegTree, with open keys as handles. On its own it is the
// in-memory store (previews, tests); the host's file store builds on it:
// its Load fills the tree from the file before the pass, its Save writes
// the tree after it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "regstore/Registry.h"
#include "regstore/RegTree.h"

namespace tarnwell::regstore {

class TreeRegistry : public Registry {
 public:
  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override;
  std::int32_t SetValue(RegHandle key, const char16_t* name,
                        std::uint32_t type, const void* data,
                        std::uint32_t size) override;
  std::int32_t CloseKey(RegHandle key) override;

  const RegTree& Tree() const { return tree_; }
  RegTree& Tree() { return tree_; }

  // Keys that are open now, and the key a handle holds (null for none).
  std::size_t OpenKeyCount() const { return handles_.size(); }
  const RegNode* NodeOf(RegHandle handle) const { return Node(handle); }

  // Whether a call has changed the tree since it was last replaced.
  bool Changed() const { return changed_; }

 protected:
  // Replaces the tree (a store's content as loaded); closes every key.
  void ReplaceTree(RegTree tree);

 private:
  RegNode* Node(RegHandle handle) const;

  RegTree tree_;
  RegNode* local_machine_ = nullptr;  // in tree_, once a call made it
  // An open key holds its node: nodes are never removed, so the pointer
  // stays good, and a value write does not walk the path again.
  std::unordered_map<RegHandle, RegNode*> handles_;
  RegHandle newest_handle_ = 0;  // the key opened last, while it is open
  RegNode* newest_node_ = nullptr;
  RegHandle next_handle_ = 1;
  bool changed_ = false;
  std::vector<std::u16string_view> names_;  // reused by every CreateKey
  // The last path opened below HKEY_LOCAL_MACHINE, with the end of each of
  // its names and that name's key: the writers open many keys below the
  // same few, and a path that begins as the last one did starts from the
  // deepest key the two share.
  std::u16string last_path_;
  std::vector<std::pair<std::size_t, RegNode*>> last_keys_;
};

}  // namespace tarnwell::regstore
