# tarnwell_version_resource(TARGET DESCRIPTION): gives the Windows program
# TARGET a version resource (product name, version, description), which
# Explorer's Properties, Wine and resource viewers show. Nothing where no
# resource compiler is enabled.
function(tarnwell_version_resource target description)
  if(NOT CMAKE_RC_COMPILER_LOADED)
    return()
  endif()
  set(TARNWELL_RC_NAME ${target})
  set(TARNWELL_RC_DESCRIPTION "${description}")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${PROJECT_SOURCE_DIR}/src/platform/win32/version.rc.in ${rc}
    @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
