#include "platform/posix/FileRegistry.h"

#include <cerrno>
#include <new>

#include "platform/posix/Errors.h"
#include "platform/posix/NativePath.h"
#include "regstore/RegParse.h"

namespace tarnwell::posix {
namespace {

constexpr char kStoreName[] = "registry.reg";

}  // namespace

std::int32_t FileRegistry::Ready() {
  if (state_ == State::kIdle) {
    error_ = Load();
    state_ = error_ == kErrorSuccess ? State::kOpen : State::kFailed;
  }
  return error_;
}

std::int32_t FileRegistry::Load() {
  try {
    if (path_.empty()) {
      const std::string exe = ExecutablePath();
      if (exe.empty()) return WindowsError(errno);
      path_ = exe.substr(0, exe.rfind('/') + 1) + kStoreName;
    }
    ReplaceTree(regstore::RegTree());
    std::string bytes;
    bool exists = false;
    if (std::int32_t e = file_.Open(path_, &bytes, &exists)) return e;
    if (exists && !regstore::ParseRegFileBytes(bytes, Tree()).Ok) {
      file_.Close();
      return kErrorBadDb;
    }
    return kErrorSuccess;
  } catch (const std::bad_alloc&) {
    file_.Close();
    return kErrorNotEnoughMemory;
  }
}

std::int32_t FileRegistry::Save() {
  std::int32_t result = kErrorSuccess;
  if (state_ == State::kFailed) {
    result = error_;
  } else if (state_ == State::kOpen && Changed()) {
    try {
      result = file_.Replace(Tree());
    } catch (const std::bad_alloc&) {
      result = kErrorNotEnoughMemory;  // the old file is as it was
    }
  }
  file_.Close();
  state_ = State::kIdle;
  error_ = kErrorSuccess;
  return result;
}

}  // namespace tarnwell::posix
