# The installer for Windows CE 5 on ARM, from Debian's packages alone: the
# bare-metal GNU toolchain (gcc-arm-none-eabi) compiles and links the
# program as an ELF file at the image's fixed base, keeping its
# relocations, and cmake/ElfToPe.py writes the PE image that the CE loader
# takes. No C library is linked: coredll.dll is the C runtime.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TARNWELL_WINDOWS_CE ON CACHE BOOL "The Windows CE form" FORCE)
# The compiler cannot link a program on its own (no C library, no start
# files), so CMake's check of it compiles only.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

find_program(CMAKE_CXX_COMPILER arm-none-eabi-g++)
find_program(CMAKE_AR arm-none-eabi-ar)
find_program(CMAKE_RANLIB arm-none-eabi-ranlib)
if(NOT CMAKE_CXX_COMPILER)
  message(FATAL_ERROR "The Windows CE build needs arm-none-eabi-g++: "
    "bash scripts/deps.sh installs gcc-arm-none-eabi.")
endif()

# ARM code for ARMv4T, the instruction set of CE 5's ARMV4I devices, which
# XScale runs too, with interworking returns (bx) as ARMV4I asks. The
# calling convention is Windows CE's ("ARM Parameter Passing", CE 5.0):
# apcs-gnu passes 64-bit values in any register pair and keeps the stack
# at 4 bytes, as CE does; enums are int-sized and wchar_t holds a UTF-16
# unit, as in CE's headers. No exceptions, no run-time type information,
# no guards around local statics (one thread), and no frame larger than a
# page: CE's structured exception handling fails on such a frame ("Stack",
# CE 5.0).
set(CMAKE_CXX_FLAGS_INIT "-marm -march=armv4t -mtune=xscale -mthumb-interwork \
-mabi=apcs-gnu -fno-short-enums -fshort-wchar -D_WIN32_WCE=0x500 \
-fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-use-cxa-atexit \
-Wframe-larger-than=4096")
set(CMAKE_ASM_FLAGS_INIT "-marm -march=armv4t -mthumb-interwork -mabi=apcs-gnu")
find_program(CMAKE_ASM_COMPILER arm-none-eabi-gcc)
