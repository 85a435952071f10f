#include "tune_kernels.hpp"

#include "x86/refined_root_avx2.hpp"

// Compiled as the library's kernels are (see bench/CMakeLists.txt).
const SweptSplits avx2_swept_splits = swept_splits<vemo::numeric::detail::refined_avx2::Roots>();
