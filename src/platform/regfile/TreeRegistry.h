// A Registry over a RegTree, with open keys as handles. On its own it is the
// in-memory store (previews, tests); the host's file store builds on it and
// persists each change as the .reg text that describes it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/Registry.h"
#include "platform/regfile/RegTree.h"

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

  // Keys that are open now.
  std::size_t OpenKeyCount() const { return handles_.size(); }

 protected:
  // Around every change: a store backed by a file takes its lock and
  // catches up with the file in BeginChange, makes `record` (the change as
  // .reg text) durable in CommitChange, and lets go in EndChange. The tree
  // is changed only after CommitChange returned 0.
  virtual std::int32_t BeginChange() { return kErrorSuccess; }
  virtual std::int32_t CommitChange(std::u16string_view record) {
    (void)record;
    return kErrorSuccess;
  }
  virtual void EndChange() {}
  // Memory ran out part-way through a change, so the tree may lack what
  // the file holds; a file store reloads before its next change.
  virtual void ForgetTree() {}

  RegTree tree_;

 private:
  std::int32_t CreateKeyLocked(const std::u16string& parent_path,
                               std::u16string_view path, RegHandle* key);
  std::int32_t SetValueLocked(const std::u16string& key_path,
                              std::u16string_view name, std::uint32_t type,
                              std::string data);

  // Runs change() between BeginChange and EndChange.
  template <typename Change>
  std::int32_t InChange(Change change) {
    if (std::int32_t e = BeginChange()) return e;
    struct End {
      TreeRegistry* self;
      ~End() { self->EndChange(); }
    } end{this};
    return change();
  }

  // Full path (root name first, in stored case) of every open key.
  std::unordered_map<RegHandle, std::u16string> handles_;
  RegHandle next_handle_ = 1;
};

}  // namespace tarnwell::regstore
