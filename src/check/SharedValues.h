// The checker's store of the installer's registry pass: it takes every
// call of the pass as a store does (names compare without regard to letter
// case, paths and names are checked as the host's store checks them) and
// notes which entry set each value, so that the checker can tell where
// sections write the same values. The registry the pass leaves is made
// from it only where it is shown. It tells the entries apart by how the
// writers begin: a device entry with its load-client key, a modem entry
// with the "Template" value of its interface key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/KeyIndex.h"
#include "config/ReadTrace.h"
#include "regstore/Arena.h"
#include "regstore/Registry.h"
#include "regstore/RegTree.h"

namespace tarnwell::check {

// A run of a vector's elements, as an entry's keys or writes.
template <typename T>
struct Run {
  const T* First = nullptr;
  std::size_t Count = 0;
  const T* begin() const { return First; }
  const T* end() const { return First + Count; }
  std::size_t size() const { return Count; }
  const T& operator[](std::size_t i) const { return First[i]; }
};

class WriteLog : public Registry {
 public:
  static constexpr std::size_t kNobody = static_cast<std::size_t>(-1);
  // The writer of a value that the store held before the pass.
  static constexpr std::size_t kBefore = kNobody - 1;

  // A value as it stands after the pass. Names, paths and data are held
  // by the log's arena.
  struct Slot {
    std::size_t Key = 0;          // index into Keys()
    std::u16string_view Name;     // as first written
    std::uint32_t Type = 0;
    std::string_view Data;
    // The entry that set it last, kBefore, or kNobody for a value that no
    // entry set.
    std::size_t Writer = kNobody;
    bool Held = false;  // the start registry held it
  };

  struct Key {
    std::u16string_view Path;  // below HKEY_LOCAL_MACHINE, as first created
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
  // set, in order, as runs of KeysOf and WritesOf.
  struct Entry {
    SectionKind Kind = SectionKind::kDevice;
    std::size_t FirstKey = 0, KeyCount = 0;
    std::size_t FirstWrite = 0, WriteCount = 0;
  };

  // `start`: the registry the pass starts from, which must outlive the
  // log; its values in the keys the pass opens are the kBefore slots.
  explicit WriteLog(const regstore::RegTree* start = nullptr) : start_(start) {}

  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override;
  std::int32_t SetValue(RegHandle key, const char16_t* name, std::uint32_t type,
                        const void* data, std::uint32_t size) override;
  std::int32_t CloseKey(RegHandle key) override;

  // Whether a call changed the registry it started from.
  bool Changed() const { return changed_; }
  // The registry the pass leaves: the start with every key and value the
  // pass wrote.
  regstore::RegTree Result() const;
  // What the pass added to the start: keys that hold values now and held
  // none before, and values.
  std::size_t AddedKeys() const;
  std::size_t AddedValues() const;

  const std::vector<Key>& Keys() const { return keys_; }
  const std::vector<Slot>& Slots() const { return slots_; }
  const std::vector<Entry>& Entries() const { return entries_; }
  Run<std::size_t> KeysOf(const Entry& e) const {
    return {entry_keys_.data() + e.FirstKey, e.KeyCount};
  }
  Run<Write> WritesOf(const Entry& e) const {
    return {writes_.data() + e.FirstWrite, e.WriteCount};
  }

 private:
  std::size_t KeyOf(std::u16string_view path, bool* created);
  std::size_t SlotOf(std::size_t key, std::u16string_view name);
  void BeginEntry(SectionKind kind);
  const std::size_t* OpenKey(RegHandle handle) const;

  const regstore::RegTree* start_;
  regstore::Arena arena_;
  std::vector<Key> keys_;
  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  std::vector<std::size_t> entry_keys_;
  std::vector<Write> writes_;
  KeyIndex key_index_;  // numbers the keys as keys_ does
  std::u16string path_;  // reused by every CreateKey
  std::vector<std::u16string_view> names_;
  RegHandle next_handle_ = 1;
  bool changed_ = false;
  std::size_t fresh_ = kNobody;  // the key that the last CreateKey named
  // The keys open now, by handle: the writers hold one or two at a time.
  std::vector<std::pair<RegHandle, std::size_t>> open_;
};

}  // namespace tarnwell::check
