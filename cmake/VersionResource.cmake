# tarnwell_version_resource(TARGET DESCRIPTION): gives the Windows program
# TARGET a version resource (product name, version, description), which
# Explorer's Properties, Wine and resource viewers show. On the device the
# resource goes into the image that cmake/ElfToPe.py writes from the
# linked program, TARGET.exe beside it. Nothing where there is neither a
# resource compiler nor the device's image.
function(tarnwell_version_resource target description)
  if(NOT CMAKE_RC_COMPILER_LOADED AND NOT TARNWELL_WINDOWS_CE)
    return()
  endif()
  set(TARNWELL_RC_NAME ${target})
  set(TARNWELL_RC_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/src/platform/win32/version.rc.in ${rc}
    @ONLY)
  if(NOT TARNWELL_WINDOWS_CE)
    target_sources(${target} PRIVATE ${rc})
    return()
  endif()
  # Debian's python3, whose modules python3-pyelftools installs.
  find_program(TARNWELL_PYTHON python3 HINTS /usr/bin NO_DEFAULT_PATH)
  execute_process(COMMAND ${TARNWELL_PYTHON} -c "import elftools"
    RESULT_VARIABLE missing OUTPUT_QUIET ERROR_QUIET)
  if(missing)
    message(FATAL_ERROR "The Windows CE image is written by cmake/ElfToPe.py, "
      "which needs python3-pyelftools: bash scripts/deps.sh installs it.")
  endif()
  set(image $<TARGET_FILE_DIR:${target}>/${target}.exe)
  set(converter ${PROJECT_SOURCE_DIR}/cmake/ElfToPe.py)
  set(api ${PROJECT_SOURCE_DIR}/src/platform/win32/wince5_api.txt)
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${target}.elf
    LINK_DEPENDS "${PROJECT_SOURCE_DIR}/src/platform/win32/ce/image.ld;${converter};${api};${rc}")
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${TARNWELL_PYTHON} ${converter} --version-rc ${rc} --api ${api}
      $<TARGET_FILE:${target}> ${image}
    COMMENT "Writing the Windows CE image ${target}.exe"
    VERBATIM)
endfunction()
