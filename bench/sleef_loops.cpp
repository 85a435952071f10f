#include "array_loops.hpp"

#include <immintrin.h>
#include <sleef.h>

#include <cmath>

namespace {

// SLEEF's root of the widest vector this file is compiled for, guarded as
// sqrt is, with the remaining elements one by one.
template <bool HalfUlp>
void each_root(const double* x, std::size_t n, double* y) {
  std::size_t i = 0;
#if defined(__AVX512F__)
  for (; n - i >= 8; i += 8) {
    const __m512d v = _mm512_loadu_pd(x + i);
    const __m512d guarded =
        _mm512_maskz_mov_pd(_mm512_cmp_pd_mask(v, _mm512_setzero_pd(), _CMP_GE_OQ), v);
    _mm512_storeu_pd(y + i,
                     HalfUlp ? Sleef_sqrtd8_u05avx512f(guarded) : Sleef_sqrtd8_u35avx512f(guarded));
  }
#elif defined(__AVX2__)
  for (; n - i >= 4; i += 4) {
    const __m256d v = _mm256_loadu_pd(x + i);
    const __m256d guarded = _mm256_and_pd(v, _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_GE_OQ));
    _mm256_storeu_pd(y + i,
                     HalfUlp ? Sleef_sqrtd4_u05avx2(guarded) : Sleef_sqrtd4_u35avx2(guarded));
  }
#endif
  for (; i < n; ++i) {
    y[i] = std::isgreaterequal(x[i], 0.0) ? std::sqrt(x[i]) : 0.0;
  }
}

}  // namespace

void sqrt_sleef_u05_native(const double* x, std::size_t n, double* y) { each_root<true>(x, n, y); }
void sqrt_sleef_u35_native(const double* x, std::size_t n, double* y) { each_root<false>(x, n, y); }
