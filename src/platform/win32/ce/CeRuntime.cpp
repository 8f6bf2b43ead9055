// What the compiler's output needs beside coredll on the device, where no C
// or C++ library is linked: the division that ARMv4T has no instruction
// for, and the std::nothrow tag of the installer's allocations.
#include <cstdint>
#include <new>

extern "C" {

// Unsigned division by shifts and subtractions; GCC calls these for "/" and
// "%" (the names of the ARM procedure call standard before the EABI).
std::uint32_t __udivsi3(std::uint32_t dividend, std::uint32_t divisor) {
  if (divisor == 0) return 0;
  std::uint32_t quotient = 0;
  std::uint32_t remainder = 0;
  for (int bit = 31; bit >= 0; --bit) {
    remainder = (remainder << 1) | ((dividend >> bit) & 1);
    if (remainder >= divisor) {
      remainder -= divisor;
      quotient |= std::uint32_t{1} << bit;
    }
  }
  return quotient;
}

std::uint32_t __umodsi3(std::uint32_t dividend, std::uint32_t divisor) {
  return dividend - __udivsi3(dividend, divisor) * divisor;
}

}  // extern "C"

namespace std {
const nothrow_t nothrow{};
}  // namespace std
