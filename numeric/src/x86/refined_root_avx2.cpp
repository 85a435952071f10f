#include "x86/refined_root_avx2.hpp"

#include "x86/split_kernels.hpp"

// The AVX2 refined roots the library builds: one pair of kernels per
// split in avx2_splits.

#ifdef VEMO_NUMERIC_X86_KERNELS

namespace vemo {
namespace numeric {
namespace detail {

// A list shorter than the menu does not compile: the declaration gives the
// menu's length.
const SplitKernels avx2_split_kernels[] = {split_kernels_of<refined_avx2::Roots, 0>(),
                                           split_kernels_of<refined_avx2::Roots, 1>(),
                                           split_kernels_of<refined_avx2::Roots, 2>()};

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
