#include "array_loops.hpp"

#include <cmath>

void sq_loop_native(const double* x, std::size_t n, double* y) {
  for (std::size_t i = 0; i < n; ++i) {
    y[i] = x[i] * x[i];
  }
}

void sqrt_loop_native(const double* x, std::size_t n, double* y) {
  for (std::size_t i = 0; i < n; ++i) {
    y[i] = std::isgreaterequal(x[i], 0.0) ? std::sqrt(x[i]) : 0.0;
  }
}
