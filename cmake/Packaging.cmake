# What cmake --install puts where, and the packages CPack makes of it: the
# two programs, the example configuration and the documents, nothing of the
# tests.
include(GNUInstallDirs)
# Installing and packaging build nothing themselves (no "all", which would
# build every test): build the programs first, as the presets' workflows
# do.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)

if(TARNWELL_WINDOWS_CE)
  # The device's image beside its example and a short text, in one folder.
  install(PROGRAMS ${PROJECT_BINARY_DIR}/tarnwell.exe DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/usbcdc.cfg
    ${PROJECT_BINARY_DIR}/doc/README.txt DESTINATION .)
elseif(WIN32)
  # One flat folder: the installer reads usbcdc.cfg beside itself.
  install(TARGETS tarnwell tarnwell-check RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/examples/usbcdc.cfg
    ${PROJECT_BINARY_DIR}/doc/README.txt DESTINATION .)
else()
  install(TARGETS tarnwell tarnwell-check
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/examples/usbcdc.cfg
    ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CHANGELOG.md
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_BINARY_DIR}/man/tarnwell.1
    ${PROJECT_BINARY_DIR}/man/tarnwell-check.1
    DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(TARNWELL_PACKAGE_CONTACT "tarnwell maintainers" CACHE STRING
  "Who answers for the packages (the Maintainer of the .deb)")

set(CPACK_PACKAGE_NAME tarnwell)
set(CPACK_PACKAGE_VENDOR tarnwell)
set(CPACK_PACKAGE_CONTACT "${TARNWELL_PACKAGE_CONTACT}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "USB CDC driver and modem setup for Windows CE, and its configuration checker")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_SOURCE_GENERATOR "")
if(TARNWELL_WINDOWS_CE)
  # tarnwell-1.2.0-wince-arm.zip
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME wince-arm)
elseif(WIN32)
  # tarnwell-1.2.0-win64.zip, tarnwell-1.2.0-win32.zip: the programs are
  # stripped when they are linked.
  set(CPACK_GENERATOR ZIP)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
  else()
    set(CPACK_SYSTEM_NAME win32)
  endif()
else()
  # tarnwell-1.2.0-linux-x86_64.tar.gz and tarnwell_1.2.0_amd64.deb, with
  # the programs stripped of their debugging information.
  set(CPACK_GENERATOR TGZ DEB)
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}"
    CPACK_SYSTEM_NAME)
  set(CPACK_STRIP_FILES ON)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  # The C and C++ runtime libraries it was linked against, as
  # dpkg-shlibdeps finds them.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The description below the summary line.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "tarnwell reads usbcdc.cfg beside its executable and writes the registry
keys of the USB CDC client driver and the Unimodem telephony provider of a
Windows CE device. This host build keeps the registry in registry.reg
beside the executable, in regedit's format. tarnwell-check reports every
line of a usbcdc.cfg where the installer will do other than the line seems
to say.")
endif()
include(CPack)
