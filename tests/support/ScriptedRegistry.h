// A registry for the writers' tests: an in-memory store that records every
// call and can be told to fail the n-th one, as a faulty platform would.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "regstore/TreeRegistry.h"

namespace tarnwell::testing {

struct RegistryCall {
  std::string Op;    // "create", "set", "close"
  std::u16string Arg;  // path or value name
  std::uint32_t Type = 0;
  std::string Data;
};

class ScriptedRegistry : public regstore::TreeRegistry {
 public:
  // Fail the n-th CreateKey/SetValue call from now (1-based) with `error`;
  // 0 = never.
  void FailCall(int n, std::int32_t error = 5) {
    fail_at_ = n;
    counted_ = 0;
    error_ = error;
  }
  // Fail every CreateKey whose path contains `fragment`.
  void FailCreateContaining(std::u16string fragment) {
    fail_fragment_ = std::move(fragment);
  }

  std::int32_t CreateKey(RegHandle parent, const char16_t* path,
                         std::uint32_t access, RegHandle* key) override {
    Calls.push_back({"create", path, access, {}});
    if (ShouldFail() || (!fail_fragment_.empty() &&
                         std::u16string(path).find(fail_fragment_) !=
                             std::u16string::npos)) {
      *key = 0;
      return error_;
    }
    return TreeRegistry::CreateKey(parent, path, access, key);
  }

  std::int32_t SetValue(RegHandle key, const char16_t* name,
                        std::uint32_t type, const void* data,
                        std::uint32_t size) override {
    Calls.push_back(
        {"set", name, type, std::string(static_cast<const char*>(data), size)});
    if (ShouldFail()) return error_;
    return TreeRegistry::SetValue(key, name, type, data, size);
  }

  std::int32_t CloseKey(RegHandle key) override {
    Calls.push_back({"close", {}, 0, {}});
    return TreeRegistry::CloseKey(key);
  }

  std::vector<RegistryCall> Calls;

 private:
  bool ShouldFail() { return fail_at_ != 0 && ++counted_ == fail_at_; }

  int fail_at_ = 0;
  int counted_ = 0;
  std::int32_t error_ = 5;
  std::u16string fail_fragment_;
};

}  // namespace tarnwell::testing
