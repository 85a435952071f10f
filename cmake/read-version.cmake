# The header holds the version; the project, the CMake package, the pkg-config
# file and the packages take it from there.
set(vemo_numeric_header "${CMAKE_CURRENT_LIST_DIR}/../numeric/include/vemo/numeric.hpp")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${vemo_numeric_header}")
file(STRINGS "${vemo_numeric_header}" vemo_numeric_version_lines
     REGEX "^#define VEMO_NUMERIC_VERSION_(MAJOR|MINOR|PATCH) +[0-9]+$")
foreach(part IN ITEMS MAJOR MINOR PATCH)
  if(NOT vemo_numeric_version_lines MATCHES "VEMO_NUMERIC_VERSION_${part} +([0-9]+)")
    message(FATAL_ERROR "numeric/include/vemo/numeric.hpp defines no VEMO_NUMERIC_VERSION_${part}")
  endif()
  list(APPEND vemo_numeric_version "${CMAKE_MATCH_1}")
endforeach()
list(JOIN vemo_numeric_version "." vemo_numeric_version)
