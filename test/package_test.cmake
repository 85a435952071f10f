# Makes the packages with cpack, checks them, and unpacks each binary package
# for the consumer tests: the .tar.gz into OUT/tgz, each .deb into
# OUT/deb/<package name>.
# Run with cmake -P:
#   BUILD_DIR  the build folder      CONFIGS  the configurations to package
#   OUT        a scratch folder      VERSION  the version every package must carry
#   INSTALLED  the moved install tree, which the .tar.gz must match file for file
#   DPKG_DEB   dpkg-deb, when .deb packages are made

cmake_minimum_required(VERSION 3.21)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${status}): ${command}\n${output}${errors}")
  endif()
  set(run_output "${output}" PARENT_SCOPE)
endfunction()

function(list_files dir out)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${dir}" "${dir}/*")
  list(SORT files)
  set(${out} "${files}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${OUT}")
string(REPLACE ";" "\\;" configs "${CONFIGS}")  # one argument to cpack, however many
run("${CMAKE_CPACK_COMMAND}" --config "${BUILD_DIR}/CPackConfig.cmake" -C "${configs}" -B "${OUT}/packages")

# The .tar.gz holds the whole install under one top folder.
file(GLOB tarball "${OUT}/packages/*-${VERSION}-*.tar.gz")
if(NOT tarball)
  message(FATAL_ERROR "cpack made no .tar.gz of version ${VERSION}")
endif()
file(ARCHIVE_EXTRACT INPUT "${tarball}" DESTINATION "${OUT}/tgz.unpacked")
file(GLOB top "${OUT}/tgz.unpacked/*")
list(LENGTH top top_count)
if(NOT top_count EQUAL 1)
  message(FATAL_ERROR "the .tar.gz has ${top_count} top-level entries, not one folder: ${top}")
endif()
file(RENAME "${top}" "${OUT}/tgz")
list_files("${OUT}/tgz" packaged)
list_files("${INSTALLED}" installed)
if(NOT packaged STREQUAL installed)
  message(FATAL_ERROR "the .tar.gz holds ${packaged}\nthe install holds ${installed}")
endif()

file(GLOB debs "${OUT}/packages/*.deb")
foreach(deb IN LISTS debs)
  run("${DPKG_DEB}" --field "${deb}" Version)
  if(NOT run_output STREQUAL "${VERSION}\n")
    message(FATAL_ERROR "${deb} has version ${run_output}")
  endif()
  run("${DPKG_DEB}" --field "${deb}" Package)
  string(STRIP "${run_output}" package)
  file(MAKE_DIRECTORY "${OUT}/deb")
  run("${DPKG_DEB}" -x "${deb}" "${OUT}/deb/${package}")
endforeach()

# The source package holds the sources and nothing of a build or of git.
run("${CMAKE_CPACK_COMMAND}" --config "${BUILD_DIR}/CPackSourceConfig.cmake" -B "${OUT}/source")
file(GLOB source_tarball "${OUT}/source/*.tar.gz")
run("${CMAKE_COMMAND}" -E tar tf "${source_tarball}")
if(NOT run_output MATCHES "/numeric/src/vemo_numeric.cpp\n")
  message(FATAL_ERROR "the source package lacks the library's source:\n${run_output}")
endif()
if(run_output MATCHES "[^\n]*/(\\.git|_CPack_Packages|CMakeFiles|out|build)/[^\n]*")
  message(FATAL_ERROR "the source package holds ${CMAKE_MATCH_0}")
endif()
