// Checks of the key of a key line: keys that name nothing, keys of the
// other kind of section, init strings out of range, keys given twice.
#pragma once

#include "check/CheckState.h"

namespace tarnwell::check {

// The key matched s.Applied.
void CheckAppliedKey(CheckState& s);

// The key matched no row of the open section's kind.
void CheckUnknownKey(CheckState& s);

}  // namespace tarnwell::check
