#include "platform/posix/FileRegistry.h"

#include <new>

#include "platform/posix/NativePath.h"
#include "regstore/RegParse.h"

namespace tarnwell::posix {
namespace {

constexpr char kStoreName[] = "registry.reg";

}  // namespace

std::int32_t FileRegistry::Load(const char16_t* directory) {
  file_.Close();
  loaded_ = false;
  std::int32_t result = kErrorSuccess;
  try {
    if (path_.empty()) {
      if (directory == nullptr) return kErrorInvalidParameter;
      path_ = WideToNative(directory) + kStoreName;
    }
    result = LoadFile();
  } catch (const std::bad_alloc&) {
    result = kErrorNotEnoughMemory;
  }
  if (result != kErrorSuccess) {
    file_.Close();
    ReplaceTree(regstore::RegTree());
    return result;
  }
  loaded_ = true;
  return kErrorSuccess;
}

std::int32_t FileRegistry::LoadFile() {
  ReplaceTree(regstore::RegTree());
  std::string bytes;
  bool exists = false;
  if (std::int32_t e = file_.Open(path_, &bytes, &exists)) return e;
  if (exists && !regstore::ParseRegFileBytes(bytes, Tree()).Ok) {
    return kErrorBadDb;
  }
  return kErrorSuccess;
}

std::int32_t FileRegistry::Save() {
  std::int32_t result = kErrorInvalidHandle;  // nothing was loaded
  if (loaded_) {
    result = kErrorSuccess;
    if (Changed()) {
      try {
        result = file_.Replace(Tree());
      } catch (const std::bad_alloc&) {
        result = kErrorNotEnoughMemory;  // the old file is as it was
      }
    }
  }
  file_.Close();
  loaded_ = false;
  return result;
}

}  // namespace tarnwell::posix
