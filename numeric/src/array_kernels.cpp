#include "array_kernels.hpp"

// Each kernel walks the arrays from the front, a full vector at a time,
// between shorter steps at the start and the end that touch only the elements
// they need, with masked or narrower loads and stores: a full-width access
// there could fault at a page's end. Every step loads its elements before it
// stores its results, which as_if_x_read_first relies on for arrays that
// overlap.
//
// The root of a lane is taken only where x == |x| (see x86_lane_ops.hpp);
// lanes that a shorter step leaves out hold +0.0, whose square and root are
// exact and raise nothing, or are masked off.

#if defined(VEMO_NUMERIC_X86_KERNELS)
#include "x86_lane_ops.hpp"

#include <immintrin.h>
#elif defined(VEMO_NUMERIC_NEON_KERNELS)
#include <arm_neon.h>
#elif defined(VEMO_NUMERIC_WASM_SIMD128_KERNELS)
#include <wasm_simd128.h>
#endif

namespace vemo {
namespace numeric {
namespace detail {

#ifdef VEMO_NUMERIC_X86_KERNELS

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
  std::size_t i = elements_to_boundary<start_bytes<S, 16>()>(y, n);
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

// The first `count` (0 to 7) elements.
template <__m256d (*Op)(__m256d), __m128d (*ShortOp)(__m128d)>
VEMO_NUMERIC_TARGET("avx2")
void short_steps_avx2(const double* x, std::size_t count, double* y) {
  std::size_t i = 0;
  if (count >= 4) {
    _mm256_storeu_pd(y, Op(_mm256_loadu_pd(x)));
    i = 4;
  }
  if (count - i >= 2) {
    _mm_storeu_pd(y + i, ShortOp(_mm_loadu_pd(x + i)));
    i += 2;
  }
  if (i < count) {
    _mm_store_sd(y + i, ShortOp(_mm_load_sd(x + i)));
  }
}

template <__m256d (*Op)(__m256d), __m128d (*ShortOp)(__m128d), Stores S>
VEMO_NUMERIC_TARGET("avx2")
void each_avx2(const double* x, std::size_t n, double* y) noexcept {
  std::size_t i = elements_to_boundary<start_bytes<S, 32>()>(y, n);
  short_steps_avx2<Op, ShortOp>(x, i, y);
  constexpr std::size_t step = whole_elements<S, 4>();
  for (const std::size_t whole = i + (n - i) / step * step; i != whole; i += 4) {
    store_avx2<S>(y + i, Op(_mm256_loadu_pd(x + i)));
  }
  short_steps_avx2<Op, ShortOp>(x + i, n - i, y + i);
  finish_stores<S>();
}

// AVX-512F: eight lanes, a line; masked-off lanes are neither accessed nor
// computed.

// The first `count` (1 to 7) elements.
template <__m512d (*Op)(__mmask8, __m512d)>
VEMO_NUMERIC_TARGET("avx512f")
void masked_step_avx512f(const double* x, std::size_t count, double* y) {
  const auto lanes = static_cast<__mmask8>((1U << count) - 1U);
  _mm512_mask_storeu_pd(y, lanes, Op(lanes, _mm512_maskz_loadu_pd(lanes, x)));
}

template <__m512d (*Op)(__mmask8, __m512d), Stores S>
VEMO_NUMERIC_TARGET("avx512f")
void each_avx512f(const double* x, std::size_t n, double* y) noexcept {
  std::size_t i = elements_to_boundary<64>(y, n);
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

}  // namespace

constexpr Stores cached = Stores::cached;
constexpr Stores streaming = Stores::streaming;

void sq_n_sse2(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_sse2<square_sse2, cached>>(x, n, y);
}
void sqrt_n_sse2(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_sse2<root_or_zero_sse2, cached>>(x, n, y);
}
void sq_n_avx2(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_avx2<square_avx2, square_sse2, cached>>(x, n, y);
}
void sqrt_n_avx2(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_avx2<root_or_zero_avx2, root_or_zero_sse2, cached>>(x, n, y);
}
void sq_n_avx512f(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_avx512f<square_avx512f, cached>>(x, n, y);
}
void sqrt_n_avx512f(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_avx512f<root_or_zero_avx512f, cached>>(x, n, y);
}

void sq_n_sse2_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_sse2<square_sse2, streaming>, sq_n_sse2>(x, n, y);
}
void sqrt_n_sse2_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_sse2<root_or_zero_sse2, streaming>, sqrt_n_sse2>(x, n, y);
}
void sq_n_avx2_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_avx2<square_avx2, square_sse2, streaming>, sq_n_avx2>(x, n, y);
}
void sqrt_n_avx2_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_avx2<root_or_zero_avx2, root_or_zero_sse2, streaming>, sqrt_n_avx2>(x, n,
                                                                                              y);
}
void sq_n_avx512f_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_avx512f<square_avx512f, streaming>, sq_n_avx512f>(x, n, y);
}
void sqrt_n_avx512f_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_avx512f<root_or_zero_avx512f, streaming>, sqrt_n_avx512f>(x, n, y);
}

