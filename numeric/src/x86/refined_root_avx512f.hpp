#ifndef VEMO_NUMERIC_X86_REFINED_ROOT_AVX512F_HPP
#define VEMO_NUMERIC_X86_REFINED_ROOT_AVX512F_HPP

// sqrt_n's roots on AVX-512F without the square-root instruction, whose
// throughput there is a fraction of the multiply-add units'. Each root comes
// from the reciprocal square-root estimate, one Goldschmidt step, a
// Markstein correction rounded downwards and an exact choice between that
// and the next double up, as stated before refined_root().
// docs/correct-rounding.md proves that this gives the correctly rounded root
// of every x in [2^-900, DBL_MAX]. Zeros, infinities, NaNs and negatives
// take their results from vfixupimmpd; positive subnormals and the smaller
// normals take the instruction.
//
// Every step rounds as it says (to nearest, down or up) with exceptions
// suppressed, whatever the caller's rounding mode and flags, and none meets
// a subnormal in the refined range, so DAZ and FTZ change nothing. But the
// choice at the end picks the root rounded to nearest, so a call refines
// only while MXCSR rounds to nearest, and otherwise takes every root from
// the instruction, which then rounds as MXCSR asks. The steps raise no flag,
// so the kernel raises inexact itself, with an addition that leaves the
// first inexact roots it meets unchanged.
//
// The steps are a template over the split, for the library's kernels
// (refined_root_avx512f.cpp) and for the tuner, which times other splits.
// A file that includes this must be compiled as the library's kernels are,
// with -ffp-contract=off.

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/instruction_passes.hpp"
#include "x86/kernels.hpp"
#include "x86/lane_ops.hpp"

#include <immintrin.h>

#include <cstddef>
#include <limits>

