#include <vemo/numeric.hpp>

#include "array_kernels.hpp"

// sq_n, sqrt_n, array_kernel() and array_profile(): the way into the array
// code, in an object of their own, so that only a program that calls them
// takes the kernels, the dispatch and the table of processors from the
// archive.

#include <cstddef>

#ifdef VEMO_NUMERIC_X86_KERNELS
#include "x86/dispatch.hpp"
#endif

namespace vemo {
namespace numeric {

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
