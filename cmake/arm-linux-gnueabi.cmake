# The host programs and tests for 32-bit ARM Linux, run under QEMU user
# mode as the XScale PXA27x of many Windows CE 5 devices: char is
# unsigned, size_t is 32 bits and alignment matters, as on the device.
# Debian's g++-arm-linux-gnueabi and qemu-user (scripts/deps.sh).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

find_program(CMAKE_CXX_COMPILER arm-linux-gnueabi-g++)
find_program(CMAKE_C_COMPILER arm-linux-gnueabi-gcc)
if(NOT CMAKE_CXX_COMPILER OR NOT CMAKE_C_COMPILER)
  message(FATAL_ERROR "The ARM Linux build needs arm-linux-gnueabi-g++: "
    "bash scripts/deps.sh installs it (g++-arm-linux-gnueabi).")
endif()
set(CMAKE_CXX_FLAGS_INIT "-march=armv5te -mtune=xscale -marm")
set(CMAKE_C_FLAGS_INIT "-march=armv5te -mtune=xscale -marm")

set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabi)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest, test discovery and the tests' own child runs (tests/support)
# start every ARM program through this.
find_program(TARNWELL_QEMU_ARM qemu-arm)
if(NOT TARNWELL_QEMU_ARM)
  message(FATAL_ERROR "The ARM Linux build runs its tests under qemu-arm: "
    "bash scripts/deps.sh installs it (qemu-user).")
endif()
# The programs name the ARM loader and libraries where Debian's cross
# packages put them, so QEMU needs no -L: with it QEMU would show them the
# ARM sysroot as "/", and the store, which walks its path from the real
# "/", would find nothing there. A run path (not a run-time one) also
# serves the libraries glibc loads itself, as for user look-ups.
set(CMAKE_EXE_LINKER_FLAGS_INIT
  "-Wl,--dynamic-linker=/usr/arm-linux-gnueabi/lib/ld-linux.so.3 -Wl,-rpath,/usr/arm-linux-gnueabi/lib -Wl,--disable-new-dtags")
set(CMAKE_CROSSCOMPILING_EMULATOR ${TARNWELL_QEMU_ARM} -cpu pxa270)
