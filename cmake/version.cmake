# The release number lives in the VERSION file at the top of the tree. Every build that
# shows it (the log banner, the version resource, the tools) includes the generated
# tavrin_version.h; scripts/package reads the file itself.
get_filename_component(TAVRIN_ROOT "${CMAKE_CURRENT_LIST_DIR}/.." ABSOLUTE)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${TAVRIN_ROOT}/VERSION")
file(STRINGS "${TAVRIN_ROOT}/VERSION" TAVRIN_VERSION LIMIT_COUNT 1)
if(NOT TAVRIN_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "VERSION must hold MAJOR.MINOR.PATCH, not '${TAVRIN_VERSION}'")
endif()
set(TAVRIN_VERSION_MAJOR ${CMAKE_MATCH_1})
set(TAVRIN_VERSION_MINOR ${CMAKE_MATCH_2})
set(TAVRIN_VERSION_PATCH ${CMAKE_MATCH_3})
configure_file("${TAVRIN_ROOT}/cmake/tavrin_version.h.in"
  "${CMAKE_BINARY_DIR}/generated/tavrin_version.h" @ONLY)
include_directories("${CMAKE_BINARY_DIR}/generated")
