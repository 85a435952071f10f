#include "array_loops.hpp"

#include <hwy/highway.h>

#include <cmath>

namespace hn = hwy::HWY_NAMESPACE;

void sqrt_highway_native(const double* x, std::size_t n, double* y) {
  const hn::ScalableTag<double> d;
  const auto zero = hn::Zero(d);
  std::size_t i = 0;
  for (; n - i >= hn::Lanes(d); i += hn::Lanes(d)) {
    const auto v = hn::LoadU(d, x + i);
    hn::StoreU(hn::Sqrt(hn::IfThenElseZero(v >= zero, v)), d, y + i);
  }
  for (; i < n; ++i) {
    y[i] = std::isgreaterequal(x[i], 0.0) ? std::sqrt(x[i]) : 0.0;
  }
}
