#include "array_loops.hpp"

#include <xsimd/xsimd.hpp>

#include <cmath>

void sqrt_xsimd_native(const double* x, std::size_t n, double* y) {
  using batch = xsimd::batch<double>;
  const batch zero(0.0);
  std::size_t i = 0;
  for (; n - i >= batch::size; i += batch::size) {
    const batch v = batch::load_unaligned(x + i);
    xsimd::sqrt(xsimd::select(v >= zero, v, zero)).store_unaligned(y + i);
  }
  for (; i < n; ++i) {
    y[i] = std::isgreaterequal(x[i], 0.0) ? std::sqrt(x[i]) : 0.0;
  }
}
