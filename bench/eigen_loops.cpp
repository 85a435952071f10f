#include "array_loops.hpp"

#include <Eigen/Core>

namespace {

using Input = Eigen::Map<const Eigen::ArrayXd>;
using Output = Eigen::Map<Eigen::ArrayXd>;

Eigen::Index size_of(std::size_t n) { return static_cast<Eigen::Index>(n); }

}  // namespace

void sq_eigen_native(const double* x, std::size_t n, double* y) {
  Output(y, size_of(n)) = Input(x, size_of(n)).square();
}

void sqrt_eigen_native(const double* x, std::size_t n, double* y) {
  Output(y, size_of(n)) = Input(x, size_of(n)).max(0.0).sqrt();
}
