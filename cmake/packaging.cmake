# `cpack` in a build folder packs the install: a .tar.gz of the whole install
# under one top folder (and a .zip for Windows), and for Linux, when installed
# to /usr, Debian packages (debian-package.cmake).
set(CPACK_PACKAGE_NAME vemo-numeric)
set(CPACK_PACKAGE_VENDOR "The vemo_numeric authors")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_RESOURCE_FILE_LICENSE "${PROJECT_SOURCE_DIR}/LICENSE")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
# Programs ship without symbol tables.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  set(vemo_numeric_package_generators ZIP TGZ)
else()
  set(vemo_numeric_package_generators TGZ)
endif()
# Debian's layout, the multiarch library folder included, is what
# GNUInstallDirs gives a native build for the /usr prefix. (CPack would label a
# cross build's packages with this machine's architecture.) Otherwise
# `cpack -G DEB` stops with the reason (cpack-project-config.cmake.in);
# configure keeps quiet about it, since only someone who asks for Debian
# packages needs to know.
set(vemo_numeric_no_deb_reason "")
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR CMAKE_CROSSCOMPILING)
  string(CONCAT vemo_numeric_no_deb_reason "vemo_numeric: Debian packages come from native Linux builds only, "
                "and this build is for ${CMAKE_SYSTEM_NAME} on ${CMAKE_SYSTEM_PROCESSOR}.")
elseif(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  string(CONCAT vemo_numeric_no_deb_reason "vemo_numeric: Debian packages need a build for /usr, and this one "
                "installs to ${CMAKE_INSTALL_PREFIX}: configure with -DCMAKE_INSTALL_PREFIX=/usr, or use the "
                "package preset.")
else()
  list(APPEND vemo_numeric_package_generators DEB)
  include(cmake/debian-package.cmake)
endif()
configure_file(cmake/cpack-project-config.cmake.in cpack-project-config.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE "${PROJECT_BINARY_DIR}/cpack-project-config.cmake")
set(CPACK_GENERATOR ${vemo_numeric_package_generators})

# `cpack --config CPackSourceConfig.cmake` (or `make package_source`) packs the
# sources alone: no version control, and no build folder even when it lies
# inside the source tree. These patterns leave out this build, build/ and
# out/; cpack-project-config.cmake adds, when cpack runs, every other folder
# of the tree that holds a CMakeCache.txt.
# The patterns use [.] rather than \. for a literal character: CPack copies
# them into its configuration file without escaping backslashes.
string(REGEX REPLACE "([.+*?()|^$])" "[\\1]" vemo_numeric_source_regex "${PROJECT_SOURCE_DIR}")
string(REGEX REPLACE "([.+*?()|^$])" "[\\1]" vemo_numeric_binary_regex "${PROJECT_BINARY_DIR}")
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "^${vemo_numeric_binary_regex}/" "^${vemo_numeric_source_regex}/(build|out)/"
                              "/[.]git/" "/_CPack_Packages/" "/CMakeUserPresets[.]json$")

include(CPack)
