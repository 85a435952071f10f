#ifndef VEMO_NUMERIC_X86_INSTRUCTION_PASSES_HPP
#define VEMO_NUMERIC_X86_INSTRUCTION_PASSES_HPP

// Passes over the arrays that take each lane's square or root from the
// instructions, one per instruction set: for the kernels in
// instruction_kernels.cpp, and for the refined roots, which take them where
// they cannot refine.
//
// Each walks the arrays from the front, a full vector at a time, between
// shorter steps at the start and the end that touch only the elements they
// need, with masked or narrower loads and stores: a full-width access there
// could fault at a page's end. Every step loads its elements before it
// stores its results, which as_if_x_read_first relies on for arrays that
// overlap.
//
// The root of a lane is taken only where x == |x| (see lane_ops.hpp); lanes
// that a shorter step leaves out hold +0.0, whose square and root are exact
// and raise nothing, or are masked off.

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/lane_ops.hpp"

#include <immintrin.h>

#include <cstddef>

namespace vemo {
namespace numeric {
namespace detail {
namespace {

// SSE2: two lanes; a shorter step loads and stores the low lane alone, and
// the high lane holds +0.0.

// The first `count` (0 to 7) elements.
template <__m128d (*Op)(__m128d)>
VEMO_NUMERIC_TARGET("sse2")
void short_steps_sse2(const double* x, std::size_t count, double* y) {
  std::size_t i = 0;
  for (; count - i >= 2; i += 2) {
    _mm_storeu_pd(y + i, Op(_mm_loadu_pd(x + i)));
  }
  if (i < count) {
    _mm_store_sd(y + i, Op(_mm_load_sd(x + i)));
  }
}

template <__m128d (*Op)(__m128d), Stores S>
VEMO_NUMERIC_TARGET("sse2")
void each_sse2(const double* x, std::size_t n, double* y) noexcept {
  std::size_t i = head_elements<S, 16>(y, n);
  short_steps_sse2<Op>(x, i, y);
  constexpr std::size_t step = whole_elements<S, 2>();
  for (const std::size_t whole = i + (n - i) / step * step; i != whole; i += 2) {
    store_sse2<S>(y + i, Op(_mm_loadu_pd(x + i)));
  }
  short_steps_sse2<Op>(x + i, n - i, y + i);
  finish_stores<S>();
}

// AVX2: four lanes; shorter steps take four, then two lanes and then one
// with SSE2's operations. (vmaskmovpd would do too, but qemu 7.2's version of
// it faults on masked-off lanes beyond a page's end, and the tests run under
// qemu.)

// The first `count` (0 to 7) elements: four, two and one at a time, every
// one loaded before any is stored.
template <__m256d (*Op)(__m256d), __m128d (*ShortOp)(__m128d)>
VEMO_NUMERIC_TARGET("avx2")
void short_steps_avx2(const double* x, std::size_t count, double* y) {
  const std::size_t pair_at = count >= 4 ? 4 : 0;
  const std::size_t single_at = count - pair_at >= 2 ? pair_at + 2 : pair_at;
  __m256d quad = _mm256_setzero_pd();
  __m128d pair = _mm_setzero_pd();
  __m128d single = _mm_setzero_pd();
  if (pair_at != 0) {
    quad = Op(_mm256_loadu_pd(x));
  }
  if (single_at != pair_at) {
    pair = ShortOp(_mm_loadu_pd(x + pair_at));
  }
  if (single_at < count) {
    single = ShortOp(_mm_load_sd(x + single_at));
  }
  if (pair_at != 0) {
    _mm256_storeu_pd(y, quad);
  }
  if (single_at != pair_at) {
    _mm_storeu_pd(y + pair_at, pair);
  }
  if (single_at < count) {
    _mm_store_sd(y + single_at, single);
  }
}

template <__m256d (*Op)(__m256d), __m128d (*ShortOp)(__m128d), Stores S>
VEMO_NUMERIC_TARGET("avx2")
void each_avx2(const double* x, std::size_t n, double* y) noexcept {
  std::size_t i = head_elements<S, 32>(y, n);
  if (i != 0) {
    short_steps_avx2<Op, ShortOp>(x, i, y);
  }
  constexpr std::size_t step = whole_elements<S, 4>();
  for (const std::size_t whole = i + (n - i) / step * step; i != whole; i += 4) {
    store_avx2<S>(y + i, Op(_mm256_loadu_pd(x + i)));
  }
  short_steps_avx2<Op, ShortOp>(x + i, n - i, y + i);
  finish_stores<S>();
}

// AVX-512F: eight lanes, a line; masked-off lanes are neither accessed nor
// computed.

// The first `count` (0 to 8) elements.
template <__m512d (*Op)(__mmask8, __m512d)>
VEMO_NUMERIC_TARGET("avx512f")
void masked_step_avx512f(const double* x, std::size_t count, double* y) {
  const auto lanes = static_cast<__mmask8>((1U << count) - 1U);
  _mm512_mask_storeu_pd(y, lanes, Op(lanes, _mm512_maskz_loadu_pd(lanes, x)));
}

template <__m512d (*Op)(__mmask8, __m512d), Stores S>
VEMO_NUMERIC_TARGET("avx512f")
void each_avx512f(const double* x, std::size_t n, double* y) noexcept {
  std::size_t i = head_elements<S, 64>(y, n);
  if (i != 0) {
    masked_step_avx512f<Op>(x, i, y);
  }
  for (const std::size_t whole = i + (n - i) / 8 * 8; i != whole; i += 8) {
    store_avx512f<S>(y + i, Op(0xFF, _mm512_loadu_pd(x + i)));
  }
  if (i < n) {
    masked_step_avx512f<Op>(x + i, n - i, y + i);
  }
  finish_stores<S>();
}

// The kernels with ordinary stores. A call no longer than one short step
// (fewer than 8 elements on AVX2, up to 8 on AVX-512F) is that step alone,
// which loads every element before it stores any: it needs neither the loop,
// whose entry took a fifth of such a call (on an AMD Zen 3), nor the test
// for arrays that overlap, a sixth of a call of 4 roots (on an AMD Zen 4).
template <__m256d (*Op)(__m256d), __m128d (*ShortOp)(__m128d)>
VEMO_NUMERIC_TARGET("avx2")
void cached_avx2(const double* x, std::size_t n, double* y) noexcept {
  if (n < 8) {
    short_steps_avx2<Op, ShortOp>(x, n, y);
  } else {
    as_if_x_read_first<each_avx2<Op, ShortOp, Stores::cached>>(x, n, y);
  }
}

template <__m512d (*Op)(__mmask8, __m512d)>
VEMO_NUMERIC_TARGET("avx512f")
void cached_avx512f(const double* x, std::size_t n, double* y) noexcept {
  if (n <= 8) {
    masked_step_avx512f<Op>(x, n, y);
  } else {
    as_if_x_read_first<each_avx512f<Op, Stores::cached>>(x, n, y);
  }
}

}  // namespace
}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_INSTRUCTION_PASSES_HPP
