#include "array_kernels.hpp"

// The x86 kernels that take their squares and roots from the instructions,
// from the passes in instruction_passes.hpp.

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/instruction_passes.hpp"
#include "x86/kernels.hpp"

// Each kernel takes its pass inline, with its steps, so that a short call
// makes no further call or jump.
#define VEMO_NUMERIC_FLATTEN __attribute__((flatten))

namespace vemo {
namespace numeric {
namespace detail {

constexpr Stores cached = Stores::cached;
constexpr Stores streaming = Stores::streaming;

VEMO_NUMERIC_TARGET("sse2")
VEMO_NUMERIC_FLATTEN void sq_n_sse2(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_sse2<square_sse2, cached>>(x, n, y);
}
VEMO_NUMERIC_TARGET("sse2")
VEMO_NUMERIC_FLATTEN void sqrt_n_sse2(const double* x, std::size_t n, double* y) noexcept {
  as_if_x_read_first<each_sse2<root_or_zero_sse2, cached>>(x, n, y);
}
VEMO_NUMERIC_TARGET("avx2")
VEMO_NUMERIC_FLATTEN void sq_n_avx2(const double* x, std::size_t n, double* y) noexcept {
  cached_avx2<square_avx2, square_sse2>(x, n, y);
}
VEMO_NUMERIC_TARGET("avx2")
VEMO_NUMERIC_FLATTEN void sqrt_n_avx2(const double* x, std::size_t n, double* y) noexcept {
  cached_avx2<root_or_zero_avx2, root_or_zero_sse2>(x, n, y);
}
VEMO_NUMERIC_TARGET("avx512f")
VEMO_NUMERIC_FLATTEN void sq_n_avx512f(const double* x, std::size_t n, double* y) noexcept {
  cached_avx512f<square_avx512f>(x, n, y);
}
VEMO_NUMERIC_TARGET("avx512f")
VEMO_NUMERIC_FLATTEN void sqrt_n_avx512f(const double* x, std::size_t n, double* y) noexcept {
  cached_avx512f<root_or_zero_avx512f>(x, n, y);
}

VEMO_NUMERIC_TARGET("sse2")
VEMO_NUMERIC_FLATTEN void sq_n_sse2_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_sse2<square_sse2, streaming>, sq_n_sse2>(x, n, y);
}
VEMO_NUMERIC_TARGET("sse2")
VEMO_NUMERIC_FLATTEN
void sqrt_n_sse2_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_sse2<root_or_zero_sse2, streaming>, sqrt_n_sse2>(x, n, y);
}
VEMO_NUMERIC_TARGET("avx2")
VEMO_NUMERIC_FLATTEN void sq_n_avx2_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_avx2<square_avx2, square_sse2, streaming>, sq_n_avx2>(x, n, y);
}
VEMO_NUMERIC_TARGET("avx2")
VEMO_NUMERIC_FLATTEN
void sqrt_n_avx2_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_avx2<root_or_zero_avx2, root_or_zero_sse2, streaming>, sqrt_n_avx2>(x, n,
                                                                                              y);
}
VEMO_NUMERIC_TARGET("avx512f")
VEMO_NUMERIC_FLATTEN
void sq_n_avx512f_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_avx512f<square_avx512f, streaming>, sq_n_avx512f>(x, n, y);
}
VEMO_NUMERIC_TARGET("avx512f")
VEMO_NUMERIC_FLATTEN
void sqrt_n_avx512f_streaming(const double* x, std::size_t n, double* y) noexcept {
  streaming_if_apart<each_avx512f<root_or_zero_avx512f, streaming>, sqrt_n_avx512f>(x, n, y);
}

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
