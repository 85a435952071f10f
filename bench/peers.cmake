# The array benchmark's peers, each optional: found, its loop is built for
# this machine and measured; missing, configure says it is left out.
# GCC 12 warns about its own AVX-512 intrinsics' deliberately undefined values
# once the peers inline them.
set(peer_flags ${native_flags} $<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>)

function(add_peer name definition)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "SOURCES;LIBRARIES;FLAGS")
  target_sources(array_benchmark PRIVATE ${arg_SOURCES})
  set_source_files_properties(${arg_SOURCES} PROPERTIES COMPILE_OPTIONS "${arg_FLAGS}")
  target_link_libraries(array_benchmark PRIVATE ${arg_LIBRARIES})
  target_compile_definitions(array_benchmark PRIVATE ${definition})
endfunction()

find_package(Eigen3 3.3 NO_MODULE QUIET)
if(TARGET Eigen3::Eigen)
  add_peer(Eigen VEMO_NUMERIC_BENCH_EIGEN SOURCES eigen_loops.cpp eigen_fast_loops.cpp LIBRARIES Eigen3::Eigen
           FLAGS ${peer_flags})
  set_source_files_properties(eigen_loops.cpp PROPERTIES COMPILE_DEFINITIONS EIGEN_FAST_MATH=0)
else()
  message(STATUS "vemo_numeric: Eigen 3 not found, so the array benchmark leaves it out "
                 "(install libeigen3-dev to compare)")
endif()

# SLEEF ships neither a CMake package nor, in Debian, a usable pkg-config
# path for its header, which lies in the multiarch include folder.
find_path(VEMO_NUMERIC_SLEEF_INCLUDE_DIR sleef.h)
find_library(VEMO_NUMERIC_SLEEF_LIBRARY sleef)
if(VEMO_NUMERIC_SLEEF_INCLUDE_DIR AND VEMO_NUMERIC_SLEEF_LIBRARY)
  add_library(vemo_numeric_sleef INTERFACE IMPORTED)
  target_include_directories(vemo_numeric_sleef INTERFACE "${VEMO_NUMERIC_SLEEF_INCLUDE_DIR}")
  target_link_libraries(vemo_numeric_sleef INTERFACE "${VEMO_NUMERIC_SLEEF_LIBRARY}")
  add_peer(SLEEF VEMO_NUMERIC_BENCH_SLEEF SOURCES sleef_loops.cpp LIBRARIES vemo_numeric_sleef
           FLAGS ${peer_flags})
else()
  message(STATUS "vemo_numeric: SLEEF not found, so the array benchmark leaves it out "
                 "(install libsleef-dev to compare)")
endif()

# Highway 1.0 stops with "best baseline should be included in dynamic targets"
# under -march=native on some AVX-512 CPUs; there it is built for
# Skylake-AVX512, which every AVX-512 CPU runs.
find_package(hwy CONFIG QUIET)
if(TARGET hwy::hwy)
  include(CheckCXXSourceCompiles)
  set(CMAKE_REQUIRED_FLAGS -march=native)
  set(CMAKE_REQUIRED_QUIET ON)
  check_cxx_source_compiles("#include <hwy/highway.h>\nint main() { return 0; }" VEMO_NUMERIC_HWY_NATIVE)
  unset(CMAKE_REQUIRED_FLAGS)
  set(hwy_flags ${peer_flags})
  if(NOT VEMO_NUMERIC_HWY_NATIVE)
    set(hwy_flags -O3 -march=skylake-avx512 $<$<CXX_COMPILER_ID:GNU>:-Wno-maybe-uninitialized>)
  endif()
  add_peer(Highway VEMO_NUMERIC_BENCH_HIGHWAY SOURCES highway_loops.cpp LIBRARIES hwy::hwy FLAGS ${hwy_flags})
else()
  message(STATUS "vemo_numeric: Highway not found, so the array benchmark leaves it out "
                 "(install libhwy-dev to compare)")
endif()

# xsimd is headers only, but Debian's package names xtl, which it needs only
# for complex numbers, as a library to link; the headers are enough here.
find_package(xsimd CONFIG QUIET)
if(TARGET xsimd)
  add_library(vemo_numeric_xsimd INTERFACE IMPORTED)
  get_target_property(xsimd_include_dirs xsimd INTERFACE_INCLUDE_DIRECTORIES)
  target_include_directories(vemo_numeric_xsimd INTERFACE ${xsimd_include_dirs})
  add_peer(xsimd VEMO_NUMERIC_BENCH_XSIMD SOURCES xsimd_loops.cpp LIBRARIES vemo_numeric_xsimd FLAGS ${peer_flags})
else()
  message(STATUS "vemo_numeric: xsimd not found, so the array benchmark leaves it out "
                 "(install libxsimd-dev to compare)")
endif()
