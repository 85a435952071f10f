# numeric_tune refuses each bad ROW given to --from or --check at once, with
# a message naming what is wrong, and exit status 2. Run with cmake -P,
# giving TUNE, the program.

cmake_minimum_required(VERSION 3.21)

set(row_head [[{"x", {Vendor::amd, 0x19, 0x11, 0x11, true}, ]])
set(row_tail [[, "y"}]])
string(REPEAT "x" 102400 long_name)
# Each case: the value, and a word the message must hold.
set(cases
    "garbage|no row is named"
    "{{garbage|offset"
    "${row_head}{{{2, 2}, 64}, {{1, 2}, 64}, 4096, 2048, 100, true}${row_tail}|menu"
    "${row_head}{{{1, 1}, -64}, {{1, 2}, 64}, 4096, 2048, 100, true}${row_tail}|offset"
    "${row_head}{{{1, 1}, 99999999999999999999999}, {{1, 2}, 64}, 4096, 2048, 100, true}${row_tail}|range"
    "${row_head}{{{1, 1}, 64}, {{1, 2}, 64}, 4096, 8192, 100, true}${row_tail}|prefetch"
    "${row_head}{{{1, 1}, 64}, {{1, 2}, 64}, 4096, 2048, 401, true}${row_tail}|percent"
    "DEFAULT|no row is named"
    "${long_name}|4096")
foreach(case IN LISTS cases)
  string(FIND "${case}" "|" bar REVERSE)
  string(SUBSTRING "${case}" 0 ${bar} value)
  math(EXPR after "${bar} + 1")
  string(SUBSTRING "${case}" ${after} -1 word)
  foreach(option IN ITEMS --from --check)
    execute_process(COMMAND "${TUNE}" ${option} "${value}" RESULT_VARIABLE status OUTPUT_VARIABLE output
                    ERROR_VARIABLE errors)
    string(SUBSTRING "${value}" 0 60 shown)
    if(NOT status EQUAL 2)
      message(FATAL_ERROR "${option} '${shown}': exit status ${status}, not 2\n${errors}")
    endif()
    if(NOT errors MATCHES "numeric_tune: ${option}: [^\n]*${word}")
      message(FATAL_ERROR "${option} '${shown}': the message does not say '${word}': ${errors}")
    endif()
    if(NOT output STREQUAL "")
      message(FATAL_ERROR "${option} '${shown}': printed before refusing:\n${output}")
    endif()
  endforeach()
endforeach()
list(LENGTH cases count)
message(STATUS "${count} bad rows refused, each with --from and --check")
