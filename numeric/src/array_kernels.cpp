#include "array_kernels.hpp"

// The kernels of the targets other than x86 (whose kernels are in x86/):
// Advanced SIMD on aarch64 and WebAssembly SIMD. Each walks the arrays from
// the front, two lanes at a time, and takes a last odd element with one lane
// loaded and stored; the other lane holds +0.0, whose square and root are
// exact and raise nothing. Every step loads its elements before it stores
// its results, which as_if_x_read_first relies on for arrays that overlap.
// The root of a lane is taken only where x == |x|, as on x86.

#if defined(VEMO_NUMERIC_NEON_KERNELS)
#include <arm_neon.h>
#elif defined(VEMO_NUMERIC_WASM_SIMD128_KERNELS)
#include <wasm_simd128.h>
#endif

namespace vemo {
namespace numeric {
namespace detail {

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
