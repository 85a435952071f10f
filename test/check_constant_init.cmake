# Fails if any object in ARCHIVES has a dynamic initialiser: an .init_array
# or .ctors section, or a _GLOBAL__sub_I_ function. A program's own static
# constructors may run before such an initialiser and call the library, so
# everything the library reads must be initialised at compile time. Names each
# object that has one. Run with cmake -P, giving ARCHIVES (paths) and NM, and
# OBJDUMP where it can read the target's objects (WebAssembly's it cannot:
# there the symbols alone tell).

cmake_minimum_required(VERSION 3.21)

if(NOT NM)
  message(FATAL_ERROR "no nm to read the archives' symbols with")
endif()
set(found "")
foreach(archive IN LISTS ARCHIVES)
  if(NOT EXISTS "${archive}")
    message(FATAL_ERROR "no archive ${archive}")
  endif()
  # nm names the member on each line: "archive:member: ..." or, with
  # llvm-nm, "archive:member ...".
  execute_process(COMMAND "${NM}" -A "${archive}" RESULT_VARIABLE status OUTPUT_VARIABLE symbols ERROR_VARIABLE errors)
  if(NOT status EQUAL 0 OR symbols STREQUAL "")
    message(FATAL_ERROR "${NM} could not read ${archive}: ${errors}")
  endif()
  string(REGEX MATCHALL "[^\n]*_GLOBAL__sub_I_[^\n]*" initialisers "${symbols}")
  foreach(line IN LISTS initialisers)
    string(APPEND found "\n  ${line}")
  endforeach()

  if(OBJDUMP)
    execute_process(COMMAND "${OBJDUMP}" -h "${archive}" RESULT_VARIABLE status OUTPUT_VARIABLE sections
                    ERROR_VARIABLE errors)
    if(NOT status EQUAL 0)
      message(FATAL_ERROR "${OBJDUMP} could not read ${archive}: ${errors}")
    endif()
    # Each member's sections follow a line "<member>:     file format <format>".
    string(REPLACE "\n" ";" lines "${sections}")
    set(member "")
    foreach(line IN LISTS lines)
      if(line MATCHES "^([^ ]+):[ \t]+file format")
        set(member "${CMAKE_MATCH_1}")
      elseif(line MATCHES "[ \t](\\.init_array|\\.ctors)[^ ]*[ \t]")
        string(APPEND found "\n  ${archive}: ${member} has a section ${CMAKE_MATCH_1}")
      endif()
    endforeach()
  endif()
endforeach()

if(found)
  message(FATAL_ERROR "objects with dynamic initialisers, which a call from a static constructor can "
                      "run before:${found}")
endif()
list(LENGTH ARCHIVES count)
message(STATUS "no dynamic initialiser in ${count} archive(s): ${ARCHIVES}")
