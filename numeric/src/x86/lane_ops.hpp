#ifndef VEMO_NUMERIC_X86_LANE_OPS_HPP
#define VEMO_NUMERIC_X86_LANE_OPS_HPP

// The square and the guarded root of every lane of an SSE2, AVX2 or AVX-512F
// vector, for the kernels that take them from the instructions.
//
// The root of a lane is taken only where x == |x|, which holds for +0, -0,
// positive numbers and +inf and fails for negatives and NaNs. The equality
// comparison is quiet (it raises invalid only for a signalling NaN, as the
// scalar guard does), and the other lanes become +0.0 before the root, whose
// root is +0.0 and raises nothing. So every lane gives exactly the scalar
// result and raises exactly the scalar flags.

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <immintrin.h>

namespace vemo {
namespace numeric {
namespace detail {
namespace {

VEMO_NUMERIC_TARGET("sse2") inline __m128d square_sse2(__m128d v) { return _mm_mul_pd(v, v); }

VEMO_NUMERIC_TARGET("sse2") inline __m128d root_or_zero_sse2(__m128d v) {
  const __m128d in_domain = _mm_cmpeq_pd(v, _mm_andnot_pd(_mm_set1_pd(-0.0), v));
  return _mm_sqrt_pd(_mm_and_pd(v, in_domain));
}

VEMO_NUMERIC_TARGET("avx2") inline __m256d square_avx2(__m256d v) { return _mm256_mul_pd(v, v); }

// The lanes where x == |x|. clang++ takes a comparison's predicate as free
// to choose, but maps equality to the quiet one only; x >= 0, the same
// lanes, it once compiled as a signalling x <= 0 swapped.
VEMO_NUMERIC_TARGET("avx2") inline __m256d in_domain_avx2(__m256d v) {
  return _mm256_cmp_pd(v, _mm256_andnot_pd(_mm256_set1_pd(-0.0), v), _CMP_EQ_OQ);
}

VEMO_NUMERIC_TARGET("avx2") inline __m256d root_or_zero_avx2(__m256d v) {
  return _mm256_sqrt_pd(_mm256_and_pd(v, in_domain_avx2(v)));
}

// Masked-off lanes are neither computed nor compared, and raise nothing.
VEMO_NUMERIC_TARGET("avx512f")
inline __m512d square_avx512f(__mmask8 lanes, __m512d v) {
  return _mm512_maskz_mul_pd(lanes, v, v);
}

VEMO_NUMERIC_TARGET("avx512f")
inline __m512d root_or_zero_avx512f(__mmask8 lanes, __m512d v) {
  const __mmask8 in_domain = _mm512_mask_cmp_pd_mask(lanes, v, _mm512_abs_pd(v), _CMP_EQ_OQ);
  // A short step with no lane in the domain (a tail of negatives, say)
  // leaves the square-root unit alone: one lane held it as long as eight,
  // 4 ns, on an AMD Zen 4. Whole vectors, whose lanes are a constant, do
  // without the test.
  if (lanes != 0xFF && in_domain == 0) {
    return _mm512_setzero_pd();
  }
  return _mm512_maskz_sqrt_pd(in_domain, v);
}

// How a kernel stores its whole vectors. Ordinary stores go through the
// cache, which first reads each line they write. Streaming (non-temporal)
// stores write whole lines past the cache, without reading them: they need
// y taken to a line's start first, and a store fence before the call
// returns, so that a thread that synchronises with the caller then sees the
// results as it would after ordinary stores.
enum class Stores { cached, streaming };

// The boundary a kernel first takes y to, and the multiple of elements its
// whole vectors then cover: a vector's width for cached stores, a 64-byte
// line for streaming ones.
template <Stores S, std::uintptr_t VectorBytes>
constexpr std::uintptr_t start_bytes() {
  return S == Stores::streaming ? 64 : VectorBytes;
}
template <Stores S, std::size_t VectorElements>
constexpr std::size_t whole_elements() {
  return S == Stores::streaming ? 8 : VectorElements;
}

// The elements a kernel takes before its whole vectors: none for a short
// call with ordinary stores, where finding the boundary took longer (a
// third of a call of a few elements on an AMD Zen 3) than the stores that
// straddle lines; else those up to the boundary start_bytes gives.
template <Stores S, std::uintptr_t VectorBytes>
std::size_t head_elements(const double* y, std::size_t n) {
  constexpr std::size_t aligned_from = 64;
  return S == Stores::cached && n < aligned_from
             ? 0
             : elements_to_boundary<start_bytes<S, VectorBytes>()>(y, n);
}

template <Stores S>
VEMO_NUMERIC_TARGET("sse2")
inline void store_sse2(double* y, __m128d v) {
  if (S == Stores::streaming) {
    _mm_stream_pd(y, v);
  } else {
    _mm_storeu_pd(y, v);
  }
}

template <Stores S>
VEMO_NUMERIC_TARGET("avx2")
inline void store_avx2(double* y, __m256d v) {
  if (S == Stores::streaming) {
    _mm256_stream_pd(y, v);
  } else {
    _mm256_storeu_pd(y, v);
  }
}

template <Stores S>
VEMO_NUMERIC_TARGET("avx512f")
inline void store_avx512f(double* y, __m512d v) {
  if (S == Stores::streaming) {
    _mm512_stream_pd(y, v);
  } else {
    _mm512_storeu_pd(y, v);
  }
}

// Asks for the line of x `ahead` elements past `at`, or for nothing where
// `ahead` is 0. The refined roots' loops do many operations per line, so
// that the hardware alone keeps too few lines in flight for memory's speed;
// in place at 128 MiB, 2 KiB ahead took the AVX-512F roots on an Intel Xeon
// from 1.05 to 1.35 billion a second. How far pays depends on the CPU, so
// the distance comes from its profile. A hint past the end of x is not an
// access: it cannot fault, and it reads nothing the call may not.
VEMO_NUMERIC_TARGET("sse2")
inline void prefetch_ahead(const double* at, std::size_t ahead) {
  if (ahead != 0) {
    _mm_prefetch(reinterpret_cast<const char*>(at + ahead), _MM_HINT_T0);
  }
}

template <Stores S>
VEMO_NUMERIC_TARGET("sse2")
inline void finish_stores() {
  if (S == Stores::streaming) {
    _mm_sfence();
  }
}

}  // namespace
}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_LANE_OPS_HPP
