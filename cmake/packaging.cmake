# `cpack` in the build folder makes a .tar.gz and a .deb of the installed tree.
set(CPACK_PACKAGE_NAME vemo-numeric)
set(CPACK_PACKAGE_VENDOR "vemo")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_RESOURCE_FILE_README "${PROJECT_SOURCE_DIR}/README.md")
set(CPACK_GENERATOR TGZ DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "vemo_numeric maintainers <maintainers@vemo.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
# The archive is linked at build time; only numeric_demo needs anything at run
# time (the C and C++ runtimes), which dpkg-shlibdeps reads off the binary.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

include(CPack)
