#include "x86/refined_root_avx2.hpp"

#include "x86/split_kernels.hpp"

// The AVX2 refined roots the library builds: one pair of kernels per
// split in avx2_splits.

#ifdef VEMO_NUMERIC_X86_KERNELS

namespace vemo {
namespace numeric {
namespace detail {
namespace {

struct Avx2Roots {
  static constexpr Split split(std::size_t index) { return avx2_splits[index]; }

  template <std::size_t Refined, std::size_t Instruction, Stores S>
  VEMO_NUMERIC_TARGET("avx2,fma")
  static void each(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) noexcept {
    refined_avx2::each_root<Refined, Instruction, S>(x, n, y, prefetch_bytes);
  }
};

}  // namespace

// A list shorter than the menu does not compile: the declaration gives the
// menu's length.
const SplitKernels avx2_split_kernels[] = {
    split_kernels_of<Avx2Roots, 0>(), split_kernels_of<Avx2Roots, 1>(),
    split_kernels_of<Avx2Roots, 2>()};

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
