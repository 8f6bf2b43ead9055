#include "CallLog.h"

#include <algorithm>

namespace tarnwell::fuzz {

void CallLog::Clear() {
  calls_.clear();
  units_.clear();
  bytes_.clear();
  open_.clear();
  next_ = 0;
}

std::uint32_t CallLog::AddText(const char16_t* text) {
  const std::size_t begin = units_.size();
  units_ += text;
  return static_cast<std::uint32_t>(units_.size() - begin);
}

std::int32_t CallLog::CreateKey(RegHandle parent, const char16_t* path,
                                std::uint32_t /*access*/, RegHandle* key) {
  *key = 0;
  if (parent != kLocalMachine) return kErrorInvalidHandle;
  LoggedCall call;
  call.Op = CallOp::kCreate;
  call.Key = ++next_;
  call.Text = static_cast<std::uint32_t>(units_.size());
  call.TextSize = AddText(path);
  calls_.push_back(call);
  open_.push_back(call.Key);
  *key = call.Key;
  return kErrorSuccess;
}

std::int32_t CallLog::SetValue(RegHandle key, const char16_t* name,
                               std::uint32_t type, const void* data,
                               std::uint32_t size) {
  if (std::find(open_.begin(), open_.end(), key) == open_.end()) {
    return kErrorInvalidHandle;
  }
  LoggedCall call;
  call.Op = CallOp::kSet;
  call.Key = key;
  call.Type = type;
  call.Text = static_cast<std::uint32_t>(units_.size());
  call.TextSize = AddText(name);
  call.Data = static_cast<std::uint32_t>(bytes_.size());
  call.DataSize = size;
  bytes_.append(static_cast<const char*>(data), size);
  calls_.push_back(call);
  return kErrorSuccess;
}

std::int32_t CallLog::CloseKey(RegHandle key) {
  auto it = std::find(open_.begin(), open_.end(), key);
  if (it == open_.end()) return kErrorInvalidHandle;
  open_.erase(it);
  LoggedCall call;
  call.Op = CallOp::kClose;
  call.Key = key;
  calls_.push_back(call);
  return kErrorSuccess;
}

bool CallLog::Replay(Registry& target) const {
  // Handles of this log, by number, to those of the target.
  std::vector<RegHandle> handles(next_ + 1, 0);
  for (const LoggedCall& call : calls_) {
    switch (call.Op) {
      case CallOp::kCreate: {
        const std::u16string path(TextOf(call));
        if (target.CreateKey(kLocalMachine, path.c_str(), kKeyReadWrite,
                             &handles[call.Key]) != kErrorSuccess) {
          return false;
        }
        break;
      }
      case CallOp::kSet: {
        const std::u16string name(TextOf(call));
        const std::string_view data = DataOf(call);
        if (target.SetValue(handles[call.Key], name.c_str(), call.Type,
                            data.data(),
                            static_cast<std::uint32_t>(data.size())) !=
            kErrorSuccess) {
          return false;
        }
        break;
      }
      case CallOp::kClose:
        if (target.CloseKey(handles[call.Key]) != kErrorSuccess) return false;
        break;
    }
  }
  return true;
}

}  // namespace tarnwell::fuzz
