#include "x86/refined_root_avx512f.hpp"

#include "x86/split_kernels.hpp"

// The AVX-512F refined roots the library builds: one pair of kernels per
// split in avx512f_splits.

#ifdef VEMO_NUMERIC_X86_KERNELS

namespace vemo {
namespace numeric {
namespace detail {
namespace {

struct Avx512fRoots {
  static constexpr Split split(std::size_t index) { return avx512f_splits[index]; }

  template <std::size_t Refined, std::size_t Instruction, Stores S>
  VEMO_NUMERIC_TARGET("avx512f")
  static void each(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) noexcept {
    refined_avx512f::each_root<Refined, Instruction, S>(x, n, y, prefetch_bytes);
  }
};

}  // namespace

// A list shorter than the menu does not compile: the declaration gives the
// menu's length.
const SplitKernels avx512f_split_kernels[] = {
    split_kernels_of<Avx512fRoots, 0>(), split_kernels_of<Avx512fRoots, 1>(),
    split_kernels_of<Avx512fRoots, 2>(), split_kernels_of<Avx512fRoots, 3>()};

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
