// A Microsoft Cabinet of one file, stored without compression, as a
// Windows CE device's installer reads it: libgcab on the host
// (posix/Cabinet.cpp), cabinet.dll's FCI on Windows (win32/Cabinet.cpp).
// Only tarnwell-check links it; the installer has no use for it.
#pragma once

#include <string>
#include <string_view>

namespace tarnwell::platform {

// The cabinet holding `data` as the file `name` (an 8.3 name), dated the
// same whatever the day, so that one input makes one cabinet. False with
// *error set when the library fails or this build has none.
bool MakeCabinet(const std::string& name, std::string_view data,
                 std::string* cabinet, std::string* error);

}  // namespace tarnwell::platform
