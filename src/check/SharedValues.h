// A registry that passes every call of the install pass on to another one
// and notes which entry set each value, so that the checker can tell where
// sections write the same values. Names compare as the stores compare
// them, without regard to letter case. It tells the entries apart by how
// the writers begin: a device entry with its load-client key, a modem
// entry with the "Template" value of its interface key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config/ReadTrace.h"
#include "regstore/Registry.h"
#include "regstore/TreeRegistry.h"

namespace tarnwell::check {

class WriteLog : public Registry {
 public:
  static constexpr std::size_t kNobody = static_cast<std::size_t>(-1);
  // The writer of a value that the store held before the pass.
  static constexpr std::size_t kBefore = kNobody - 1;

  // A value as it stands after the pass.
  struct Slot {
    std::size_t Key = 0;    // index into Keys()
    std::u16string Name;    // as first written
    std::uint32_t Type = 0;
    std::string Data;
    std::size_t Writer = kNobody;  // the entry that set it last, or kBefore
  };

  struct Key {
    std::u16string Path;  // below HKEY_LOCAL_MACHINE, as first created
    std::vector<std::size_t> Slots;
    std::size_t Opener = kNobody;  // the first entry that opened it
  };

  // One value set by an entry; Replaced is the entry whose different value
  // it replaced, or kNobody.
  struct Write {
    std::size_t Slot = 0;
    std::size_t Replaced = kNobody;
  };

  // What one entry did: the keys it created or opened and the values it
  // set, in order.
  struct Entry {
    SectionKind Kind = SectionKind::kDevice;
    std::vector<std::size_t> Keys;
    std::vector<Write> Writes;
  };

  explicit WriteLog(regstore::TreeRegistry& target) : target_(target) {}

  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override;
  std::int32_t SetValue(RegHandle key, const char16_t* name, std::uint32_t type,
                        const void* data, std::uint32_t size) override;
  std::int32_t CloseKey(RegHandle key) override;
  std::int32_t Save() override { return target_.Save(); }

  const std::vector<Key>& Keys() const { return keys_; }
  const std::vector<Slot>& Slots() const { return slots_; }
  const std::vector<Entry>& Entries() const { return entries_; }

 private:
  std::size_t KeyOf(const regstore::RegNode* node);
  std::size_t SlotOf(std::size_t key, std::u16string_view name);

  regstore::TreeRegistry& target_;
  std::vector<Key> keys_;
  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  // The store's node of a key is the key, whatever spelling opened it.
  std::unordered_map<const regstore::RegNode*, std::size_t> key_index_;
  std::size_t fresh_ = kNobody;  // the key that the last CreateKey named
  // The keys open now, by handle: the writers hold one or two at a time.
  std::vector<std::pair<RegHandle, std::size_t>> open_;
  const std::size_t* OpenKey(RegHandle handle) const;
};

}  // namespace tarnwell::check
