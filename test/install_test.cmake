# What a user receives. Installs the build into a scratch prefix, moves the
# installed tree (it must not depend on where it was put) to OUT/installed and
# checks it; then makes the packages with cpack, checks them, and unpacks them
# for the consumer tests: the .tar.gz into OUT/tgz, each .deb into
# OUT/deb/<package name>. Run with cmake -P:
#   BUILD_DIR   the build folder
#   SOURCE_DIR  the source tree, which no installed file may name
#   CONFIGS     the configurations to install and pack side by side (built
#               first when there are several)
#   OUT         a scratch folder
#   EXPECTED    files the install must hold, relative to its prefix
#   VERSION     the version every package must carry
#   DPKG_DEB    dpkg-deb, where .deb packages are made

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
set(installed "${OUT}/installed")
set(stage "${OUT}/stage")
list(LENGTH CONFIGS config_count)
foreach(config IN LISTS CONFIGS)
  if(config_count GREATER 1)
    run("${CMAKE_COMMAND}" --build "${BUILD_DIR}" --config "${config}" --target vemo_numeric numeric_demo)
  endif()
  run("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --config "${config}" --prefix "${stage}")
endforeach()
file(RENAME "${stage}" "${installed}")

list_files("${installed}" files)
foreach(file IN LISTS EXPECTED)
  if(NOT file IN_LIST files)
    message(FATAL_ERROR "${file} was not installed; the install holds: ${files}")
  endif()
endforeach()

# Nothing installed may name a path of this machine, or the tree would not
# survive the move. Debug information names the build folder by design.
if(NOT CONFIGS MATCHES "Debug|RelWithDebInfo")
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
if(NOT packaged STREQUAL files)
  message(FATAL_ERROR "the .tar.gz holds ${packaged}\nthe install holds ${files}")
endif()

file(GLOB debs "${OUT}/packages/*.deb")
file(MAKE_DIRECTORY "${OUT}/deb")
foreach(deb IN LISTS debs)
  run("${DPKG_DEB}" --show "--showformat=\${Package} \${Version}" "${deb}")
  if(NOT run_output MATCHES "^([^ ]+) (.*)$" OR NOT CMAKE_MATCH_2 STREQUAL VERSION)
    message(FATAL_ERROR "${deb} is not of version ${VERSION}: ${run_output}")
  endif()
  run("${DPKG_DEB}" -x "${deb}" "${OUT}/deb/${CMAKE_MATCH_1}")
endforeach()

# Packs a source package by `config` into `dir`, checks that it holds the
# library's source, and sets `source_tarball` and `source_files` (its listing).
function(pack_sources config dir)
  run("${CMAKE_CPACK_COMMAND}" --config "${config}" -B "${dir}")
  file(GLOB tarball "${dir}/*.tar.gz")
  run("${CMAKE_COMMAND}" -E tar tf "${tarball}")
  if(NOT run_output MATCHES "/numeric/src/vemo_numeric.cpp\n")
    message(FATAL_ERROR "the source package ${tarball} lacks the library's source:\n${run_output}")
  endif()
  set(source_tarball "${tarball}" PARENT_SCOPE)
  set(source_files "${run_output}" PARENT_SCOPE)
endfunction()

# The source package holds the sources and nothing of a build or of git.
pack_sources("${BUILD_DIR}/CPackSourceConfig.cmake" "${OUT}/source")
if(source_files MATCHES "[^\n]*/(\\.git|_CPack_Packages|CMakeFiles|out|build)/[^\n]*")
  message(FATAL_ERROR "the source package holds ${CMAKE_MATCH_0}")
endif()

# Any folder with a CMakeCache.txt is a build folder and stays out of the
# source package, whatever its name and depth, even one made after the build
# was configured. A copy of the sources with two fake ones, packed the same
# way, holds nothing of either.
file(ARCHIVE_EXTRACT INPUT "${source_tarball}" DESTINATION "${OUT}/source.unpacked")
file(GLOB tree "${OUT}/source.unpacked/*")
foreach(build_dir IN ITEMS build-x numeric/build-x)
  file(WRITE "${tree}/${build_dir}/CMakeCache.txt" "")
  file(WRITE "${tree}/${build_dir}/CMakeFiles/CMakeOutput.log" "")
endforeach()
# The copy lies in the build folder, which the patterns anchored at the real
# tree leave out; only the others apply to it.
file(WRITE "${OUT}/CPackSourceCopyConfig.cmake" "include([[${BUILD_DIR}/CPackSourceConfig.cmake]])\n"
                                                "set(CPACK_INSTALLED_DIRECTORIES [[${tree}]] /)\n"
                                                "list(FILTER CPACK_IGNORE_FILES EXCLUDE REGEX [[^\\^]])\n")
pack_sources("${OUT}/CPackSourceCopyConfig.cmake" "${OUT}/source.copy")
if(source_files MATCHES "[^\n]*/build-x/[^\n]*")
  message(FATAL_ERROR "the source package of a tree with a build folder build-x/ holds ${CMAKE_MATCH_0}")
endif()
