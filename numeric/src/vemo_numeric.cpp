#include <vemo/numeric.hpp>

#include "array_kernels.hpp"

#include <cfloat>
#include <cmath>

#ifdef VEMO_NUMERIC_X86_KERNELS
#include "x86/dispatch.hpp"
#endif
#if defined(__MINGW32__) && defined(__SSE2__)
#include <emmintrin.h>
#endif

// Each result must be rounded once, to double. Where the compiler evaluates
// double arithmetic in a wider format (x87 without SSE2, FLT_EVAL_METHOD 2),
// it would be rounded twice; the build passes -msse2 -mfpmath=sse there.
#if FLT_EVAL_METHOD != 0
#error "vemo_numeric must round once to double: on 32-bit x86, compile it with -msse2 -mfpmath=sse"
#endif

namespace vemo {
namespace numeric {

double sq(double x) noexcept { return x * x; }

namespace {

// The correctly rounded root of x >= 0.
double root_in_domain(double x) noexcept {
#if defined(__MINGW32__) && defined(__SSE2__)
  // mingw-w64's sqrt computes in x87's extended precision and rounds twice
  // (the root of 1 - 2^-53 comes out as 1), and unoptimised code calls it.
  // The instruction rounds once.
  return _mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x)));
#else
  return std::sqrt(x);
#endif
}

}  // namespace

double sqrt(double x) noexcept {
  // std::isgreaterequal is a quiet comparison: unlike `x >= 0.0` it raises no
  // invalid flag for a NaN. It holds for -0.0, so the root keeps that sign, and
  // the root is only ever asked for values in its domain.
  return std::isgreaterequal(x, 0.0) ? root_in_domain(x) : 0.0;
}

namespace detail {

namespace {

void each_square(const double* x, std::size_t n, double* y) noexcept {
  for (std::size_t i = 0; i < n; ++i) {
    y[i] = sq(x[i]);
  }
}

void each_root(const double* x, std::size_t n, double* y) noexcept {
  for (std::size_t i = 0; i < n; ++i) {
    y[i] = numeric::sqrt(x[i]);
  }
}

}  // namespace

void sq_n_portable(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_square>(x, n, y);
}

void sqrt_n_portable(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_root>(x, n, y);
}

}  // namespace detail

void sq_n(const double* x, std::size_t n, double* y) noexcept {
#if defined(VEMO_NUMERIC_X86_KERNELS)
  detail::sq_n_x86(x, n, y);
#elif defined(VEMO_NUMERIC_NEON_KERNELS)
  detail::sq_n_neon(x, n, y);
#elif defined(VEMO_NUMERIC_WASM_SIMD128_KERNELS)
  detail::sq_n_wasm_simd128(x, n, y);
#else
  detail::sq_n_portable(x, n, y);
#endif
}

void sqrt_n(const double* x, std::size_t n, double* y) noexcept {
#if defined(VEMO_NUMERIC_X86_KERNELS)
  detail::sqrt_n_x86(x, n, y);
#elif defined(VEMO_NUMERIC_NEON_KERNELS)
  detail::sqrt_n_neon(x, n, y);
#elif defined(VEMO_NUMERIC_WASM_SIMD128_KERNELS)
  detail::sqrt_n_wasm_simd128(x, n, y);
#else
  detail::sqrt_n_portable(x, n, y);
#endif
}

const char* array_kernel() noexcept {
#if defined(VEMO_NUMERIC_X86_KERNELS)
  return detail::array_kernel_x86();
#elif defined(VEMO_NUMERIC_NEON_KERNELS)
  return "neon";
#elif defined(VEMO_NUMERIC_WASM_SIMD128_KERNELS)
  return "wasm_simd128";
#else
  return "portable";
#endif
}

const char* array_profile() noexcept {
#if defined(VEMO_NUMERIC_X86_KERNELS)
  return detail::array_profile_x86();
#else
  return "none";
#endif
}

}  // namespace numeric
}  // namespace vemo
