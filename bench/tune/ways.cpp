#include "ways.hpp"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <random>
#include <utility>

namespace tune {

namespace {

std::mt19937& engine() {
  static std::mt19937 shuffled(20261209);
  return shuffled;
}

}  // namespace

void time_in_rounds(std::vector<std::vector<Way>>& configurations, int rounds) {
  std::vector<Way*> order;
  for (std::vector<Way>& ways : configurations) {
    for (Way& way : ways) {
      order.push_back(&way);
    }
  }
  for (int round = 0; round < rounds; ++round) {
    std::shuffle(order.begin(), order.end(), engine());
    for (Way* way : order) {
      const auto start = std::chrono::steady_clock::now();
      way->call();
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      way->best_seconds = std::min(way->best_seconds, took.count());
    }
  }
}

Way way_of(std::string name, const ArrayCall& function, const double* x, std::size_t n, double* y,
           std::size_t calls) {
  Way way;
  way.name = std::move(name);
  way.n = n;
  way.calls = calls;
  way.call = [function, x, n, y, calls] {
    for (std::size_t k = 0; k < calls; ++k) {
      function(x, n, y);
    }
  };
  return way;
}

const Way& way_named(const std::vector<Way>& ways, const std::string& name) {
  return *std::find_if(ways.begin(), ways.end(), [&](const Way& way) { return way.name == name; });
}

double geometric_mean(const std::vector<double>& values) {
  double log_sum = 0.0;
  for (const double value : values) {
    log_sum += std::log(value);
  }
  return std::exp(log_sum / static_cast<double>(values.size()));
}

}  // namespace tune
