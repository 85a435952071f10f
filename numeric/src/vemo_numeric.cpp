#include <vemo/numeric.hpp>

#include <cfloat>
#include <cmath>

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

}  // namespace numeric
}  // namespace vemo
