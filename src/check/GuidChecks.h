// Checks of a GUID value: groups that do not read as written.
#pragma once

#include <string_view>

#include "check/CheckState.h"
#include "config/DeviceEntry.h"

namespace tarnwell::check {

// A "GUID" value was read; s.GuidGroups holds the readings of its groups.
void CheckGuid(CheckState& s, std::string_view text, const GUID& guid,
               int groups_read);

}  // namespace tarnwell::check
