// The keys that device and modem sections read alike: the driver DLL and
// the USB vendor and product IDs.
#pragma once

#include <string_view>

#include "config/Capacities.h"
#include "config/KeyName.h"
#include "config/ObserverCalls.h"
#include "config/ReadObserver.h"

namespace tarnwell {

// Applies "DLL", "VID" or "PID" to an entry of either kind; false, with the
// entry unchanged, for any other key.
template <typename Entry>
bool ApplySharedKey(Entry& entry, std::string_view key, std::string_view value,
                    ReadObserver* observer) {
  if (KeyIs(key, "DLL")) {
    ReportApplied(observer, "DLL");
    WidenValue(entry.Dll, kDllCapacity, value, observer);
    entry.HasDll = true;
    return true;
  }
  if (KeyIs(key, "VID") || KeyIs(key, "PID")) {
    const bool vid = KeyIs(key, "VID");
    ReportApplied(observer, vid ? "VID" : "PID");
    ReadNumberInto(vid ? entry.Vid : entry.Pid, value, 16, observer);
    (vid ? entry.HasVid : entry.HasPid) = true;
    return true;
  }
  return false;
}

}  // namespace tarnwell
