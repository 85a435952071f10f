#ifndef VEMO_NUMERIC_BENCH_TUNE_WAYS_HPP
#define VEMO_NUMERIC_BENCH_TUNE_WAYS_HPP

// The tuner's clock. Every way of a sweep runs once in each round, the
// rounds one after another and each in a new random order, and keeps each
// round's time: sample k of every way comes from round k, so the ways can be
// compared round by round (decide.hpp), and a shared machine's changes of
// pace fall on all of them alike.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tune {

using ArrayCall = std::function<void(const double* x, std::size_t n, double* y)>;

// One way of doing a call, and its time per element in each round.
struct Way {
  std::string name;
  std::function<void()> call;
  std::size_t elements = 0;  // per call of `call`
  std::vector<double> seconds_per_element;

  // The median of the rounds, in billions of elements a second.
  [[nodiscard]] double billions_per_second() const;
};

// Runs every way of every configuration `rounds` times.
void time_in_rounds(std::vector<std::vector<Way>>& configurations, int rounds);

// A way that calls `function` on x, y, n `calls` times.
Way way_of(std::string name, const ArrayCall& function, const double* x, std::size_t n, double* y,
           std::size_t calls);

// The way of that name, which must be among `ways`.
const Way& way_named(const std::vector<Way>& ways, const std::string& name);

}  // namespace tune

#endif  // VEMO_NUMERIC_BENCH_TUNE_WAYS_HPP
