# Fails if BINARY still refers to vemo::numeric::sq or sqrt from any instruction
# (a call, a jump, a branch-and-link, a loaded address), that is if link-time
# optimisation did not inline them. Run with cmake -P, giving BINARY and OBJDUMP.

cmake_minimum_required(VERSION 3.21)

if(NOT OBJDUMP)
  message(FATAL_ERROR "no objdump to disassemble ${BINARY} with")
endif()
execute_process(COMMAND "${OBJDUMP}" --disassemble --demangle --no-show-raw-insn "${BINARY}"
                RESULT_VARIABLE status OUTPUT_VARIABLE disassembly ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} failed on ${BINARY}: ${errors}")
endif()
if(NOT disassembly MATCHES "<main>:")
  message(FATAL_ERROR "no disassembly of main in ${BINARY} to check")
endif()
# Instruction lines start with an address and a colon; a symbol's own label
# line ("0000000000401136 <vemo::numeric::sq(double)>:") does not count.
string(REGEX MATCHALL "\n *[0-9a-f]+:[^\n]*<vemo::numeric::sq(rt)?\\(double\\)[^\n]*" references "${disassembly}")
if(references)
  string(REPLACE ";" "" references "${references}")
  message(FATAL_ERROR "the library's functions were not inlined:${references}")
endif()
