# Fails if BINARY still calls, or jumps to, vemo::numeric::sq or sqrt.
# Run with cmake -P, giving BINARY and OBJDUMP.

cmake_minimum_required(VERSION 3.21)

execute_process(COMMAND "${OBJDUMP}" --disassemble --demangle --no-show-raw-insn "${BINARY}"
                RESULT_VARIABLE status OUTPUT_VARIABLE disassembly ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${BINARY}: ${errors}")
endif()
if(NOT disassembly MATCHES "benchmark::RunSpecifiedBenchmarks")
  message(FATAL_ERROR "no disassembly of ${BINARY} to check")
endif()
string(REGEX MATCHALL "[^\n]*(call|jmp)[^\n]*<vemo::numeric::sqr?t?\\(double\\)[^\n]*" calls "${disassembly}")
if(calls)
  string(REPLACE ";" "\n" calls "${calls}")
  message(FATAL_ERROR "the library's functions were not inlined:\n${calls}")
endif()
