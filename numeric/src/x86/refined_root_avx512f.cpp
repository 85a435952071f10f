#include "x86/refined_root_avx512f.hpp"

#include "x86/split_kernels.hpp"

// The AVX-512F refined roots the library builds: one pair of kernels per
// split in avx512f_splits.

#ifdef VEMO_NUMERIC_X86_KERNELS

namespace vemo {
namespace numeric {
namespace detail {

// A list shorter than the menu does not compile: the declaration gives the
// menu's length.
const SplitKernels avx512f_split_kernels[] = {
    split_kernels_of<refined_avx512f::Roots, 0>(), split_kernels_of<refined_avx512f::Roots, 1>(),
    split_kernels_of<refined_avx512f::Roots, 2>(), split_kernels_of<refined_avx512f::Roots, 3>()};

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
