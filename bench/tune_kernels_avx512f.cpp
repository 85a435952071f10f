#include "tune_kernels.hpp"

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/refined_root_avx512f.hpp"

namespace {

namespace detail = vemo::numeric::detail;
using detail::Stores;

// Plain functions of one signature for the passes, which are templates.
template <std::size_t Refined, std::size_t Instruction, Stores S>
void avx512f_pass(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) {
  detail::refined_avx512f::each_root<Refined, Instruction, S>(x, n, y, prefetch_bytes);
}

template <std::size_t Refined, std::size_t Instruction>
constexpr SweptSplit avx512f_split() {
  return {Refined, Instruction, avx512f_pass<Refined, Instruction, Stores::cached>,
          avx512f_pass<Refined, Instruction, Stores::streaming>};
}

}  // namespace

const SweptSplit avx512f_swept_splits[swept_split_count] = {
    avx512f_split<1, 0>(), avx512f_split<1, 1>(), avx512f_split<2, 1>(),
    avx512f_split<3, 1>(), avx512f_split<1, 2>(), avx512f_split<3, 2>(),
    avx512f_split<2, 3>(), avx512f_split<4, 3>(), avx512f_split<5, 3>()};

#else

const SweptSplit avx512f_swept_splits[swept_split_count] = {};

#endif
