# Proves one way of taking the library into another project, in a throwaway
# folder. Run with cmake -P and these variables:
#   WAY           install | find_package | pkg_config | subdirectory | header | package
#   SOURCE_DIR    this source tree          BUILD_DIR  its build folder
#   WORK_DIR      a scratch folder          LIBDIR     CMAKE_INSTALL_LIBDIR
#   CONFIG        the build type            GENERATOR  the CMake generator
#   CXX, CXX_FLAGS, LINKER_FLAGS, IPO       the build's compiler settings, which
#                 a consumer of an instrumented or LTO archive needs as well
#   TOOL          the program the way needs (pkg-config, dpkg-deb, a compiler)

cmake_minimum_required(VERSION 3.21)

set(consumer_source "${SOURCE_DIR}/test/consumer")
set(installed "${WORK_DIR}/moved")  # the install tree, after it was moved
set(expected_output "9 1.5 0\n")
if(CONFIG)
  set(install_config --config "${CONFIG}")
  set(cpack_config -C "${CONFIG}")
endif()

# Runs a command; the test fails with its output unless it succeeds.
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${status}): ${command}\n${output}")
  endif()
  set(run_output "${output}" PARENT_SCOPE)
endfunction()

function(expect_consumer_output program)
  run("${program}")
  if(NOT run_output STREQUAL expected_output)
    message(FATAL_ERROR "${program} printed '${run_output}', expected '${expected_output}'")
  endif()
endfunction()

