// The checker's record of the installer's registry pass. The pass writes
// into one in-memory store, which starts as a copy of the start registry
// when there is one; beside it the log keeps, flat, which entry opened
// each key and set each value, as the pass says where each entry begins.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory_resource>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/InstallConfig.h"
#include "regstore/TreeRegistry.h"

namespace tarnwell::check {

// A run of a vector's elements, as an entry's keys or writes.
template <typename T>
struct Run {
  const T* First = nullptr;
  std::size_t Count = 0;
  const T* begin() const { return First; }
  const T* end() const { return First + Count; }
};

class WriteLog : public Registry, public PassListener {
 public:
  static constexpr std::uint32_t kNobody = UINT32_MAX;
  // The writer of a value that the start held and no entry set.
  static constexpr std::uint32_t kBefore = kNobody - 1;

  // A key the pass opened, in the order first opened; its values are the
  // slots First.., one for each of its node's values.
  struct Key {
    const regstore::RegNode* Node = nullptr;
    std::u16string_view Path;        // below HKEY_LOCAL_MACHINE, as first opened
    std::uint32_t Opener = kNobody;  // the entry that opened it
    std::size_t First = 0, Count = 0;
  };

  // A value as it stands after the pass.
  struct Slot {
    std::uint32_t Key = 0;
    std::u16string_view Name;
    std::uint32_t Type = 0;
    std::string_view Data;
    std::uint32_t Writer = kBefore;  // the entry that set it last
    const regstore::RegValue* Value = nullptr;
  };

  // One value set by an entry, and the entry whose different value it
  // replaced (kBefore: the start's), or kNobody.
  struct Write {
    std::uint32_t Key = 0;
    std::uint32_t Index = 0;  // among its key's values
    bool Same = false;        // the value held these data already
    bool Created = false;
    std::uint32_t Replaced = kNobody;
  };

  struct Entry {
    SectionKind Kind = SectionKind::kDevice;
    std::size_t FirstKey = 0, KeyCount = 0;
    std::size_t FirstWrite = 0, WriteCount = 0;
  };

  // `start`: the registry the pass starts from.
  explicit WriteLog(const regstore::RegTree* start = nullptr);

  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override;
  std::int32_t SetValue(RegHandle key, const char16_t* name, std::uint32_t type,
                        const void* data, std::uint32_t size) override;
  std::int32_t CloseKey(RegHandle key) override;
  void EntryBegins(SectionKind kind) override;

  // Numbers the values and names their writers, once the pass is done.
  void Finish();

  // The registry the pass leaves, and whether a call changed it.
  const regstore::RegTree& Tree() const { return store_.Tree(); }
  bool Changed() const { return store_.Changed(); }

  const std::vector<Key>& Keys() const { return keys_; }
  std::u16string_view PathOf(const Key& key) const { return key.Path; }
  std::size_t SlotCount() const { return writers_.size(); }
  Slot SlotAt(std::size_t number) const;
  std::uint32_t WriterOf(std::size_t number) const { return writers_[number]; }
  std::size_t SlotsOf(const Key& key) const { return key.Count; }

  const std::vector<Entry>& Entries() const { return entries_; }
  Run<std::uint32_t> KeysOf(const Entry& e) const {
    return {entry_keys_.data() + e.FirstKey, e.KeyCount};
  }
  Run<Write> WritesOf(const Entry& e) const {
    return {writes_.data() + e.FirstWrite, e.WriteCount};
  }

 private:
  // A CreateKey call: the key it opened, by whom, how many values the key
  // held then, and the path it named.
  struct Opening {
    const regstore::RegNode* Node = nullptr;
    std::uint32_t Entry = kNobody;
    std::uint32_t Values = 0;
    std::u16string_view Path;
  };
  struct Open {
    RegHandle Handle = 0;
    std::uint32_t Opening = 0;
    const regstore::RegNode* Node = nullptr;
  };
  const Open* OpenKey(RegHandle handle) const;

  regstore::TreeRegistry store_;
  std::pmr::monotonic_buffer_resource paths_;  // of the openings
  std::vector<Opening> openings_;
  std::vector<Key> keys_;  // after Finish
  std::vector<Entry> entries_;
  std::vector<std::uint32_t> entry_keys_;  // openings, key numbers after Finish
  std::vector<Write> writes_;  // Key is an opening's number until Finish
  std::vector<std::uint32_t> writers_;  // by slot number, after Finish
  // The keys open now: the writers hold one or two at a time.
  std::vector<Open> open_;
};

}  // namespace tarnwell::check
