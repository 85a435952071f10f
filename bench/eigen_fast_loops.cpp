#include "array_loops.hpp"

#include <Eigen/Core>

void sqrt_eigen_fast_native(const double* x, std::size_t n, double* y) {
  const auto size = static_cast<Eigen::Index>(n);
  Eigen::Map<Eigen::ArrayXd>(y, size) = Eigen::Map<const Eigen::ArrayXd>(x, size).max(0.0).sqrt();
}
