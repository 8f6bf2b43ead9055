# Cross build for 64-bit Windows with Debian's mingw-w64
# (g++-mingw-w64-x86-64). The win32 thread model needs no winpthread DLL.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_tarnwell_triplet x86_64-w64-mingw32)
find_program(CMAKE_CXX_COMPILER NAMES ${_tarnwell_triplet}-g++-win32 ${_tarnwell_triplet}-g++)
find_program(CMAKE_C_COMPILER NAMES ${_tarnwell_triplet}-gcc-win32 ${_tarnwell_triplet}-gcc)
find_program(CMAKE_RC_COMPILER NAMES ${_tarnwell_triplet}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_tarnwell_triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
