# Installs, in three components:
#   development    the header, the archive, a relocatable CMake package
#                  (vemo_numericConfig.cmake, exporting vemo::numeric) and a
#                  pkg-config file
#   demo           numeric_demo and its man page
#   documentation  the licence, the README, the changelog and docs/
# and exports the build tree as a package too.
include(CMakePackageConfigHelpers)
include(cmake/gzip.cmake)

if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  message(FATAL_ERROR "CMAKE_INSTALL_LIBDIR and CMAKE_INSTALL_INCLUDEDIR must be relative "
                      "to the prefix, so that the installed tree can be moved")
endif()
set(vemo_numeric_config_dir "${CMAKE_INSTALL_LIBDIR}/cmake/vemo_numeric")
set(vemo_numeric_pkgconfig_dir "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

install(DIRECTORY numeric/include/ DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}" COMPONENT development)
install(TARGETS vemo_numeric EXPORT vemo_numericTargets ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}"
                                                        COMPONENT development)
install(FILES LICENSE README.md CHANGELOG.md DESTINATION "${CMAKE_INSTALL_DOCDIR}" COMPONENT documentation)
# The README links to these pages.
install(DIRECTORY docs/ DESTINATION "${CMAKE_INSTALL_DOCDIR}/docs" COMPONENT documentation)

if(TARGET numeric_demo)
  install(TARGETS numeric_demo RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}" COMPONENT demo)
  if(NOT WIN32)
    configure_file(demo/numeric_demo.1.in man/numeric_demo.1 @ONLY)
    vemo_numeric_gzip("${PROJECT_BINARY_DIR}/man/numeric_demo.1" numeric_demo_man_page)
    install(FILES "${numeric_demo_man_page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1" COMPONENT demo)
  endif()
endif()

install(EXPORT vemo_numericTargets NAMESPACE vemo:: DESTINATION "${vemo_numeric_config_dir}"
        COMPONENT development)
# With CMAKE_PREFIX_PATH=<build folder>, find_package takes the library straight
# from the build tree.
export(EXPORT vemo_numericTargets NAMESPACE vemo:: FILE "${PROJECT_BINARY_DIR}/vemo_numericTargets.cmake")
configure_package_config_file(cmake/vemo_numericConfig.cmake.in "${PROJECT_BINARY_DIR}/vemo_numericConfig.cmake"
                              INSTALL_DESTINATION "${vemo_numeric_config_dir}")
write_basic_package_version_file("${PROJECT_BINARY_DIR}/vemo_numericConfigVersion.cmake"
                                 COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/vemo_numericConfig.cmake" "${PROJECT_BINARY_DIR}/vemo_numericConfigVersion.cmake"
        DESTINATION "${vemo_numeric_config_dir}" COMPONENT development)

# The .pc file finds the prefix from its own place, so the tree can be moved,
# and names the archive of the configuration it was installed from.
file(RELATIVE_PATH vemo_numeric_pc_to_prefix "/prefix/${vemo_numeric_pkgconfig_dir}" "/prefix")
string(REGEX REPLACE "/$" "" vemo_numeric_pc_to_prefix "${vemo_numeric_pc_to_prefix}")
configure_file(cmake/vemo_numeric.pc.in pkgconfig/vemo_numeric.pc.in @ONLY)
file(GENERATE OUTPUT "${PROJECT_BINARY_DIR}/pkgconfig/$<CONFIG>/vemo_numeric.pc"
     INPUT "${PROJECT_BINARY_DIR}/pkgconfig/vemo_numeric.pc.in")
install(FILES "${PROJECT_BINARY_DIR}/pkgconfig/$<CONFIG>/vemo_numeric.pc" DESTINATION "${vemo_numeric_pkgconfig_dir}"
        COMPONENT development)
