#include "x86/refined_root_avx2.hpp"

#include "x86/split_kernels.hpp"

// The AVX2 refined roots the library builds: one pair of kernels per
// split in avx2_splits.

#ifdef VEMO_NUMERIC_X86_KERNELS

namespace vemo {
namespace numeric {
namespace detail {

// constexpr: a call from a static constructor, which may run before any
// dynamic initialiser of the library, finds the table filled.
constexpr std::array<SplitKernels, avx2_split_count> avx2_split_kernels =
    menu_kernels<refined_avx2::Roots, avx2_split_count>();

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
