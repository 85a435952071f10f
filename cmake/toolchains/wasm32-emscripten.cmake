# WebAssembly (wasm32): Debian's Emscripten (packages emscripten and
# node-acorn), run under node. The cross-wasm32 preset adds -msimd128 for the
# SIMD kernel; without it the library takes the portable loop.
find_program(VEMO_NUMERIC_EM_CONFIG em-config)
find_program(VEMO_NUMERIC_NODE NAMES node nodejs)
if(NOT VEMO_NUMERIC_EM_CONFIG)
  message(FATAL_ERROR "vemo_numeric: em-config not found: install Emscripten (Debian: apt-get install emscripten)")
endif()
if(NOT VEMO_NUMERIC_NODE)
  message(FATAL_ERROR "vemo_numeric: node not found: wasm32 programs run under node (Debian: apt-get install nodejs)")
endif()
execute_process(COMMAND "${VEMO_NUMERIC_EM_CONFIG}" EMSCRIPTEN_ROOT OUTPUT_VARIABLE vemo_numeric_em_root
                RESULT_VARIABLE vemo_numeric_status OUTPUT_STRIP_TRAILING_WHITESPACE)
set(vemo_numeric_em_toolchain "${vemo_numeric_em_root}/cmake/Modules/Platform/Emscripten.cmake")
if(NOT vemo_numeric_status EQUAL 0 OR NOT EXISTS "${vemo_numeric_em_toolchain}")
  message(FATAL_ERROR "vemo_numeric: 'em-config EMSCRIPTEN_ROOT' names no Emscripten: '${vemo_numeric_em_root}'")
endif()
# emcc's optimizer, which Release links run, is a node script that loads acorn.
execute_process(COMMAND "${VEMO_NUMERIC_NODE}" -e "require('acorn')" WORKING_DIRECTORY "${vemo_numeric_em_root}/tools"
                RESULT_VARIABLE vemo_numeric_status OUTPUT_QUIET ERROR_QUIET)
if(NOT vemo_numeric_status EQUAL 0)
  message(FATAL_ERROR "vemo_numeric: node cannot load acorn, which Emscripten's optimizer needs: install node-acorn "
                      "and set NODE_PATH=/usr/share/nodejs (the cross-wasm32 preset sets it)")
endif()

# Emscripten's own file calls the processor x86, which it is not.
set(EMSCRIPTEN_SYSTEM_PROCESSOR wasm32)
set(CMAKE_CROSSCOMPILING_EMULATOR "${VEMO_NUMERIC_NODE}")
include("${vemo_numeric_em_toolchain}")

# CMake packages are looked for in Emscripten's sysroot and then wherever
# CMAKE_PREFIX_PATH points, such as an install of this project for the target.
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE BOTH)

# Programs are node programs in one .js file, with the host's files and
# standard streams, that exit when main returns, with memory that grows as
# needed (which slows only the JavaScript side of threads, hence no warning).
# Their threads come from a pool of four, as many as the tests start at once,
# made before main: a thread started later would wait for main to return to
# node's event loop.
string(JOIN " " CMAKE_EXE_LINKER_FLAGS_INIT -sSINGLE_FILE=1 -sNODERAWFS=1 -sEXIT_RUNTIME=1
       -sALLOW_MEMORY_GROWTH=1 -Wno-pthreads-mem-growth -sPTHREAD_POOL_SIZE=4)

# Without -pthread, Emscripten's C library links pthread_create as a stub
# that starts no thread. So FindThreads must not take the C library for
# threads: Threads::Threads then brings -pthread to whatever uses threads.
set(CMAKE_HAVE_LIBC_PTHREAD FALSE)
set(THREADS_PREFER_PTHREAD_FLAG ON)
