# Makes GTest::gtest_main available for the unit tests, or says why not.
# VEMO_NUMERIC_BUILD_TESTS=ON makes a missing GoogleTest an error; AUTO leaves
# the unit tests out with a message.
if(CMAKE_CROSSCOMPILING)
  # An installed GoogleTest is built for this machine, not for the target, so a
  # cross build compiles GoogleTest's sources (Debian ships them) for the target.
  set(VEMO_NUMERIC_GOOGLETEST_SOURCE_DIR "/usr/src/googletest"
      CACHE PATH "GoogleTest sources to build for the target when cross-compiling")
  if(EXISTS "${VEMO_NUMERIC_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
    set(BUILD_GMOCK OFF CACHE BOOL "")
    set(INSTALL_GTEST OFF CACHE BOOL "")
    add_subdirectory("${VEMO_NUMERIC_GOOGLETEST_SOURCE_DIR}" googletest EXCLUDE_FROM_ALL)
    # GoogleTest's own code does little while the tests run, and optimised it
    # takes three times as long to compile, on every cross build's critical
    # path. The tests themselves keep the build's flags.
    foreach(googletest_target IN ITEMS gtest gtest_main)
      target_compile_options(${googletest_target} PRIVATE $<$<CXX_COMPILER_ID:GNU,Clang>:-O0>)
    endforeach()
  endif()
else()
  find_package(GTest QUIET)
endif()

if(NOT TARGET GTest::gtest_main)
  if(VEMO_NUMERIC_BUILD_TESTS STREQUAL "AUTO")
    message(STATUS "vemo_numeric: GoogleTest not found, so the unit tests are left out "
                   "(install libgtest-dev to build them)")
  else()
    message(FATAL_ERROR "vemo_numeric: VEMO_NUMERIC_BUILD_TESTS is ON but GoogleTest was not found. "
                        "Install libgtest-dev (Debian, Ubuntu), or configure with "
                        "-DVEMO_NUMERIC_BUILD_TESTS=AUTO to build without the unit tests.")
  endif()
endif()
