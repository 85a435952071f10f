# Runs numeric_demo one way and checks its exit status and both output streams.
# Run with cmake -P and these variables:
#   DEMO      the program            EMULATOR  what runs it, when cross-compiled
#   EXPECTED  a file holding the exact lines it must write to stdout
#   CRLF      true where stdout is in text mode with \r\n line ends (Windows)
#   WAY       pipe | file | arguments | full | closed
#   WORK_DIR  a folder for its output

cmake_minimum_required(VERSION 3.21)

set(demo ${EMULATOR} "${DEMO}")
set(output_file "${WORK_DIR}/numeric_demo.${WAY}.out")
file(REMOVE "${output_file}")

if(WAY STREQUAL "pipe")
  execute_process(COMMAND ${demo} RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  file(WRITE "${output_file}" "${output}")
elseif(WAY STREQUAL "file")
  execute_process(COMMAND ${demo} RESULT_VARIABLE status OUTPUT_FILE "${output_file}" ERROR_VARIABLE errors)
elseif(WAY STREQUAL "arguments")
  # Arguments, a changed environment and something on stdin must change nothing.
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env LC_ALL=de_DE.UTF-8 LANG=fr_FR.UTF-8 POSIXLY_CORRECT=1
            ${demo} --help -v "" "y1 = 9" -- 3.5
    INPUT_FILE "${EXPECTED}"
    RESULT_VARIABLE status OUTPUT_FILE "${output_file}" ERROR_VARIABLE errors)
elseif(WAY STREQUAL "full")
  execute_process(COMMAND ${demo} RESULT_VARIABLE status OUTPUT_FILE /dev/full ERROR_VARIABLE errors)
elseif(WAY STREQUAL "closed")
  execute_process(COMMAND sh -c "exec \"$@\" >&-" sh ${demo} RESULT_VARIABLE status ERROR_VARIABLE errors)
else()
  message(FATAL_ERROR "unknown WAY '${WAY}'")
endif()

if(WAY MATCHES "^(full|closed)$")
  # A write that fails is reported on stderr in one line and in the status.
  if(status EQUAL 0)
    message(FATAL_ERROR "exit status 0 although stdout could not be written; stderr: '${errors}'")
  endif()
  if(NOT errors MATCHES "^numeric_demo: write error: [^\n]+\n$")
    message(FATAL_ERROR "stderr is not one 'numeric_demo: write error: ...' line: '${errors}'")
  endif()
  return()
endif()

if(NOT status EQUAL 0)
  message(FATAL_ERROR "exit status '${status}', expected 0")
endif()
if(NOT errors STREQUAL "")
  message(FATAL_ERROR "unexpected stderr: '${errors}'")
endif()
# Compared byte for byte, with the target's line ends. (execute_process drops
# the \r of each \r\n from OUTPUT_VARIABLE, and file(READ) from each line, so
# what came through the pipe is compared with plain \n line ends.)
file(READ "${EXPECTED}" expected)
if(CRLF AND NOT WAY STREQUAL "pipe")
  string(REPLACE "\n" "\r\n" expected "${expected}")
endif()
file(WRITE "${output_file}.expected" "${expected}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files "${output_file}" "${output_file}.expected"
                RESULT_VARIABLE differs)
if(differs)
  file(READ "${output_file}" output HEX)
  message(FATAL_ERROR "stdout differs from ${output_file}.expected; its bytes were:\n${output}")
endif()
