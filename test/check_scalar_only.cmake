# Fails if BINARY, a program that calls only sq and sqrt, carries any of the
# array code: the array functions, a kernel, the dispatch or the table of
# processors, all of which live in vemo::numeric::detail or are named
# sq_n, sqrt_n, array_kernel or array_profile. Run with cmake -P, giving
# BINARY and NM.

cmake_minimum_required(VERSION 3.21)

if(NOT NM)
  message(FATAL_ERROR "no nm to read ${BINARY}'s symbols with")
endif()
execute_process(COMMAND "${NM}" --demangle "${BINARY}" RESULT_VARIABLE status OUTPUT_VARIABLE symbols
                ERROR_VARIABLE errors)
if(NOT status EQUAL 0 OR NOT symbols MATCHES "main")
  message(FATAL_ERROR "${NM} could not read ${BINARY}'s symbols: ${errors}")
endif()
string(REGEX MATCHALL "[^\n]*vemo::numeric::(sq_n|sqrt_n|array_kernel|array_profile|detail::)[^\n]*" array_code
             "${symbols}")
if(array_code)
  list(LENGTH array_code count)
  list(SUBLIST array_code 0 10 shown)
  string(REPLACE ";" "\n  " shown "${shown}")
  message(FATAL_ERROR "a program that calls only sq and sqrt carries ${count} symbols of the array code:\n  ${shown}")
endif()
message(STATUS "no array code in ${BINARY}")
