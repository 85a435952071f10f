#ifndef VEMO_NUMERIC_BENCH_TUNE_WAYS_HPP
#define VEMO_NUMERIC_BENCH_TUNE_WAYS_HPP

// The tuner's clock. Each way of doing a call keeps the fastest of its
// rounds; every way of a sweep runs in the same rounds, each round in a new
// random order, so that a shared machine's changes of pace fall on all of
// them alike.

#include <cstddef>
#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace tune {

using ArrayFunction = void (*)(const double* x, std::size_t n, double* y);
using ArrayCall = std::function<void(const double* x, std::size_t n, double* y)>;

// One way of doing a call, timed as the fastest of its rounds.
struct Way {
  std::string name;
  std::function<void()> call;
  std::size_t n = 0;
  std::size_t calls = 1;
  double best_seconds = std::numeric_limits<double>::infinity();

  [[nodiscard]] double per_call() const { return best_seconds / static_cast<double>(calls); }
  [[nodiscard]] double billions_per_second() const {
    return static_cast<double>(n) / per_call() * 1e-9;
  }
};

// Runs every way of every configuration `rounds` times.
void time_in_rounds(std::vector<std::vector<Way>>& configurations, int rounds);

// A way that calls `function` on x, y, n `calls` times.
Way way_of(std::string name, const ArrayCall& function, const double* x, std::size_t n, double* y,
           std::size_t calls);

// The way of that name, which must be among `ways`.
const Way& way_named(const std::vector<Way>& ways, const std::string& name);

double geometric_mean(const std::vector<double>& values);

}  // namespace tune

#endif  // VEMO_NUMERIC_BENCH_TUNE_WAYS_HPP
