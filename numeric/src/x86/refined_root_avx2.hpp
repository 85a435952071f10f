#ifndef VEMO_NUMERIC_X86_REFINED_ROOT_AVX2_HPP
#define VEMO_NUMERIC_X86_REFINED_ROOT_AVX2_HPP

// sqrt_n's roots on AVX2 with FMA, from multiply-adds beside the square-root
// instruction. AVX2 has no reciprocal square-root estimate for doubles, so
// each root starts from an integer estimate of 1/sqrt(x) taken from the bits
// of x, goes through three Goldschmidt steps and a Markstein correction
// rounded to nearest, and ends with an exact choice among that result and
// the doubles either side of it, as stated before refined_root().
// docs/correct-rounding.md proves that this gives the correctly rounded root
// of every x in [2^-900, DBL_MAX]. Zeros, +inf, NaNs and negatives take their
// results by selection; subnormals and the smaller normals take the
// instruction.
//
// The steps round to nearest, as MXCSR says, and the choice at the end picks
// the root rounded to nearest; without embedded rounding they also raise
// inexact even where the roots are exact. So a call refines only while MXCSR
// rounds to nearest and masks the inexact exception (as it does by default),
// and otherwise takes every root from the instruction, which then rounds as
// MXCSR asks. The steps raise nothing else: every other lane holds 1.0 while
// they run, and no value in them is subnormal, so DAZ and FTZ change
// nothing. So until some root is found inexact, every vector checks its
// roots' residuals, the instruction's vectors too, and a call whose roots
// are all exact clears the inexact flag it raised, unless the caller had it
// raised already, and raises it where some root is inexact.
//
// The steps are a template over the split, for the library's kernels
// (refined_root_avx2.cpp) and for the tuner, which times other splits. A
// file that includes this must be compiled as the library's kernels are,
// with -ffp-contract=off (and, by clang++, -ffp-exception-behavior=maytrap).

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/instruction_passes.hpp"
#include "x86/kernels.hpp"
#include "x86/lane_ops.hpp"

#include <immintrin.h>

#include <cstddef>