# Configures the consumer project in folder NAME with the build's settings,
# returning the command's status and output.
function(configure_consumer name)
  set(build "${WORK_DIR}/${name}")
  file(REMOVE_RECURSE "${build}")
  execute_process(
    COMMAND
      "${CMAKE_COMMAND}" -S "${consumer_source}" -B "${build}" -G "${GENERATOR}"
      "-DCMAKE_BUILD_TYPE=${CONFIG}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}"
      "-DCMAKE_EXE_LINKER_FLAGS=${LINKER_FLAGS}" "-DCMAKE_INTERPROCEDURAL_OPTIMIZATION=${IPO}"
      # The oldest standard: the target itself must raise it to what the header needs.
      -DCMAKE_CXX_STANDARD=98 ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(configure_status "${status}" PARENT_SCOPE)
  set(configure_output "${output}" PARENT_SCOPE)
endfunction()

function(build_and_run_consumer name)
  configure_consumer("${name}" ${ARGN})
  if(NOT configure_status EQUAL 0)
    message(FATAL_ERROR "configuring the consumer failed:\n${configure_output}")
  endif()
  run("${CMAKE_COMMAND}" --build "${WORK_DIR}/${name}")
  expect_consumer_output("${WORK_DIR}/${name}/consumer")
endfunction()

# Lists the files below DIR as paths relative to it, sorted.
function(list_files dir out)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${dir}" "${dir}/*")
  list(SORT files)
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

# A macro, so that return() ends the script: the test is then reported skipped.
macro(skip_without_tool what)
  if(NOT TOOL)
    message("SKIPPED: ${what} not found")
    return()
  endif()
endmacro()

if(WAY STREQUAL "install")
  set(stage "${WORK_DIR}/stage")
  file(REMOVE_RECURSE "${stage}" "${installed}")
  run("${CMAKE_COMMAND}" --install "${BUILD_DIR}" ${install_config} --prefix "${stage}")
  file(RENAME "${stage}" "${installed}")

  list_files("${installed}" files)
  set(expected_files
      bin/numeric_demo include/vemo/numeric.hpp ${LIBDIR}/cmake/vemo_numeric/vemo_numericConfig.cmake
      ${LIBDIR}/cmake/vemo_numeric/vemo_numericConfigVersion.cmake ${LIBDIR}/libvemo_numeric.a
      ${LIBDIR}/pkgconfig/vemo_numeric.pc)
  foreach(file IN LISTS expected_files)
    if(NOT file IN_LIST files)
      message(FATAL_ERROR "${file} was not installed; the install holds: ${files}")
    endif()
  endforeach()

  # Nothing installed may name a path of this machine, or the tree would not
  # survive the move. Debug information names the build folder by design.
  if(NOT CONFIG MATCHES "^(Debug|RelWithDebInfo)$")
    foreach(file IN LISTS files)
      file(STRINGS "${installed}/${file}" lines)
      foreach(path IN ITEMS "${stage}" "${BUILD_DIR}" "${SOURCE_DIR}")
        string(FIND "${lines}" "${path}" at)
        if(NOT at EQUAL -1)
          message(FATAL_ERROR "installed ${file} names the absolute path ${path}")
        endif()
      endforeach()
    endforeach()
  endif()

elseif(WAY STREQUAL "find_package")
  build_and_run_consumer(find_package "-DCMAKE_PREFIX_PATH=${installed}")
  configure_consumer(find_package_2 "-DCMAKE_PREFIX_PATH=${installed}" -DVEMO_NUMERIC_VERSION=2)
  if(configure_status EQUAL 0 OR NOT configure_output MATCHES "compatible with requested version \"2\"")
    message(FATAL_ERROR "asking for version 2 did not fail as it should:\n${configure_output}")
  endif()

elseif(WAY STREQUAL "pkg_config")
  skip_without_tool(pkg-config)
  set(ENV{PKG_CONFIG_LIBDIR} "${installed}/${LIBDIR}/pkgconfig")  # this tree and nothing else
  run("${TOOL}" --modversion vemo_numeric)
  if(NOT run_output STREQUAL "1.0.0\n")
    message(FATAL_ERROR "pkg-config gives version '${run_output}'")
  endif()
  run("${TOOL}" --cflags --libs vemo_numeric)
  separate_arguments(pkg_flags UNIX_COMMAND "${run_output}")
  separate_arguments(build_flags UNIX_COMMAND "${CXX_FLAGS} ${LINKER_FLAGS}")
  if(IPO)
    list(APPEND build_flags -flto)
  endif()
  set(program "${WORK_DIR}/pkg_config_consumer")
  run("${CXX}" ${build_flags} "${consumer_source}/consumer.cpp" ${pkg_flags} -o "${program}")
  expect_consumer_output("${program}")

elseif(WAY STREQUAL "subdirectory")
  set(build "${WORK_DIR}/subdirectory")
  build_and_run_consumer(subdirectory "-DVEMO_NUMERIC_SOURCE_DIR=${SOURCE_DIR}"
                         -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON)
  run("${CMAKE_CTEST_COMMAND}" --test-dir "${build}" --show-only)
  if(NOT run_output MATCHES "Total Tests: 0")
    message(FATAL_ERROR "the subproject registered tests:\n${run_output}")
  endif()
  file(REMOVE_RECURSE "${WORK_DIR}/subdirectory_install")
  run("${CMAKE_COMMAND}" --install "${build}" --prefix "${WORK_DIR}/subdirectory_install")
  if(EXISTS "${WORK_DIR}/subdirectory_install")
    list_files("${WORK_DIR}/subdirectory_install" files)
    message(FATAL_ERROR "the subproject installed files nobody asked for: ${files}")
  endif()

elseif(WAY STREQUAL "header")
  skip_without_tool("the compiler")
  foreach(standard IN ITEMS 11 14 17 20)
    run("${TOOL}" -std=c++${standard} -Wall -Wextra -Wpedantic -Werror -fsyntax-only
        "-I${SOURCE_DIR}/numeric/include" "${consumer_source}/header_twice.cpp")
  endforeach()

elseif(WAY STREQUAL "package")
  skip_without_tool(dpkg-deb)
  set(packages "${WORK_DIR}/packages")
  file(REMOVE_RECURSE "${packages}")
  run("${CMAKE_CPACK_COMMAND}" --config "${BUILD_DIR}/CPackConfig.cmake" ${cpack_config} -B "${packages}")
  file(GLOB deb "${packages}/vemo-numeric_1.0.0_*.deb")
  file(GLOB tarball "${packages}/vemo-numeric-1.0.0-*.tar.gz")
  if(NOT deb OR NOT tarball)
    message(FATAL_ERROR "cpack made no .deb or .tar.gz in ${packages}")
  endif()
  list_files("${installed}" installed_files)

  # Both packages must hold exactly the installed files.
  run("${TOOL}" --contents "${deb}")
  string(REGEX MATCHALL "\\./usr/[^\n]*[^/\n]\n" deb_files "${run_output}")
  list(TRANSFORM deb_files REPLACE "^\\./usr/(.*)\n$" "\\1")
  list(SORT deb_files)
  run("${CMAKE_COMMAND}" -E tar tf "${tarball}")
  string(REGEX MATCHALL "[^\n]*[^/\n]\n" tar_files "${run_output}")
  list(TRANSFORM tar_files REPLACE "^[^/]*/(.*)\n$" "\\1")
  list(SORT tar_files)
  foreach(package IN ITEMS deb tar)
    if(NOT ${package}_files STREQUAL installed_files)
      message(FATAL_ERROR "the ${package} package holds ${${package}_files}\nthe install holds ${installed_files}")
    endif()
  endforeach()

  # The demo needs the C and C++ runtimes; nothing else needs anything.
  run("${TOOL}" --field "${deb}" Package Version Depends Maintainer Description)
  foreach(field IN ITEMS "Package: vemo-numeric\n" "Version: 1.0.0\n" "Depends: [^\n]*libc6"
                         "Depends: [^\n]*libstdc\\+\\+6" "Maintainer: [^\n]+<" "Description: [^\n]+")
    if(NOT run_output MATCHES "${field}")
      message(FATAL_ERROR "the .deb's control fields lack '${field}':\n${run_output}")
    endif()
  endforeach()

else()
  message(FATAL_ERROR "unknown WAY '${WAY}'")
endif()
