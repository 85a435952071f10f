# Installs the build into a scratch prefix, moves the installed tree (it must
# not depend on where it was put) and checks what it holds. Run with cmake -P:
#   BUILD_DIR  the build folder          CONFIGS   the configurations to install
#   PREFIX     where the tree ends up       side by side (built first if need be)
#   EXPECTED   files it must hold, relative to PREFIX
#   SOURCE_DIR the source tree, which no installed file may name

cmake_minimum_required(VERSION 3.21)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    string(REPLACE ";" " " command "${ARGN}")
    message(FATAL_ERROR "failed (${status}): ${command}\n${output}")
  endif()
endfunction()

set(stage "${PREFIX}.stage")
file(REMOVE_RECURSE "${stage}" "${PREFIX}")
list(LENGTH CONFIGS config_count)
foreach(config IN LISTS CONFIGS)
  if(config_count GREATER 1)
    run("${CMAKE_COMMAND}" --build "${BUILD_DIR}" --config "${config}" --target vemo_numeric numeric_demo)
  endif()
  run("${CMAKE_COMMAND}" --install "${BUILD_DIR}" --config "${config}" --prefix "${stage}")
endforeach()
file(RENAME "${stage}" "${PREFIX}")

file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE "${PREFIX}" "${PREFIX}/*")
foreach(file IN LISTS EXPECTED)
  if(NOT file IN_LIST files)
    message(FATAL_ERROR "${file} was not installed; the install holds: ${files}")
  endif()
endforeach()

# Nothing installed may name a path of this machine, or the tree would not
# survive the move. Debug information names the build folder by design.
if(NOT CONFIGS MATCHES "Debug|RelWithDebInfo")
  foreach(file IN LISTS files)
    file(STRINGS "${PREFIX}/${file}" lines)
    foreach(path IN ITEMS "${stage}" "${BUILD_DIR}" "${SOURCE_DIR}")
      string(FIND "${lines}" "${path}" at)
      if(NOT at EQUAL -1)
        message(FATAL_ERROR "installed ${file} names the absolute path ${path}")
      endif()
    endforeach()
  endforeach()
endif()
