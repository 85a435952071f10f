#include "tune_kernels.hpp"

#include "x86/refined_root_avx512f.hpp"

// Compiled as the library's kernels are (see bench/CMakeLists.txt).
const SweptSplits avx512f_swept_splits =
    swept_splits<vemo::numeric::detail::refined_avx512f::Roots>();
