# Whether the build is for x86. (Emscripten, whose own toolchain file says
# x86, compiles to WebAssembly.)
set(vemo_numeric_x86 FALSE)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^([iI][3-6]86|x86|X86|x86_64|AMD64)$" AND NOT CMAKE_SYSTEM_NAME STREQUAL "Emscripten")
  set(vemo_numeric_x86 TRUE)
endif()

# vemo_numeric_kernel_options(<source>... [AVX2_ROOTS <source>...])
#
# Compiles the sources as the library's kernels are compiled, wherever their
# steps are built: the library, and the tuner's copies of them.
#
# Each kernel's loop is a few instructions. Where the linker happened to put
# one across a 64-byte boundary, it ran a third slower (sq_n on an Intel Xeon
# with AVX-512), so the loops start on such a boundary. The kernels round each
# product and sum where they say: -ffp-contract=off keeps the compiler from
# fusing a multiply and an add into one multiply-add, which rounds once.
#
# clang++ assumes by default that nothing reads the exception flags. In the
# AVX2 roots it then multiplied every lane by 2^1000 before masking, which
# overflows, where the code masks first. Told that operations may trap, it
# keeps to the code's order. (Not for the AVX-512 kernels: there it would
# compute masked-off lanes and select, where its default keeps the masks.)
# The sources after AVX2_ROOTS build the AVX2 roots.
function(vemo_numeric_kernel_options)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "" "AVX2_ROOTS")
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang" OR CMAKE_CXX_COMPILER_FRONTEND_VARIANT STREQUAL "MSVC")
    return()
  endif()
  set_property(SOURCE ${arg_UNPARSED_ARGUMENTS} ${arg_AVX2_ROOTS} APPEND PROPERTY COMPILE_OPTIONS -falign-loops=64
                                                                                    -ffp-contract=off)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang" AND vemo_numeric_x86 AND arg_AVX2_ROOTS)
    set_property(SOURCE ${arg_AVX2_ROOTS} APPEND PROPERTY COMPILE_OPTIONS -ffp-exception-behavior=maytrap)
  endif()
endfunction()
