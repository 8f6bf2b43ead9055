# Cross build for 32-bit x86 Windows with Debian's mingw-w64
# (g++-mingw-w64-i686): the 32-bit data model of the devices, run under
# 32-bit Wine.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(TARNWELL_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
