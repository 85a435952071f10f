# `cpack` in the build folder makes a .tar.gz and a .deb of the installed tree.
set(CPACK_PACKAGE_NAME vemo-numeric)
set(CPACK_PACKAGE_VENDOR "vemo")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(vemo_numeric_package_generators TGZ DEB)
set(CPACK_GENERATOR ${vemo_numeric_package_generators})

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "vemo_numeric maintainers <maintainers@vemo.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
# The archive is linked at build time; only numeric_demo needs anything at run
# time (the C and C++ runtimes), which dpkg-shlibdeps reads off the binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

# `cpack --config CPackSourceConfig.cmake` (or `make package_source`) packs the
# sources alone: no version control, and no build folder even when it lies
# inside the source tree.
string(REGEX REPLACE "([][+.*()^$?|\\])" "\\\\\\1" vemo_numeric_source_regex "${PROJECT_SOURCE_DIR}")
string(REGEX REPLACE "([][+.*()^$?|\\])" "\\\\\\1" vemo_numeric_binary_regex "${PROJECT_BINARY_DIR}")
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_SOURCE_IGNORE_FILES "^${vemo_numeric_binary_regex}/" "^${vemo_numeric_source_regex}/(build|out)/"
                              "/\\.git/" "/_CPack_Packages/" "/CMakeUserPresets\\.json$")

include(CPack)
