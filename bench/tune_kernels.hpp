#ifndef VEMO_NUMERIC_BENCH_TUNE_KERNELS_HPP
#define VEMO_NUMERIC_BENCH_TUNE_KERNELS_HPP

// The refined roots at every split numeric_tune sweeps, from the library's
// own templates, with the prefetch distance given at each call. They run
// only on arrays that do not overlap, on CPUs with the instruction sets.

#include <cstddef>

// Prefetches x's lines prefetch_bytes ahead, or not at all for 0.
using TunedKernel = void (*)(const double* x, std::size_t n, double* y,
                             std::size_t prefetch_bytes);

struct SweptSplit {
  unsigned refined;
  unsigned instruction;
  TunedKernel cached;
  TunedKernel streaming;
};

// The splits swept, refined:instruction, besides 0:1 (the instruction's
// kernel): 1:0, 1:1, 2:1, 3:1, 1:2, 3:2, 2:3, 4:3, 5:3.
constexpr std::size_t swept_split_count = 9;
extern const SweptSplit avx512f_swept_splits[swept_split_count];
extern const SweptSplit avx2_swept_splits[swept_split_count];

#endif  // VEMO_NUMERIC_BENCH_TUNE_KERNELS_HPP
