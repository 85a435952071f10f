#include <vemo/numeric.hpp>

// sq and sqrt, and nothing else: a program that calls only them takes this
// object alone from the archive, and none of the array code
// (array_functions.cpp).

#include <cfloat>
#include <cmath>

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

}  // namespace numeric
}  // namespace vemo