namespace vemo {
namespace numeric {
namespace detail {
// Its own namespace, so that a file may include both kernels' steps.
namespace refined_avx512f {
namespace {

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
constexpr long long sign_bit = -0x7FFFFFFFFFFFFFFF - 1;
// MXCSR's DAZ bit: subnormal inputs read as zero.
constexpr unsigned denormals_are_zero = 0x0040;

// Steps of refined_root(), in the order the code below computes them, as
// proofs/avx512f_*.g state them; proofs/check compares the three. Each step
// rounds once as it says (rn to nearest, rd downwards, ru upwards) or is
// exact; bits(v) is the bit pattern of v.
//
//   y = rsqrt14(x)  (relative error below 2^-14)
//   g0 = rn(x * y)
//   h0 = rn(y * 0.5)
//   r = rn(0.5 - g0 * h0)
//   g = rn(g0 + g0 * r)
//   h = rn(h0 + h0 * r)
//   d = rn(x - g * g)
//   s = rd(g + h * d)
//   sp = from_bits(bits(s) + 1)
//   t = rn(x - s * sp)
//   root = ru(s + t * 2^-1022)

// The correctly rounded root of every lane in [2^-900, DBL_MAX]; other lanes
// give what they give, raising nothing.
VEMO_NUMERIC_TARGET("avx512f")
inline __m512d refined_root(__m512d x) {
  const __m512d half = _mm512_set1_pd(0.5);
  // y = 1/sqrt(x) (1 + e), with |e| below the bound stated above.
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
  return _mm512_fmadd_round_pd(above_midpoint, _mm512_set1_pd(smallest_normal), s, upwards);
}

// What vfixupimmpd gives each class of x, a 4-bit code per class: the
// root computed (0) for positive numbers, x itself (1) for zeros, +1 and
// +inf, and +0.0 (8) for NaNs, -inf and negative numbers. Its immediate
// raises invalid for a signalling NaN, and nothing else. Under DAZ a
// subnormal x counts as a zero; Intel's manual has such a zero as 0.0, with
// no word on its sign, so under DAZ the kernel gives the zeros their signs
// itself.
constexpr long long root_of_class = 0x08181188;
constexpr int invalid_for_signalling_nan = 0x10;

// Arithmetic steps of roots(), on the refined lanes, beside its selections:
// q, zero exactly where the root is exact, and where it is not, the
// addition that raises inexact and leaves the root as it is (rounded as
// MXCSR says, to nearest, as each_root() checks).
//
//   q = rn(x - root * root)
//   raised = rn(root + 2^-1022)

// The roots of the elements in `lanes`. Raises what the scalar root raises
// on each lane but inexact; if CheckExact, sets `inexact` to the refined
// lanes whose roots are inexact.
template <bool CheckExact>
VEMO_NUMERIC_TARGET("avx512f")
inline __m512d roots(__m512d v, __mmask8 lanes, bool daz, __mmask8& inexact) {
  // As bits, positive numbers in the refined range lie in
  // [0, largest_refined - smallest_refined] after the subtraction, and the
  // positive subnormals and smaller normals in (-smallest_refined, 0).
  const __m512i above_smallest =
      _mm512_sub_epi64(_mm512_castpd_si512(v), _mm512_set1_epi64(smallest_refined));
  const __mmask8 small = _mm512_mask_cmp_epu64_mask(
      lanes, above_smallest, _mm512_set1_epi64(-smallest_refined), _MM_CMPINT_NLE);
  // Every lane is refined, whatever it holds: the steps raise nothing, and
  // zeros, infinities, NaNs and negatives then take their results from
  // vfixupimmpd, without a branch. Small lanes would slow the steps down with
  // subnormals (an array of them six times); they hold 1.0 instead and take
  // the instruction.
  __m512d x = v;
  if (small != 0) {
    x = _mm512_mask_blend_pd(small, v, _mm512_set1_pd(1.0));
  }
  __m512d root = _mm512_fixupimm_pd(refined_root(x), v, _mm512_set1_epi64(root_of_class),
                                    invalid_for_signalling_nan);
  if (small != 0) {
    root = _mm512_mask_sqrt_pd(root, small, v);
  }
  if (daz) {
    // The lanes that compare equal to zero, subnormals included, have the
    // root -0.0 or +0.0 by their sign, as the scalar root has them.
    const __mmask8 zeros = _mm512_mask_cmp_pd_mask(lanes, v, _mm512_setzero_pd(), _CMP_EQ_OQ);
    root = _mm512_mask_mov_pd(
        root, zeros,
        _mm512_castsi512_pd(_mm512_and_si512(_mm512_castpd_si512(v), _mm512_set1_epi64(sign_bit))));
  }
  if (CheckExact) {
    const __mmask8 refined = _mm512_mask_cmp_epu64_mask(
        lanes, above_smallest, _mm512_set1_epi64(largest_refined - smallest_refined),
        _MM_CMPINT_LE);
    const __m512d residual = _mm512_fnmadd_round_pd(root, root, x, to_nearest);
    inexact = _mm512_mask_cmp_pd_mask(refined, residual, _mm512_setzero_pd(), _CMP_NEQ_OQ);
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
bool masked_step(const double* x, std::size_t count, double* y, bool daz) {
  const auto lanes = static_cast<__mmask8>((1U << count) - 1U);
  __mmask8 inexact = 0;
  _mm512_mask_storeu_pd(
      y, lanes,
      roots<CheckExact>(_mm512_mask_loadu_pd(_mm512_set1_pd(1.0), lanes, x), lanes, daz, inexact));
  return inexact != 0;
}

// Refined vectors of refined roots and Instruction vectors of roots from
// the instruction, which raises inexact itself; if CheckExact, returns
// whether some refined root is inexact, having raised inexact for it.
template <std::size_t Refined, std::size_t Instruction, bool CheckExact, Stores S>
VEMO_NUMERIC_TARGET("avx512f")
inline bool stretch_step(const double* x, double* y, bool daz, std::size_t ahead) {
  constexpr std::size_t stretch = 8 * (Refined + Instruction);
  bool inexact = false;
  for (std::size_t k = 0; k != stretch; k += 8) {
    prefetch_ahead(x + k, ahead);
    const __m512d v = _mm512_loadu_pd(x + k);
    if (k < 8 * Refined) {
      __mmask8 rounded = 0;
      store_avx512f<S>(y + k, roots<CheckExact>(v, all_lanes, daz, rounded));
      inexact = inexact || rounded != 0;
    } else {
      store_avx512f<S>(y + k, root_or_zero_avx512f(all_lanes, v));
    }
  }
  return inexact;
}

// Stretches of Refined vectors of refined roots and Instruction vectors of
// roots from the instruction, side by side, so that the multiply-add units
// and the square-root unit work at once. Until some refined root is found
// inexact, the refined vectors check their roots' residuals. y's whole
// vectors are whole lines. Asks for x's lines prefetch_bytes ahead (none
// for 0). Like every kernel's pass, it loads each vector before it stores
// one, for as_if_x_read_first.
template <std::size_t Refined, std::size_t Instruction, Stores S>
VEMO_NUMERIC_TARGET("avx512f")
void each_root(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) noexcept {
  const unsigned mxcsr = _mm_getcsr();
  if ((mxcsr & _MM_ROUND_MASK) != _MM_ROUND_NEAREST) {
    each_avx512f<root_or_zero_avx512f, S>(x, n, y);
    return;
  }
  const bool daz = (mxcsr & denormals_are_zero) != 0;
  const std::size_t ahead = prefetch_bytes / sizeof(double);
  std::size_t i = elements_to_boundary<64>(y, n);
  bool exact_so_far = i == 0 || !masked_step<true>(x, i, y, daz);
  const std::size_t whole = i + (n - i) / 8 * 8;
  constexpr std::size_t stretch = 8 * (Refined + Instruction);
  for (; exact_so_far && whole - i >= stretch; i += stretch) {
    exact_so_far = !stretch_step<Refined, Instruction, true, S>(x + i, y + i, daz, ahead);
  }
  for (; whole - i >= stretch; i += stretch) {
    stretch_step<Refined, Instruction, false, S>(x + i, y + i, daz, ahead);
  }
  for (; i != whole; i += 8) {
    __mmask8 rounded = 0;
    const __m512d v = _mm512_loadu_pd(x + i);
    if (exact_so_far) {
      store_avx512f<S>(y + i, roots<true>(v, all_lanes, daz, rounded));
      exact_so_far = rounded == 0;
    } else {
      store_avx512f<S>(y + i, roots<false>(v, all_lanes, daz, rounded));
    }
  }
  if (i < n) {
    if (exact_so_far) {
      masked_step<true>(x + i, n - i, y + i, daz);
    } else {
      masked_step<false>(x + i, n - i, y + i, daz);
    }
  }
  finish_stores<S>();
}

// The menu's splits and the pass, for split_kernels.hpp and the tuner.
struct Roots {
  static constexpr Split split(std::size_t index) { return avx512f_splits[index]; }

  template <std::size_t Refined, std::size_t Instruction, Stores S>
  VEMO_NUMERIC_TARGET("avx512f")
  static void each(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) noexcept {
    each_root<Refined, Instruction, S>(x, n, y, prefetch_bytes);
  }
};

}  // namespace
}  // namespace refined_avx512f
}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_REFINED_ROOT_AVX512F_HPP