#endif  // VEMO_NUMERIC_X86_KERNELS

#ifdef VEMO_NUMERIC_NEON_KERNELS

namespace {

// Advanced SIMD: two lanes.

inline float64x2_t square_neon(float64x2_t v) { return vmulq_f64(v, v); }

inline float64x2_t root_or_zero_neon(float64x2_t v) {
  const uint64x2_t in_domain = vceqq_f64(v, vabsq_f64(v));
  return vsqrtq_f64(vreinterpretq_f64_u64(vandq_u64(vreinterpretq_u64_f64(v), in_domain)));
}

template <float64x2_t (*Op)(float64x2_t)>
void each_neon(const double* x, std::size_t n, double* y) noexcept {
  std::size_t i = 0;
  for (; n - i >= 2; i += 2) {
    vst1q_f64(y + i, Op(vld1q_f64(x + i)));
  }
  if (i < n) {
    // One lane loaded, the other +0.0.
    vst1q_lane_f64(y + i, Op(vld1q_lane_f64(x + i, vdupq_n_f64(0.0), 0)), 0);
  }
}

}  // namespace

void sq_n_neon(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_neon<square_neon>>(x, n, y);
}
void sqrt_n_neon(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_neon<root_or_zero_neon>>(x, n, y);
}

#endif  // VEMO_NUMERIC_NEON_KERNELS

#ifdef VEMO_NUMERIC_WASM_SIMD128_KERNELS

namespace {

// WebAssembly SIMD: two lanes.

inline v128_t square_wasm_simd128(v128_t v) { return wasm_f64x2_mul(v, v); }

inline v128_t root_or_zero_wasm_simd128(v128_t v) {
  const v128_t in_domain = wasm_f64x2_eq(v, wasm_f64x2_abs(v));
  return wasm_f64x2_sqrt(wasm_v128_and(v, in_domain));
}

template <v128_t (*Op)(v128_t)>
void each_wasm_simd128(const double* x, std::size_t n, double* y) noexcept {
  std::size_t i = 0;
  for (; n - i >= 2; i += 2) {
    wasm_v128_store(y + i, Op(wasm_v128_load(x + i)));
  }
  if (i < n) {
    // One lane loaded, the other +0.0.
    wasm_v128_store64_lane(y + i, Op(wasm_v128_load64_zero(x + i)), 0);
  }
}

}  // namespace

void sq_n_wasm_simd128(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_wasm_simd128<square_wasm_simd128>>(x, n, y);
}
void sqrt_n_wasm_simd128(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_wasm_simd128<root_or_zero_wasm_simd128>>(x, n, y);
}

#endif  // VEMO_NUMERIC_WASM_SIMD128_KERNELS

}  // namespace detail
}  // namespace numeric
}  // namespace vemo
