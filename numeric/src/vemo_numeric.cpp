#include <vemo/numeric.hpp>

#include <cmath>

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
