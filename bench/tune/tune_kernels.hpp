#ifndef VEMO_NUMERIC_BENCH_TUNE_KERNELS_HPP
#define VEMO_NUMERIC_BENCH_TUNE_KERNELS_HPP

// The refined roots at every split numeric_tune sweeps, from the library's
// own templates, with the prefetch distance given at each call. They run
// only on arrays that do not overlap, on CPUs with the instruction sets.

#include "array_kernels.hpp"
#include "x86/lane_ops.hpp"

#include <array>
#include <cstddef>

// Prefetches x's lines prefetch_bytes ahead, or not at all for 0.
using TunedKernel = void (*)(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes);

struct SweptSplit {
  unsigned refined;
  unsigned instruction;
  TunedKernel cached;
  TunedKernel streaming;
};

// The splits swept, refined:instruction, besides 0:1 (the instruction's
// kernel): 1:0, 1:1, 2:1, 3:1, 1:2, 3:2, 2:3, 4:3, 5:3.
constexpr std::size_t swept_split_count = 9;
using SweptSplits = std::array<SweptSplit, swept_split_count>;
extern const SweptSplits avx512f_swept_splits;
extern const SweptSplits avx2_swept_splits;

// The swept splits of Roots, whose member template each<Refined,
// Instruction, Stores> is the pass over the arrays.
template <class Roots, std::size_t Refined, std::size_t Instruction>
constexpr SweptSplit swept_split() {
  using vemo::numeric::detail::Stores;
  return {Refined, Instruction, Roots::template each<Refined, Instruction, Stores::cached>,
          Roots::template each<Refined, Instruction, Stores::streaming>};
}

template <class Roots>
constexpr SweptSplits swept_splits() {
  return {swept_split<Roots, 1, 0>(), swept_split<Roots, 1, 1>(), swept_split<Roots, 2, 1>(),
          swept_split<Roots, 3, 1>(), swept_split<Roots, 1, 2>(), swept_split<Roots, 3, 2>(),
          swept_split<Roots, 2, 3>(), swept_split<Roots, 4, 3>(), swept_split<Roots, 5, 3>()};
}

#endif  // VEMO_NUMERIC_BENCH_TUNE_KERNELS_HPP
