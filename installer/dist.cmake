# The distribution folder build/dist: the programs, the files they read beside
# themselves, the help and manual, the icon and the example site. Install
# copies this folder. Included at the end of the top CMakeLists.txt, so every
# program target is known here.
set(dist_programs $<TARGET_FILE:weftsmith-build> $<TARGET_FILE:Install>)
set(dist_depends weftsmith-build Install grammar_tables)
if(TARGET Weftsmith)
  list(APPEND dist_programs $<TARGET_FILE:Weftsmith>)
  list(APPEND dist_depends Weftsmith)
endif()
string(REPLACE ";" "|" dist_programs_arg "${dist_programs}")
add_custom_target(dist
  COMMAND ${CMAKE_COMMAND}
          -DDIST=${WEFTSMITH_DIST_DIR}
          -DSOURCE=${PROJECT_SOURCE_DIR}
          -DBIN=${WEFTSMITH_BIN_DIR}
          "-DPROGRAMS=${dist_programs_arg}"
          -P ${PROJECT_SOURCE_DIR}/installer/make_dist.cmake
  DEPENDS ${dist_depends}
  COMMENT "Making the distribution folder ${WEFTSMITH_DIST_DIR}"
  VERBATIM)
