#include "tune_kernels.hpp"

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/refined_root_avx2.hpp"

namespace {

namespace detail = vemo::numeric::detail;
using detail::Stores;

// Plain functions of one signature for the passes, which are templates.
template <std::size_t Refined, std::size_t Instruction, Stores S>
void avx2_pass(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) {
  detail::refined_avx2::each_root<Refined, Instruction, S>(x, n, y, prefetch_bytes);
}

template <std::size_t Refined, std::size_t Instruction>
constexpr SweptSplit avx2_split() {
  return {Refined, Instruction, avx2_pass<Refined, Instruction, Stores::cached>,
          avx2_pass<Refined, Instruction, Stores::streaming>};
}

}  // namespace

const SweptSplit avx2_swept_splits[swept_split_count] = {
    avx2_split<1, 0>(), avx2_split<1, 1>(), avx2_split<2, 1>(), avx2_split<3, 1>(),
    avx2_split<1, 2>(), avx2_split<3, 2>(), avx2_split<2, 3>(), avx2_split<4, 3>(),
    avx2_split<5, 3>()};

#else

const SweptSplit avx2_swept_splits[swept_split_count] = {};

#endif
