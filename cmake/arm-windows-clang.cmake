# Compile check for 32-bit ARM Windows, the processor of our Windows CE
# devices: clang for thumbv7-w64-windows-gnu with mingw-w64's headers.
# Nothing is linked: Debian has no C runtime or import libraries for ARM
# Windows, so this build compiles the installer's objects and archives
# them, no more. (The Windows CE form is a real build: preset wince-arm.)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

find_program(CMAKE_CXX_COMPILER NAMES clang++ clang++-14 REQUIRED)
set(CMAKE_CXX_COMPILER_TARGET thumbv7-w64-windows-gnu)
find_program(CMAKE_AR NAMES llvm-ar llvm-ar-14 REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib llvm-ranlib-14 REQUIRED)

# mingw-w64's headers serve every processor. The C++ library's headers
# come from the 32-bit x86 mingw-w64 compiler: the same C runtime and the
# same 32-bit data model as ARM.
find_path(TARNWELL_MINGW_INCLUDE windows.h
  PATHS /usr/share/mingw-w64/include /usr/i686-w64-mingw32/include
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
file(GLOB _tarnwell_libstdcxx LIST_DIRECTORIES true
  /usr/lib/gcc/i686-w64-mingw32/*-win32/include/c++)
set(TARNWELL_LIBSTDCXX_INCLUDE "")
if(_tarnwell_libstdcxx)
  list(SORT _tarnwell_libstdcxx COMPARE NATURAL ORDER DESCENDING)
  list(GET _tarnwell_libstdcxx 0 TARNWELL_LIBSTDCXX_INCLUDE)
endif()
if(NOT TARNWELL_MINGW_INCLUDE OR
   NOT EXISTS "${TARNWELL_LIBSTDCXX_INCLUDE}/i686-w64-mingw32")
  message(FATAL_ERROR "The ARM compile check needs mingw-w64's headers and the "
    "C++ headers of g++-mingw-w64-i686: bash scripts/deps.sh installs them.")
endif()

# Only these headers: none of the host's. (Set, not appended: CMake reads
# this file more than once.)
set(CMAKE_CXX_FLAGS_INIT
  "-nostdinc++ -nostdlibinc -isystem ${TARNWELL_LIBSTDCXX_INCLUDE} -isystem ${TARNWELL_LIBSTDCXX_INCLUDE}/i686-w64-mingw32 -isystem ${TARNWELL_MINGW_INCLUDE}")
