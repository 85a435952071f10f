// The refined roots of version 1.3.0, as they were, for the array benchmark
// to measure the current kernels against in the same run: every vector
// refined, and every vector holding a zero, an infinity, a NaN or a small
// value through the instruction too. Not part of the library.
#include "array_kernels.hpp"
#include "array_loops.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <immintrin.h>

#include <limits>

namespace {

using vemo::numeric::detail::elements_to_boundary;

constexpr int to_nearest = _MM_FROUND_TO_NEAREST_INT | _MM_FROUND_NO_EXC;
constexpr int downwards = _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC;
constexpr int upwards = _MM_FROUND_TO_POS_INF | _MM_FROUND_NO_EXC;
// 2^-1022, the smallest normal double.
constexpr double smallest_normal = std::numeric_limits<double>::min();
// Estimate and products take their zero-masked forms with every lane set,
// the same instructions: GCC 12 warns about the unmasked forms' undefined
// source operand.
constexpr __mmask8 all_lanes = 0xFF;

// The magnitudes refined: bit patterns from 2^-900 up to DBL_MAX.
constexpr long long smallest_refined = 0x07B0000000000000;  // 2^-900
constexpr long long largest_refined = 0x7FEFFFFFFFFFFFFF;   // DBL_MAX

// The correctly rounded root of every lane, each in [2^-900, DBL_MAX]; the
// lanes outside `positive` give +0.0.
VEMO_NUMERIC_TARGET("avx512f")
inline __m512d refined_root(__m512d x, __mmask8 positive) {
  const __m512d half = _mm512_set1_pd(0.5);
  // y = 1/sqrt(x) (1 + e) with |e| < 2^-14.
  const __m512d y = _mm512_maskz_rsqrt14_pd(all_lanes, x);
  // One Goldschmidt step takes g to sqrt(x) and h to 1/(2 sqrt(x)), each to
  // a relative error below 2^-27.4.
  const __m512d g0 = _mm512_maskz_mul_round_pd(all_lanes, x, y, to_nearest);
  const __m512d h0 = _mm512_maskz_mul_round_pd(all_lanes, y, half, to_nearest);
  const __m512d r = _mm512_fnmadd_round_pd(g0, h0, half, to_nearest);
  const __m512d g = _mm512_fmadd_round_pd(g0, r, g0, to_nearest);
  const __m512d h = _mm512_fmadd_round_pd(h0, r, h0, to_nearest);
  // Markstein's correction from the residual x - g^2: before its rounding,
  // within 2^-54.24 of sqrt(x), under half the gap either side of the
  // correctly rounded root. Rounded down, it gives that root or the double
  // below it.
  const __m512d residual = _mm512_fnmadd_round_pd(g, g, x, to_nearest);
  const __m512d s = _mm512_fmadd_round_pd(h, residual, g, downwards);
  // The root is the next double up exactly when sqrt(x) lies above the
  // midpoint s + ulp/2, that is when x > s * next_up(s). That sign is exact;
  // rounding s + tiny * (x - s * next_up(s)) upwards moves s up when it is
  // positive and leaves s otherwise.
  const __m512d next_up =
      _mm512_castsi512_pd(_mm512_add_epi64(_mm512_castpd_si512(s), _mm512_set1_epi64(1)));
  const __m512d above_midpoint = _mm512_fnmadd_round_pd(s, next_up, x, to_nearest);
  return _mm512_maskz_fmadd_round_pd(positive, above_midpoint, _mm512_set1_pd(smallest_normal), s,
                                     upwards);
}

// The roots of the elements in `lanes`, the others +0.0. Raises what the
// instruction raises on the lanes it takes, nothing on the others; if
// CheckExact, sets `inexact` to the refined lanes whose roots are inexact.
template <bool CheckExact>
VEMO_NUMERIC_TARGET("avx512f")
inline __m512d roots(__m512d v, __mmask8 lanes, __mmask8& inexact) {
  const __m512i bits = _mm512_castpd_si512(v);
  const __m512i magnitude = _mm512_and_si512(bits, _mm512_set1_epi64(0x7FFFFFFFFFFFFFFF));
  const __mmask8 ordinary = _mm512_mask_cmp_epu64_mask(
      lanes, _mm512_sub_epi64(magnitude, _mm512_set1_epi64(smallest_refined)),
      _mm512_set1_epi64(largest_refined - smallest_refined), _MM_CMPINT_LE);
  const __mmask8 positive =
      _mm512_mask_testn_epi64_mask(ordinary, bits, _mm512_set1_epi64(-0x7FFFFFFFFFFFFFFF - 1));
  __m512d x = _mm512_castsi512_pd(magnitude);
  const bool all_ordinary = ordinary == lanes;
  if (!all_ordinary) {
    // Keeps the refinement's arithmetic to ordinary numbers in every lane.
    x = _mm512_mask_blend_pd(ordinary, _mm512_set1_pd(1.0), x);
  }
  __m512d root = refined_root(x, positive);
  if (!all_ordinary) {
    // As the instruction's kernel: the quiet comparison x == |x| raises
    // invalid for a signalling NaN only.
    const auto others = static_cast<__mmask8>(lanes & ~ordinary);
    const __mmask8 in_domain = _mm512_mask_cmp_pd_mask(others, v, _mm512_abs_pd(v), _CMP_EQ_OQ);
    root = _mm512_mask_sqrt_pd(root, in_domain, v);
  }
  if (CheckExact) {
    const __m512d residual = _mm512_fnmadd_round_pd(root, root, x, to_nearest);
    inexact = _mm512_mask_cmp_pd_mask(positive, residual, _mm512_setzero_pd(), _CMP_NEQ_OQ);
    if (inexact != 0) {
      // Adding 2^-1022, far below half an ulp of any of these roots, leaves
      // them as they are when rounding to nearest, and raises inexact.
      root = _mm512_mask_add_pd(root, inexact, root, _mm512_set1_pd(smallest_normal));
    }
  }
  return root;
}

// One masked step of `count` (1 to 8) elements; returns whether it raised
// inexact. The lanes beyond them hold 1.0, so that the refinement works on
// ordinary numbers in every lane there too.
template <bool CheckExact>
VEMO_NUMERIC_TARGET("avx512f")
bool masked_step(const double* x, std::size_t count, double* y) {
  const auto lanes = static_cast<__mmask8>((1U << count) - 1U);
  __mmask8 inexact = 0;
  _mm512_mask_storeu_pd(
      y, lanes,
      roots<CheckExact>(_mm512_mask_loadu_pd(_mm512_set1_pd(1.0), lanes, x), lanes, inexact));
  return inexact != 0;
}

}  // namespace

VEMO_NUMERIC_TARGET("avx512f")
void sqrt_n_refined_1_3_0(const double* x, std::size_t n, double* y) {
  std::size_t i = elements_to_boundary<64>(y, n);
  // Until some root is found inexact, each step checks its roots' residuals.
  bool exact_so_far = i == 0 || !masked_step<true>(x, i, y);
  const std::size_t whole = i + (n - i) / 8 * 8;
  __mmask8 inexact = 0;
  for (; exact_so_far && i != whole; i += 8) {
    _mm512_storeu_pd(y + i, roots<true>(_mm512_loadu_pd(x + i), all_lanes, inexact));
    exact_so_far = inexact == 0;
  }
  for (; i != whole; i += 8) {
    _mm512_storeu_pd(y + i, roots<false>(_mm512_loadu_pd(x + i), all_lanes, inexact));
  }
  if (i < n) {
    if (exact_so_far) {
      masked_step<true>(x + i, n - i, y + i);
    } else {
      masked_step<false>(x + i, n - i, y + i);
    }
  }
}

#endif  // VEMO_NUMERIC_X86_KERNELS
