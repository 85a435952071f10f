# Debian packages, split the way Debian splits a static library:
#   libvemo-numeric-dev  the header, the archive, the CMake package and the
#                        pkg-config file (Section libdevel)
#   vemo-numeric-demo    numeric_demo and its man page
# Each carries /usr/share/doc/<package>/copyright, in Debian's machine-readable
# format, and changelog.gz.
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL development demo)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "vemo_numeric maintainers <maintainers@vemo.invalid>")

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libvemo-numeric-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION
    "square and non-negative square root of doubles (static library)
vemo_numeric offers two functions on IEEE 754 doubles: vemo::numeric::sq,
the square rounded once, and vemo::numeric::sqrt, the correctly rounded
square root, which gives +0.0 instead of a NaN for negative values and NaNs.

This package holds the header, the static library, a CMake package
(find_package(vemo_numeric)) and a pkg-config file.")

set(CPACK_DEBIAN_DEMO_PACKAGE_NAME vemo-numeric-demo)
set(CPACK_DEBIAN_DEMO_PACKAGE_SECTION math)
# The program needs the C and C++ runtimes, which dpkg-shlibdeps reads off it.
set(CPACK_DEBIAN_DEMO_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_DEMO_DESCRIPTION
    "example program for the vemo_numeric library
numeric_demo is linked statically against vemo_numeric. It prints the square
and the non-negative square root of 2 and -2, one line each, and shows that
the root of a negative value is 0 rather than a NaN.")

# The copyright file states the licence of LICENSE in Debian's format, and
# the changelog comes from CHANGELOG.md; both are read at configure time.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE CHANGELOG.md)
file(READ "${PROJECT_SOURCE_DIR}/LICENSE" vemo_numeric_licence)
if(NOT vemo_numeric_licence MATCHES "\nCopyright \\(c\\) ([^\n]+)\n\n(.*[^\n])\n*$")
  message(FATAL_ERROR "LICENSE has no 'Copyright (c) ...' line followed by the terms")
endif()
set(vemo_numeric_copyright "${CMAKE_MATCH_1}")
string(REPLACE "\n\n" "\n.\n" vemo_numeric_licence_terms "${CMAKE_MATCH_2}")
string(REPLACE "\n" "\n " vemo_numeric_licence_terms " ${vemo_numeric_licence_terms}")
configure_file(cmake/debian/copyright.in debian/copyright @ONLY)

# The changelog entry is this version's section of CHANGELOG.md, dated by
# SOURCE_DATE_EPOCH when it is set (string(TIMESTAMP) reads it), so that
# builds of one commit give the same bytes.
file(READ CHANGELOG.md vemo_numeric_changes)
string(REGEX REPLACE "\\." "\\\\." vemo_numeric_version_regex "${PROJECT_VERSION}")
if(NOT vemo_numeric_changes MATCHES "\n## \\[${vemo_numeric_version_regex}\\][^\n]*\n+(.*)")
  message(FATAL_ERROR "CHANGELOG.md has no section '## [${PROJECT_VERSION}]'")
endif()
string(REGEX REPLACE "\n## .*" "" vemo_numeric_changes "${CMAKE_MATCH_1}")
string(STRIP "${vemo_numeric_changes}" vemo_numeric_changes)
string(REGEX REPLACE "(^|\n)### ([^\n]*)" "\\1[ \\2 ]" vemo_numeric_changes "${vemo_numeric_changes}")
string(REGEX REPLACE "(^|\n)- " "\\1* " vemo_numeric_changes "${vemo_numeric_changes}")
string(REGEX REPLACE "\n([^\n])" "\n  \\1" vemo_numeric_changes "  ${vemo_numeric_changes}")
string(TIMESTAMP vemo_numeric_release_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(cmake/debian/changelog.in debian/changelog @ONLY)
vemo_numeric_gzip("${PROJECT_BINARY_DIR}/debian/changelog" vemo_numeric_changelog)

# Excluded from a plain install: these belong to the Debian packages alone.
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER "${component}" component_upper)
  install(FILES "${PROJECT_BINARY_DIR}/debian/copyright" DESTINATION
                "${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${component_upper}_PACKAGE_NAME}"
          COMPONENT ${component} EXCLUDE_FROM_ALL)
  install(FILES "${vemo_numeric_changelog}" DESTINATION
                "${CMAKE_INSTALL_DATAROOTDIR}/doc/${CPACK_DEBIAN_${component_upper}_PACKAGE_NAME}"
          RENAME changelog.gz COMPONENT ${component} EXCLUDE_FROM_ALL)
endforeach()
