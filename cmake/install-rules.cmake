# Installs the header, the archive, the demo, a relocatable CMake package
# (vemo_numericConfig.cmake, exporting vemo::numeric) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(vemo_numeric_config_dir "${CMAKE_INSTALL_LIBDIR}/cmake/vemo_numeric")
set(vemo_numeric_pkgconfig_dir "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

install(DIRECTORY numeric/include/ DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
install(TARGETS vemo_numeric EXPORT vemo_numericTargets ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}")
if(TARGET numeric_demo)
  install(TARGETS numeric_demo RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

install(EXPORT vemo_numericTargets NAMESPACE vemo:: DESTINATION "${vemo_numeric_config_dir}")
write_basic_package_version_file("${PROJECT_BINARY_DIR}/vemo_numericConfigVersion.cmake"
                                 COMPATIBILITY SameMajorVersion)
install(
  FILES cmake/install-config.cmake
  DESTINATION "${vemo_numeric_config_dir}"
  RENAME vemo_numericConfig.cmake)
install(FILES "${PROJECT_BINARY_DIR}/vemo_numericConfigVersion.cmake"
        DESTINATION "${vemo_numeric_config_dir}")

# The .pc file finds the prefix from its own place, so the tree can be moved.
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  message(FATAL_ERROR "CMAKE_INSTALL_LIBDIR and CMAKE_INSTALL_INCLUDEDIR must be relative "
                      "to the prefix, so that the installed tree can be moved")
endif()
file(RELATIVE_PATH vemo_numeric_pc_to_prefix "/prefix/${vemo_numeric_pkgconfig_dir}" "/prefix")
string(REGEX REPLACE "/$" "" vemo_numeric_pc_to_prefix "${vemo_numeric_pc_to_prefix}")
configure_file(cmake/vemo_numeric.pc.in "${PROJECT_BINARY_DIR}/vemo_numeric.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/vemo_numeric.pc" DESTINATION "${vemo_numeric_pkgconfig_dir}")
