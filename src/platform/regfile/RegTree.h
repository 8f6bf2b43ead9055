// An in-memory registry: keys and values as Windows keeps them. Names match
// without regard to letter case and keep the case they were created with.
// Pure logic, shared by every store that is not the real Win32 registry.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tarnwell::regstore {

// The form in which two names compare equal when they differ only in case.
std::u16string FoldCase(std::u16string_view name);

struct RegValue {
  std::u16string Name;
  std::uint32_t Type = 0;
  std::string Data;  // raw bytes
};

class RegNode {
 public:
  explicit RegNode(std::u16string name) : name_(std::move(name)) {}

  const std::u16string& Name() const { return name_; }

  RegNode* Child(std::u16string_view name) const;
  // The child of that name, created (with this spelling) when missing.
  RegNode& AddChild(std::u16string_view name);

  const RegValue* Value(std::u16string_view name) const;
  // Creates the value, or replaces type and data of the existing one.
  void SetValue(std::u16string_view name, std::uint32_t type,
                std::string data);

  // Children in a stable order (by folded name); values in creation order.
  const std::map<std::u16string, std::unique_ptr<RegNode>>& Children() const {
    return children_;
  }
  const std::vector<RegValue>& Values() const { return values_; }

 private:
  std::u16string name_;
  std::map<std::u16string, std::unique_ptr<RegNode>> children_;
  std::vector<RegValue> values_;
  std::unordered_map<std::u16string, std::size_t> value_index_;
};

// Splits a backslash-separated path into its names. Returns 0, or a Windows
// error code for an empty name (ERROR_BAD_PATHNAME) or a name that a .reg
// file cannot hold (ERROR_INVALID_PARAMETER).
std::int32_t SplitKeyPath(std::u16string_view path,
                          std::vector<std::u16string_view>* names);

class RegTree {
 public:
  RegTree() : root_(u"") {}

  // The top level holds the root keys ("HKEY_LOCAL_MACHINE", ...).
  const RegNode& Root() const { return root_; }
  RegNode& Root() { return root_; }

  // The node at the full path (root name first), or null.
  RegNode* Find(std::u16string_view full_path);
  // The node at the full path, creating every missing key.
  RegNode& Create(std::u16string_view full_path);

  void Clear() { root_ = RegNode(u""); }

 private:
  RegNode root_;
};

}  // namespace tarnwell::regstore
