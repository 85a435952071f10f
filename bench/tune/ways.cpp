#include "ways.hpp"

#include <algorithm>
#include <chrono>
#include <random>
#include <stdexcept>
#include <utility>

namespace tune {

namespace {

std::mt19937& engine() {
  static std::mt19937 shuffled(20261209);
  return shuffled;
}

}  // namespace

double Way::billions_per_second() const {
  std::vector<double> sorted = seconds_per_element;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted.empty() ? 0.0 : sorted[sorted.size() / 2];
  return median > 0.0 ? 1e-9 / median : 0.0;
}

void time_in_rounds(std::vector<std::vector<Way>>& configurations, int rounds) {
  std::vector<Way*> order;
  for (std::vector<Way>& ways : configurations) {
    for (Way& way : ways) {
      order.push_back(&way);
      way.call();  // once untimed: the arrays in memory, the code in the cache
    }
  }
  for (int round = 0; round < rounds; ++round) {
    std::shuffle(order.begin(), order.end(), engine());
    for (Way* way : order) {
      const auto start = std::chrono::steady_clock::now();
      way->call();
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
      way->seconds_per_element.push_back(took.count() / static_cast<double>(way->elements));
    }
  }
}

Way way_of(std::string name, const ArrayCall& function, const double* x, std::size_t n, double* y,
           std::size_t calls) {
  Way way;
  way.name = std::move(name);
  way.elements = n * calls;
  way.call = [function, x, n, y, calls] {
    for (std::size_t k = 0; k < calls; ++k) {
      function(x, n, y);
    }
  };
  return way;
}

const Way& way_named(const std::vector<Way>& ways, const std::string& name) {
  const auto found =
      std::find_if(ways.begin(), ways.end(), [&](const Way& way) { return way.name == name; });
  if (found == ways.end()) {
    throw std::logic_error("no way named " + name);
  }
  return *found;
}

}  // namespace tune
