// A Registry that keeps nothing but the calls made to it, in one flat log:
// no tree, no names folded, no map to search. The fuzz targets judge the
// writers by their calls; a store's own behaviour is fuzz_regtext's part.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "regstore/Registry.h"

namespace tarnwell::fuzz {

enum class CallOp : std::uint8_t { kCreate, kSet, kClose };

struct LoggedCall {
  CallOp Op = CallOp::kCreate;
  RegHandle Key = 0;        // the key made, set or closed
  std::uint32_t Type = 0;   // kSet
  std::uint32_t Text = 0;   // path (kCreate) or value name (kSet) in Units()
  std::uint32_t TextSize = 0;
  std::uint32_t Data = 0;   // kSet: the value's bytes in Bytes()
  std::uint32_t DataSize = 0;

  bool operator==(const LoggedCall& o) const {
    return Op == o.Op && Key == o.Key && Type == o.Type && Text == o.Text &&
           TextSize == o.TextSize && Data == o.Data && DataSize == o.DataSize;
  }
};

class CallLog : public Registry {
 public:
  // Forgets every call and open key; keeps the memory for the next run.
  void Clear();

  // Keys open below HKEY_LOCAL_MACHINE only; a call on a key that is not
  // open fails with ERROR_INVALID_HANDLE, as the real registry's would.
  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override;
  std::int32_t SetValue(RegHandle key, const char16_t* name,
                        std::uint32_t type, const void* data,
                        std::uint32_t size) override;
  std::int32_t CloseKey(RegHandle key) override;

  const std::vector<LoggedCall>& Calls() const { return calls_; }
  std::u16string_view TextOf(const LoggedCall& call) const {
    return std::u16string_view(units_).substr(call.Text, call.TextSize);
  }
  std::string_view DataOf(const LoggedCall& call) const {
    return std::string_view(bytes_).substr(call.Data, call.DataSize);
  }
  std::size_t OpenKeyCount() const { return open_.size(); }

  // The same calls with the same arguments, in the same order.
  bool SameCalls(const CallLog& other) const {
    return calls_ == other.calls_ && units_ == other.units_ &&
           bytes_ == other.bytes_;
  }

  // Makes the same calls on another registry; false at the first that
  // fails there.
  bool Replay(Registry& target) const;

 private:
  std::uint32_t AddText(const char16_t* text);

  std::vector<LoggedCall> calls_;
  std::u16string units_;
  std::string bytes_;
  std::vector<RegHandle> open_;
  RegHandle next_ = 0;
};

}  // namespace tarnwell::fuzz
