#ifndef VEMO_NUMERIC_BENCH_PAGE_ARRAYS_HPP
#define VEMO_NUMERIC_BENCH_PAGE_ARRAYS_HPP

// The arrays the benchmark and the tuner time every way on.

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

// Input and output start on page boundaries, the output half a page further
// on, so that every way runs on the same layout: aligned, and clear of the
// slowdown when a load and an earlier store lie a multiple of 4 KiB apart.
// Mixed signs make the root's guard take both branches; positive inputs all
// have roots; zeros, as where data is clamped at zero, are every fourth
// element or a random half (of either sign) among positive inputs.
enum class Kind { mixed, positive, quarter_zeros, half_zeros };

class Arrays {
 public:
  Arrays(std::size_t n, Kind kind) : n_(n), storage_(2 * n + 3 * kPageDoubles) {
    const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
    x_ = storage_.data() + (kPageBytes - address % kPageBytes) % kPageBytes / sizeof(double);
    y_ = x_ + (n + kPageDoubles - 1) / kPageDoubles * kPageDoubles + kPageDoubles / 2;
    std::mt19937_64 engine(20261208);
    std::uniform_real_distribution<double> distribution(kind == Kind::mixed ? -1000.0 : 0.0,
                                                        1000.0);
    for (std::size_t i = 0; i < n; ++i) {
      x_[i] = distribution(engine);
      if (kind == Kind::quarter_zeros && i % 4 == 0) {
        x_[i] = 0.0;
      } else if (kind == Kind::half_zeros && engine() % 2 == 0) {
        x_[i] = engine() % 2 == 0 ? 0.0 : -0.0;
      }
    }
  }
  [[nodiscard]] const double* x() const { return x_; }
  [[nodiscard]] double* y() const { return y_; }
  [[nodiscard]] std::size_t size() const { return n_; }

 private:
  static constexpr std::size_t kPageBytes = 4096;
  static constexpr std::size_t kPageDoubles = kPageBytes / sizeof(double);
  std::size_t n_;
  std::vector<double> storage_;
  double* x_ = nullptr;
  double* y_ = nullptr;
};

#endif  // VEMO_NUMERIC_BENCH_PAGE_ARRAYS_HPP
