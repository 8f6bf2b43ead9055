# The installer for Windows CE 5 on the devices' ARM processor, with the
# maintained Windows CE GCC: CeGCC's arm-mingw32ce, as its public build
# scripts make it (installed under /opt/mingw32ce unless told otherwise).
# Debian packages no such compiler, so nothing here builds with this file;
# without the compiler, configuring stops and says so.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TARNWELL_CEGCC)

set(TARNWELL_CEGCC /opt/mingw32ce CACHE PATH
  "Where CeGCC's arm-mingw32ce compiler is installed")
find_program(TARNWELL_CEGCC_CXX arm-mingw32ce-g++ HINTS ${TARNWELL_CEGCC}/bin)
if(NOT TARNWELL_CEGCC_CXX)
  message(FATAL_ERROR "The Windows CE build needs CeGCC's arm-mingw32ce-g++, "
    "which Debian does not package and which is neither on PATH nor in "
    "${TARNWELL_CEGCC}/bin. Build it with CeGCC's build scripts, then put "
    "its bin directory on PATH or set TARNWELL_CEGCC to where it is installed.")
endif()
set(CMAKE_CXX_COMPILER ${TARNWELL_CEGCC_CXX})
get_filename_component(_tarnwell_cegcc_bin ${TARNWELL_CEGCC_CXX} DIRECTORY)
find_program(CMAKE_RC_COMPILER arm-mingw32ce-windres HINTS ${_tarnwell_cegcc_bin})
find_program(CMAKE_AR arm-mingw32ce-ar HINTS ${_tarnwell_cegcc_bin})
find_program(CMAKE_RANLIB arm-mingw32ce-ranlib HINTS ${_tarnwell_cegcc_bin})

# The version of Windows CE whose API the installer keeps to. No
# exceptions and no run-time type information: the C++ runtime's support
# for them would be most of the program.
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WCE=0x500 -fno-exceptions -fno-rtti")

# Not the desktop's libraries that CMake links every Windows program with:
# on Windows CE they are all coredll, and ole32 is loaded at run time.
set(CMAKE_CXX_STANDARD_LIBRARIES "-lcoredll" CACHE STRING
  "Libraries linked by default" FORCE)

get_filename_component(_tarnwell_cegcc_root ${_tarnwell_cegcc_bin} DIRECTORY)
set(CMAKE_FIND_ROOT_PATH ${_tarnwell_cegcc_root}/arm-mingw32ce)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
