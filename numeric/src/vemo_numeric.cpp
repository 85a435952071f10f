#include <vemo/numeric.hpp>

#include "array_kernels.hpp"

#include <cfloat>
#include <cmath>

#ifdef VEMO_NUMERIC_X86_KERNELS
#include <xmmintrin.h>
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

double sqrt(double x) noexcept {
  // std::isgreaterequal is a quiet comparison: unlike `x >= 0.0` it raises no
  // invalid flag for a NaN. It holds for -0.0, so the root keeps that sign, and
  // the standard root is only ever asked for values in its domain.
  return std::isgreaterequal(x, 0.0) ? std::sqrt(x) : 0.0;
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

#ifdef VEMO_NUMERIC_X86_KERNELS
namespace {

using detail::ArrayKernel;

enum class Tier { sse2, avx2, avx512f };

// The widest instruction set the CPU and the operating system support, asked
// at every call: two loads and tests once the runtime has read the CPU.
// Nothing is cached, so the functions keep no state and work before main.
Tier widest_tier() noexcept {
  if (detail::cpu_has_avx512f()) {
    return Tier::avx512f;
  }
  return detail::cpu_has_avx2() ? Tier::avx2 : Tier::sse2;
}

// Whether a call is too large for its arrays to stay in the cache, so that
// streaming stores save the memory the reads of y's lines would take: out of
// place, and x and y together larger than the last-level cache. Calls below
// 2^20 doubles (8 MiB per array) never stream, and never ask the cache's
// size, which can take microseconds.
bool streams(const double* x, std::size_t n, const double* y) noexcept {
  constexpr std::size_t shortest_streamed = std::size_t{1} << 20;
  return n >= shortest_streamed && detail::apart(x, n, y) &&
         n > detail::last_level_cache_bytes() / (2 * sizeof(double));
}

template <ArrayKernel Avx512f, ArrayKernel Avx2, ArrayKernel Sse2>
void call(Tier tier, const double* x, std::size_t n, double* y) noexcept {
  switch (tier) {
    case Tier::avx512f:
      Avx512f(x, n, y);
      return;
    case Tier::avx2:
      Avx2(x, n, y);
      return;
    case Tier::sse2:
      Sse2(x, n, y);
      return;
  }
}

// Which refined roots a call takes, if any. They are those rounded to
// nearest: MXCSR's rounding control, which fesetround sets along with x87's,
// must say so. The AVX2 ones raise inexact on the way, which must not trap.
// Arrays shorter than two AVX-512 vectors take the instruction: refined,
// their calls saved a few nanoseconds at best, and in some runs took up to
// 1.7 times as long.
enum class Roots { from_the_instruction, refined_avx512f, refined_avx2 };

Roots roots_for(std::size_t n, unsigned mxcsr) noexcept {
  if (n < 16 || (mxcsr & _MM_ROUND_MASK) != _MM_ROUND_NEAREST) {
    return Roots::from_the_instruction;
  }
  if (detail::cpu_has_avx512f()) {
    return Roots::refined_avx512f;
  }
  const bool avx2 = detail::cpu_has_avx2() && detail::cpu_has_fma();
  return avx2 && (mxcsr & _MM_MASK_INEXACT) != 0 ? Roots::refined_avx2
                                                 : Roots::from_the_instruction;
}

}  // namespace
#endif

void sq_n(const double* x, std::size_t n, double* y) noexcept {
#if defined(VEMO_NUMERIC_X86_KERNELS)
  Tier tier = widest_tier();
  // Squares go at the pace of loads and stores. Beyond 4,096 doubles, where
  // the arrays leave L1, 512-bit vectors ran 7 to 8% slower than 256-bit ones
  // on the Intel Xeon measured, and no faster beyond L2; they win only in L1.
  constexpr std::size_t longest_in_zmm = 4096;
  if (tier == Tier::avx512f && n > longest_in_zmm) {
    tier = Tier::avx2;
  }
  if (streams(x, n, y)) {
    call<detail::sq_n_avx512f_streaming, detail::sq_n_avx2_streaming, detail::sq_n_sse2_streaming>(
        tier, x, n, y);
  } else {
    call<detail::sq_n_avx512f, detail::sq_n_avx2, detail::sq_n_sse2>(tier, x, n, y);
  }
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
  // Under another rounding mode the instruction gives the roots that mode
  // asks for.
  switch (roots_for(n, _mm_getcsr())) {
    case Roots::refined_avx512f:
      (streams(x, n, y) ? detail::sqrt_n_avx512f_interleaved_streaming
                        : detail::sqrt_n_avx512f_interleaved)(x, n, y);
      return;
    case Roots::refined_avx2:
      (streams(x, n, y) ? detail::sqrt_n_avx2_interleaved_streaming
                        : detail::sqrt_n_avx2_interleaved)(x, n, y);
      return;
    case Roots::from_the_instruction:
      break;
  }
  const Tier tier = widest_tier();
  if (streams(x, n, y)) {
    call<detail::sqrt_n_avx512f_streaming, detail::sqrt_n_avx2_streaming,
         detail::sqrt_n_sse2_streaming>(tier, x, n, y);
  } else {
    call<detail::sqrt_n_avx512f, detail::sqrt_n_avx2, detail::sqrt_n_sse2>(tier, x, n, y);
  }
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
  switch (widest_tier()) {
    case Tier::avx512f:
      return "avx512f";
    case Tier::avx2:
      return "avx2";
    case Tier::sse2:
      break;
  }
  return "sse2";
#elif defined(VEMO_NUMERIC_NEON_KERNELS)
  return "neon";
#elif defined(VEMO_NUMERIC_WASM_SIMD128_KERNELS)
  return "wasm_simd128";
#else
  return "portable";
#endif
}

}  // namespace numeric
}  // namespace vemo
