# Installs the header, the archive, the demo, a relocatable CMake package
# (vemo_numericConfig.cmake, exporting vemo::numeric) and a pkg-config file,
# and exports the build tree as a package too.
include(CMakePackageConfigHelpers)

if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  message(FATAL_ERROR "CMAKE_INSTALL_LIBDIR and CMAKE_INSTALL_INCLUDEDIR must be relative "
                      "to the prefix, so that the installed tree can be moved")
endif()
set(vemo_numeric_config_dir "${CMAKE_INSTALL_LIBDIR}/cmake/vemo_numeric")
set(vemo_numeric_pkgconfig_dir "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

install(DIRECTORY numeric/include/ DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
install(TARGETS vemo_numeric EXPORT vemo_numericTargets ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}")
if(TARGET numeric_demo)
  install(TARGETS numeric_demo RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

install(EXPORT vemo_numericTargets NAMESPACE vemo:: DESTINATION "${vemo_numeric_config_dir}")
# With CMAKE_PREFIX_PATH=<build folder>, find_package takes the library straight
# from the build tree.
export(EXPORT vemo_numericTargets NAMESPACE vemo:: FILE "${PROJECT_BINARY_DIR}/vemo_numericTargets.cmake")
configure_package_config_file(cmake/vemo_numericConfig.cmake.in "${PROJECT_BINARY_DIR}/vemo_numericConfig.cmake"
                              INSTALL_DESTINATION "${vemo_numeric_config_dir}")
write_basic_package_version_file("${PROJECT_BINARY_DIR}/vemo_numericConfigVersion.cmake"
                                 COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/vemo_numericConfig.cmake" "${PROJECT_BINARY_DIR}/vemo_numericConfigVersion.cmake"
        DESTINATION "${vemo_numeric_config_dir}")

# The .pc file finds the prefix from its own place, so the tree can be moved,
# and names the archive of the configuration it was installed from.
file(RELATIVE_PATH vemo_numeric_pc_to_prefix "/prefix/${vemo_numeric_pkgconfig_dir}" "/prefix")
string(REGEX REPLACE "/$" "" vemo_numeric_pc_to_prefix "${vemo_numeric_pc_to_prefix}")
file(READ cmake/vemo_numeric.pc.in vemo_numeric_pc)
string(CONFIGURE "${vemo_numeric_pc}" vemo_numeric_pc @ONLY)
file(GENERATE OUTPUT "${PROJECT_BINARY_DIR}/pkgconfig/$<CONFIG>/vemo_numeric.pc" CONTENT "${vemo_numeric_pc}")
install(FILES "${PROJECT_BINARY_DIR}/pkgconfig/$<CONFIG>/vemo_numeric.pc" DESTINATION "${vemo_numeric_pkgconfig_dir}")
