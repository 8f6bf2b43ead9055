// Only generic POSIX code here: errno values as the Windows error codes
// that the core understands.
#pragma once

#include <cstdint>

namespace tarnwell::posix {

std::int32_t WindowsError(int error_number);

}  // namespace tarnwell::posix