namespace vemo {
namespace numeric {
namespace detail {
// Its own namespace, so that a file may include both kernels' steps.
namespace refined_avx2 {
namespace {

// The estimate of 1/sqrt(x) is this less half the bits of x.
constexpr long long estimate_base = 0x5FE6EB50C7B537A9;

// The magnitudes refined: bit patterns from 2^-900 up to DBL_MAX.
constexpr long long smallest_refined = 0x07B0000000000000;  // 2^-900
constexpr long long largest_refined = 0x7FEFFFFFFFFFFFFF;   // DBL_MAX
// AVX2 compares 64-bit integers as signed only. Adding 2^63 (mod 2^64)
// turns an unsigned comparison into a signed one: bits in [smallest, largest]
// are those at most refined_limit once refined_offset (2^63 - smallest) is
// added, and magnitudes in [1, smallest), the subnormals and smaller normals,
// those below small_limit once small_offset (2^63 - 1) is added.
constexpr long long sign_bit = -0x7FFFFFFFFFFFFFFF - 1;
constexpr long long refined_offset = 0x7FFFFFFFFFFFFFFF - smallest_refined + 1;
constexpr long long refined_limit = sign_bit + (largest_refined - smallest_refined);
constexpr long long small_offset = 0x7FFFFFFFFFFFFFFF;
constexpr long long small_limit = sign_bit + (smallest_refined - 1);

// 2^e in every lane, from its bits: the library's C++11 has no hexadecimal
// floating literals.
VEMO_NUMERIC_TARGET("avx2,fma")
inline __m256d two_to(long long e) {
  return _mm256_castsi256_pd(_mm256_set1_epi64x((e + 1023) << 52));
}

// Steps of refined_root(), in the order the code below computes them (its
// loop unrolled), as proofs/avx2_*.g state them; proofs/check compares the
// three. Each step rounds once to nearest (rn), as MXCSR says, or is exact;
// bits(v) is the bit pattern of v, and c ? a : b is a when c holds, else b.
//
//   y = from_bits(estimate_base - (bits(x) >> 1))  (relative error below 0.034366)
//   g0 = rn(x * y)
//   h0 = rn(y * 0.5)
//   r1 = rn(0.5 - g0 * h0)
//   g1 = rn(g0 + g0 * r1)
//   h1 = rn(h0 + h0 * r1)
//   r2 = rn(0.5 - g1 * h1)
//   g2 = rn(g1 + g1 * r2)
//   h2 = rn(h1 + h1 * r2)
//   r3 = rn(0.5 - g2 * h2)
//   g3 = rn(g2 + g2 * r3)
//   h3 = rn(h2 + h2 * r3)
//   d = rn(x - g3 * g3)
//   s = rn(g3 + h3 * d)
//   sm = from_bits(bits(s) - 1)
//   sp = from_bits(bits(s) + 1)
//   um = rn(s * sm - x)
//   not_below = um < 0 ? s : sm
//   up = rn(s * sp - x)
//   root = up < 0 ? sp : not_below

// The correctly rounded root of every lane in [2^-900, DBL_MAX].
VEMO_NUMERIC_TARGET("avx2,fma")
inline __m256d refined_root(__m256d x) {
  const __m256d half = _mm256_set1_pd(0.5);
  // y = 1/sqrt(x) (1 + e), with |e| below the bound stated above.
  const __m256d y = _mm256_castsi256_pd(_mm256_sub_epi64(
      _mm256_set1_epi64x(estimate_base), _mm256_srli_epi64(_mm256_castpd_si256(x), 1)));
  // Goldschmidt's steps take g to sqrt(x) and h to 1/(2 sqrt(x)), each
  // squaring the relative error: below 2^-34.7 after three.
  __m256d g = _mm256_mul_pd(x, y);
  __m256d h = _mm256_mul_pd(y, half);
  for (int step = 0; step < 3; ++step) {
    const __m256d r = _mm256_fnmadd_pd(g, h, half);
    g = _mm256_fmadd_pd(g, r, g);
    h = _mm256_fmadd_pd(h, r, h);
  }
  // Markstein's correction from the residual x - g^2: within 2^-68 of
  // sqrt(x) before its rounding, so s is the correctly rounded root or one
  // of the doubles either side.
  const __m256d s = _mm256_fmadd_pd(h, _mm256_fnmadd_pd(g, g, x), g);
  const __m256i s_bits = _mm256_castpd_si256(s);
  const __m256d below = _mm256_castsi256_pd(_mm256_sub_epi64(s_bits, _mm256_set1_epi64x(1)));
  const __m256d above = _mm256_castsi256_pd(_mm256_add_epi64(s_bits, _mm256_set1_epi64x(1)));
  // The root lies below the midpoint of below and s exactly when
  // s * below - x >= 0, and above the midpoint of s and above exactly when
  // s * above - x < 0; the signs are exact. blendv takes the second operand
  // where the sign bit is set, and an exact zero here is +0.0.
  const __m256d not_below = _mm256_blendv_pd(below, s, _mm256_fmsub_pd(s, below, x));
  return _mm256_blendv_pd(not_below, above, _mm256_fmsub_pd(s, above, x));
}

// Which lanes of v are outside the refined range, and which are small:
// subnormals and normals below 2^-900, of either sign.
struct Lanes {
  __m256d outside;
  __m256d small;
};

VEMO_NUMERIC_TARGET("avx2,fma")
inline Lanes lanes_of(__m256d v) {
  const __m256i bits = _mm256_castpd_si256(v);
  const __m256i magnitude = _mm256_andnot_si256(_mm256_set1_epi64x(sign_bit), bits);
  return {_mm256_castsi256_pd(
              _mm256_cmpgt_epi64(_mm256_add_epi64(bits, _mm256_set1_epi64x(refined_offset)),
                                 _mm256_set1_epi64x(refined_limit))),
          _mm256_castsi256_pd(
              _mm256_cmpgt_epi64(_mm256_set1_epi64x(small_limit),
                                 _mm256_add_epi64(magnitude, _mm256_set1_epi64x(small_offset))))};
}

// The roots of a vector.
VEMO_NUMERIC_TARGET("avx2,fma")
inline __m256d roots(__m256d v) {
  const Lanes lanes = lanes_of(v);
  __m256d root = refined_root(_mm256_blendv_pd(v, _mm256_set1_pd(1.0), lanes.outside));
  // The other lanes as the instruction's kernel has them: x where the quiet
  // comparison x == |x| holds (it raises invalid for a signalling NaN only),
  // +0.0 elsewhere. Zeros and +inf are their own roots; the small lanes
  // take the instruction.
  const __m256d selected = _mm256_and_pd(v, in_domain_avx2(v));
  root = _mm256_blendv_pd(root, selected, lanes.outside);
  if (_mm256_movemask_pd(lanes.small) != 0) {
    root = _mm256_blendv_pd(root, _mm256_sqrt_pd(selected), lanes.small);
  }
  return root;
}

// Whether some lane of `root`, the correctly rounded roots of v, is
// inexact: in the refined range by the residual x - root^2, which is zero
// exactly when the root is exact; small lanes by the same residual of x and
// the root scaled exactly by 2^1000 and 2^500, which puts them in the range.
// Zeros, infinities and the +0.0 of negatives and NaNs are exact.
VEMO_NUMERIC_TARGET("avx2,fma")
inline bool any_inexact(__m256d v, __m256d root) {
  const Lanes lanes = lanes_of(v);
  const __m256d one = _mm256_set1_pd(1.0);
  const __m256d refined_x = _mm256_blendv_pd(v, one, lanes.outside);
  const __m256d refined_root = _mm256_blendv_pd(root, one, lanes.outside);
  __m256d rounded = _mm256_cmp_pd(_mm256_fnmadd_pd(refined_root, refined_root, refined_x),
                                  _mm256_setzero_pd(), _CMP_NEQ_OQ);
  if (_mm256_movemask_pd(lanes.small) != 0) {
    const __m256d in_domain = in_domain_avx2(v);
    const __m256d scaled_x =
        _mm256_mul_pd(_mm256_and_pd(v, _mm256_and_pd(in_domain, lanes.small)), two_to(1000));
    const __m256d scaled_root = _mm256_mul_pd(_mm256_and_pd(root, lanes.small), two_to(500));
    rounded =
        _mm256_or_pd(rounded, _mm256_cmp_pd(_mm256_fnmadd_pd(scaled_root, scaled_root, scaled_x),
                                            _mm256_setzero_pd(), _CMP_NEQ_OQ));
  }
  return _mm256_movemask_pd(rounded) != 0;
}

// The roots of one vector, refined or from the instruction, stored as S
// says; if CheckExact, returns whether some root is inexact.
template <bool Refined, bool CheckExact, Stores S>
VEMO_NUMERIC_TARGET("avx2,fma")
inline bool vector_step(const double* x, double* y) {
  const __m256d v = _mm256_loadu_pd(x);
  const __m256d root = Refined ? roots(v) : root_or_zero_avx2(v);
  store_avx2<S>(y, root);
  return CheckExact && any_inexact(v, root);
}

// The first `count` (1 to 3) elements, loaded and stored two and one at a
// time; the lanes beyond them hold 1.0.
VEMO_NUMERIC_TARGET("avx2,fma")
inline __m256d load_short(const double* x, std::size_t count) {
  const __m128d one = _mm_set1_pd(1.0);
  if (count == 1) {
    return _mm256_set_m128d(one, _mm_loadl_pd(one, x));
  }
  return _mm256_set_m128d(count == 3 ? _mm_loadl_pd(one, x + 2) : one, _mm_loadu_pd(x));
}

VEMO_NUMERIC_TARGET("avx2,fma")
inline void store_short(double* y, std::size_t count, __m256d v) {
  const __m128d low = _mm256_castpd256_pd128(v);
  if (count == 1) {
    _mm_store_sd(y, low);
    return;
  }
  _mm_storeu_pd(y, low);
  if (count == 3) {
    _mm_store_sd(y + 2, _mm256_extractf128_pd(v, 1));
  }
}

// Up to 7 elements, a whole vector and then a short step; returns whether
// some root is found inexact, checking only while exact_so_far.
VEMO_NUMERIC_TARGET("avx2,fma")
inline bool short_steps(const double* x, std::size_t count, double* y, bool exact_so_far) {
  bool inexact = false;
  std::size_t i = 0;
  if (count >= 4) {
    inexact = exact_so_far ? vector_step<true, true, Stores::cached>(x, y)
                           : vector_step<true, false, Stores::cached>(x, y);
    i = 4;
  }
  if (i < count) {
    const __m256d v = load_short(x + i, count - i);
    const __m256d root = roots(v);
    store_short(y + i, count - i, root);
    inexact = inexact || (exact_so_far && any_inexact(v, root));
  }
  return inexact;
}

// Refined vectors of refined roots and Instruction vectors of roots from the
// instruction; if CheckExact, returns whether some root is inexact.
template <std::size_t Refined, std::size_t Instruction, bool CheckExact, Stores S>
VEMO_NUMERIC_TARGET("avx2,fma")
inline bool stretch_step(const double* x, double* y, std::size_t ahead) {
  constexpr std::size_t stretch = 4 * (Refined + Instruction);
  for (std::size_t k = 0; k < stretch; k += 8) {  // a line at a time
    prefetch_ahead(x + k, ahead);
  }
  bool inexact = false;
  for (std::size_t k = 0; k != stretch; k += 4) {
    const bool rounded = k < 4 * Refined ? vector_step<true, CheckExact, S>(x + k, y + k)
                                         : vector_step<false, CheckExact, S>(x + k, y + k);
    inexact = inexact || rounded;
  }
  return inexact;
}

// Stretches of Refined vectors of refined roots and Instruction vectors of
// roots from the instruction, side by side. With streaming stores, the
// whole vectors cover whole lines of y. Asks for x's lines prefetch_bytes
// ahead (none for 0). Like every kernel's pass, it loads each vector before
// it stores one, for as_if_x_read_first.
template <std::size_t Refined, std::size_t Instruction, Stores S>
VEMO_NUMERIC_TARGET("avx2,fma")
void each_root(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) noexcept {
  const unsigned mxcsr = _mm_getcsr();
  if ((mxcsr & _MM_ROUND_MASK) != _MM_ROUND_NEAREST || (mxcsr & _MM_MASK_INEXACT) == 0) {
    each_avx2<root_or_zero_avx2, root_or_zero_sse2, S>(x, n, y);
    return;
  }
  const std::size_t ahead = prefetch_bytes / sizeof(double);
  // Raised already, inexact needs no checking: the steps' own changes nothing.
  bool exact_so_far = (mxcsr & _MM_EXCEPT_INEXACT) == 0;
  std::size_t i = elements_to_boundary<start_bytes<S, 32>()>(y, n);
  exact_so_far = !short_steps(x, i, y, exact_so_far) && exact_so_far;
  constexpr std::size_t step = whole_elements<S, 4>();
  const std::size_t whole = i + (n - i) / step * step;
  constexpr std::size_t stretch = 4 * (Refined + Instruction);
  for (; exact_so_far && whole - i >= stretch; i += stretch) {
    exact_so_far = !stretch_step<Refined, Instruction, true, S>(x + i, y + i, ahead);
  }
  for (; whole - i >= stretch; i += stretch) {
    stretch_step<Refined, Instruction, false, S>(x + i, y + i, ahead);
  }
  // A vector or two after the last stretch: refined, each would take longer
  // than the instruction's.
  for (; i != whole; i += 4) {
    if (exact_so_far) {
      exact_so_far = !vector_step<false, true, S>(x + i, y + i);
    } else {
      vector_step<false, false, S>(x + i, y + i);
    }
  }
  exact_so_far = !short_steps(x + i, n - i, y + i, exact_so_far) && exact_so_far;
  finish_stores<S>();
  // Every root exact: the steps' inexact is not the caller's. Otherwise the
  // flag stands; it is raised here too, so as not to rest on the steps.
  const unsigned others = _mm_getcsr() & ~static_cast<unsigned>(_MM_EXCEPT_INEXACT);
  _mm_setcsr(exact_so_far ? others : others | _MM_EXCEPT_INEXACT);
}

// The menu's splits and the pass, for split_kernels.hpp and the tuner.
struct Roots {
  static constexpr Split split(std::size_t index) { return avx2_splits[index]; }

  template <std::size_t Refined, std::size_t Instruction, Stores S>
  VEMO_NUMERIC_TARGET("avx2,fma")
  static void each(const double* x, std::size_t n, double* y, std::size_t prefetch_bytes) noexcept {
    each_root<Refined, Instruction, S>(x, n, y, prefetch_bytes);
  }
};

}  // namespace
}  // namespace refined_avx2
}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_REFINED_ROOT_AVX2_HPP
