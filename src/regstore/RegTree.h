// An in-memory registry: keys and values as Windows keeps them. Names match
// without regard to letter case and keep the spelling they were created
// with. Pure logic, shared by every store that is not the real registry.
#pragma once

#include <cstdint>
#include <memory>
#include <memory_resource>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "regstore/Arena.h"

namespace tarnwell::regstore {

// The longest names Windows takes, in UTF-16 units: a key's own name (not
// its path) and a value's name. Longer ones are refused, as Windows
// refuses them.
inline constexpr std::size_t kMaxKeyName = 255;
inline constexpr std::size_t kMaxValueName = 16383;

// Windows keeps keys at most 512 levels below their root key:
// HKEY_LOCAL_MACHINE\a\b lies 2 below it. Deeper keys are refused. The
// bound also bounds the saved text, where each key's header repeats its
// whole path: a header holds at most 513 names, so the file stays linear
// in the tree's content, by a factor of at most the bound.
inline constexpr std::size_t kMaxKeyDepth = 512;

// Whether a value of this name can be stored and written back: no longer
// than kMaxValueName, and no control character, which a line of .reg text
// cannot hold.
bool IsValueName(std::u16string_view name);

// The unit that two names hold at a position when they differ only in case.
char16_t FoldBeyondAscii(char16_t c);
inline char16_t FoldUnit(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? c - 0x20 : c;
  return FoldBeyondAscii(c);
}

// The form in which two names compare equal when they differ only in case.
std::u16string FoldCase(std::u16string_view name);

// Whether two names are one name, differing in case at most.
bool SameName(std::u16string_view a, std::u16string_view b);

// Orders names by their folded units, so that names differing only in case
// are one name.
struct FoldLess {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const;
};

// Name and data lie in the tree's arena, as its keys do.
struct RegValue {
  std::u16string_view Name;
  std::uint32_t Type = 0;
  std::string_view Data;  // raw bytes
};

// A key. Nodes live in their tree's arena: they are made there and go
// with it all at once, so that a tree of a great many keys costs little to
// build and nothing to free. A key holds its children as a list, newest
// first, and its values as an array; one with many of either also keeps
// an index of them, so that most keys, with a child or a value or two,
// take little memory, and a key of a great many stays linear to fill.
class RegNode {
 public:
  // Children by folded name, with the name as spelled.
  using ChildList = std::vector<std::pair<std::u16string_view, RegNode*>>;

  // Values in creation order.
  class ValueList {
   public:
    ValueList(const RegValue* first, std::size_t size)
        : first_(first), size_(size) {}
    const RegValue* begin() const { return first_; }
    const RegValue* end() const { return first_ + size_; }
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    const RegValue& operator[](std::size_t i) const { return first_[i]; }

   private:
    const RegValue* first_;
    std::size_t size_;
  };

  explicit RegNode(std::pmr::memory_resource* arena,
                   std::u16string_view name = {}, std::size_t level = 0)
      : arena_(arena),
        name_(name.data()),
        name_size_(static_cast<std::uint32_t>(name.size())),
        level_(static_cast<std::uint32_t>(level)),
        children_sorted_(1) {}
  RegNode(const RegNode&) = delete;
  RegNode& operator=(const RegNode&) = delete;

  // The name as first spelled; empty for the tree's top.
  std::u16string_view Name() const { return {name_, name_size_}; }
  // How many names its full path holds: 0 for the tree's top, 1 for a
  // root key, 2 for HKEY_LOCAL_MACHINE\Drivers.
  std::size_t Level() const { return level_; }

  RegNode* Child(std::u16string_view name) const;
  // The child of that name, created with this spelling when missing;
  // *created tells which.
  RegNode& AddChild(std::u16string_view name, bool* created = nullptr);

  const RegValue* Value(std::u16string_view name) const;
  // Creates the value, or replaces type and data of the existing one.
  // Returns false when the value held exactly this already.
  bool SetValue(std::u16string_view name, std::uint32_t type,
                std::string_view data);

  // Children in a stable order (by folded name): into *out, or as a list.
  void SortedChildren(std::vector<const RegNode*>* out) const;
  ChildList Children() const;
  std::size_t ChildCount() const { return child_count_; }
  ValueList Values() const { return {values_, value_count_}; }

 private:
  struct ChildIndex;
  // Orders a key's values by name, by their places in its array.
  struct IndexLess {
    using is_transparent = void;
    const RegNode* Node;
    bool operator()(std::uint32_t a, std::uint32_t b) const;
    bool operator()(std::uint32_t a, std::u16string_view b) const;
    bool operator()(std::u16string_view a, std::uint32_t b) const;
  };
  using ValueIndex = std::pmr::set<std::uint32_t, IndexLess>;
  struct Indexes;

  // The child of that name or null; *hash is the name's in the child
  // index, 0 without one.
  RegNode* FindChild(std::u16string_view name, std::uint32_t* hash) const;
  std::size_t FindValue(std::u16string_view name) const;
  // Makes room in the child index for one child more; false while the
  // key has too few children to keep one.
  bool ReserveChild();
  Indexes& MakeIndexes();

  std::pmr::memory_resource* arena_;
  const char16_t* name_;  // in the arena
  std::uint32_t name_size_;
  std::uint32_t level_ : 31;
  std::uint32_t children_sorted_ : 1;  // made in folded order so far
  std::uint32_t child_count_ = 0;
  // The array holds the next power of two up from the count.
  std::uint32_t value_count_ = 0;
  RegNode* newest_child_ = nullptr;
  RegNode* older_sibling_ = nullptr;
  RegValue* values_ = nullptr;  // in the arena
  Indexes* indexes_ = nullptr;  // in the arena, once a key holds many
};

// Splits a backslash-separated path into its names. Returns 0, or a Windows
// error code for an empty name (ERROR_BAD_PATHNAME), a name that a .reg
// file cannot hold or is longer than kMaxKeyName, or a key deeper than
// kMaxKeyDepth (ERROR_INVALID_PARAMETER) when the path starts `above` names
// below the tree's root (0: the path begins with its root key).
std::int32_t SplitKeyPath(std::u16string_view path,
                          std::vector<std::u16string_view>* names,
                          std::size_t above = 0);

class RegTree {
 public:
  // An empty tree takes no memory, so that making one cannot fail.
  RegTree() = default;

  // The top level holds the root keys ("HKEY_LOCAL_MACHINE", ...).
  const RegNode& Root() const;
  RegNode& Root();

  // The node at the full path (root name first), or null.
  RegNode* Find(std::u16string_view full_path) const;
  // The node at the full path, creating every missing key. The path must
  // be one that SplitKeyPath accepts.
  RegNode& Create(std::u16string_view full_path);

  // A tree of its own with the same keys and values.
  RegTree Copy() const;

 private:
  std::unique_ptr<Arena> arena_;
  RegNode* root_ = nullptr;
};

}  // namespace tarnwell::regstore
