// Deep equality of two registry trees: names in their stored case, values
// in their order with type and bytes.
#pragma once

#include "platform/regfile/RegTree.h"

namespace tarnwell::fuzz {

bool SameTree(const regstore::RegTree& a, const regstore::RegTree& b);

// Ends the process with a message: libFuzzer reports it as a finding and
// keeps the input that caused it.
[[noreturn]] void Fail(const char* what);

}  // namespace tarnwell::fuzz
