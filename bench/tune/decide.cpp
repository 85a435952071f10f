#include "decide.hpp"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>
#include <string>

namespace tune {

namespace {

// std::to_string would print a time of nanoseconds as 0.000000.
std::string text_of(double value) {
  std::ostringstream text;
  text << value;
  return text.str();
}

void check_times(const std::vector<double>& times, const char* what) {
  for (std::size_t round = 0; round < times.size(); ++round) {
    // Written so that a NaN fails too.
    if (!(times[round] > 0.0 && std::isfinite(times[round]))) {
      throw std::invalid_argument(std::string(what) + ": a time of " + text_of(times[round]) +
                                  " in round " + std::to_string(round) +
                                  "; times must be positive and finite");
    }
  }
}

// j of the rule in decide.hpp: the largest count with P(B < j) <= 2.5% for
// B ~ Binomial(rounds, 1/2). The probabilities go in logarithms, as 2^-rounds
// underflows from 1,075 rounds on.
std::size_t interval_rank(std::size_t rounds) {
  const auto n = static_cast<double>(rounds);
  double log_probability = -n * std::log(2.0);  // of B = 0
  double below = 0.0;                           // P(B < j)
  std::size_t j = 0;
  while (true) {
    below += std::exp(log_probability);
    if (below > 0.025) {
      return j;
    }
    ++j;
    const auto k = static_cast<double>(j);
    log_probability += std::log(n - k + 1.0) - std::log(k);
  }
}

}  // namespace

Comparison compare(const std::vector<double>& reference, const std::vector<double>& candidate) {
  if (reference.size() != candidate.size()) {
    throw std::invalid_argument("compare: " + std::to_string(reference.size()) +
                                " rounds against " + std::to_string(candidate.size()) +
                                "; they must be the same rounds");
  }
  if (reference.size() < minimum_rounds) {
    throw std::invalid_argument("compare: " + std::to_string(reference.size()) +
                                " rounds, too few for a 95% interval; at least " +
                                std::to_string(minimum_rounds) + " are needed");
  }
  check_times(reference, "compare, reference");
  check_times(candidate, "compare, candidate");

  const std::size_t rounds = reference.size();
  std::vector<double> ratios(rounds);
  for (std::size_t k = 0; k < rounds; ++k) {
    ratios[k] = reference[k] / candidate[k];
  }
  std::sort(ratios.begin(), ratios.end());
  const std::size_t middle = rounds / 2;
  const double median =
      rounds % 2 == 1 ? ratios[middle] : (ratios[middle - 1] + ratios[middle]) / 2.0;
  const std::size_t j = interval_rank(rounds);  // at least 1 from minimum_rounds on
  return {median, ratios[j - 1], ratios[rounds - j]};
}

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): -Wconversion catches a swap
Decision decide(const std::vector<std::vector<double>>& times, std::size_t in_force,
                double minimum_effect) {
  if (in_force >= times.size()) {
    throw std::invalid_argument("decide: the value in force is candidate " +
                                std::to_string(in_force) + ", not one of the " +
                                std::to_string(times.size()) + " given");
  }
  if (!(minimum_effect >= 0.0 && std::isfinite(minimum_effect))) {
    throw std::invalid_argument("decide: a minimum effect of " + text_of(minimum_effect) +
                                "; it must be finite and at least 0");
  }
  Decision decision{in_force, false, {1.0, 1.0, 1.0}};
  bool another_median_faster = false;
  std::vector<std::size_t> qualifying;
  std::vector<Comparison> comparisons;
  std::size_t fastest = in_force;
  for (std::size_t candidate = 0; candidate < times.size(); ++candidate) {
    // Compared with itself too, for its series to be checked like the others.
    comparisons.push_back(compare(times[in_force], times[candidate]));
    if (candidate == in_force) {
      continue;
    }
    another_median_faster = another_median_faster || comparisons.back().speedup > 1.0;
    if (comparisons.back().low > 1.0 + minimum_effect) {
      qualifying.push_back(candidate);
      if (fastest == in_force || comparisons.back().speedup > comparisons[fastest].speedup) {
        fastest = candidate;
      }
    }
  }
  for (const std::size_t candidate : qualifying) {
    if (compare(times[candidate], times[fastest]).low <= 1.0 + minimum_effect) {
      decision.chosen = candidate;
      decision.against_in_force = comparisons[candidate];
      break;
    }
  }
  decision.within_noise = decision.chosen == in_force && another_median_faster;
  return decision;
}

std::vector<double> across_configurations(
    const std::vector<std::vector<double>>& per_configuration) {
  if (per_configuration.empty()) {
    throw std::invalid_argument("across_configurations: no configuration");
  }
  const std::size_t rounds = per_configuration.front().size();
  std::vector<double> log_sums(rounds, 0.0);
  for (const std::vector<double>& times : per_configuration) {
    if (times.size() != rounds) {
      throw std::invalid_argument("across_configurations: " + std::to_string(times.size()) +
                                  " rounds against " + std::to_string(rounds) +
                                  "; they must be the same rounds");
    }
    check_times(times, "across_configurations");
    for (std::size_t k = 0; k < rounds; ++k) {
      log_sums[k] += std::log(times[k]);
    }
  }
  const auto count = static_cast<double>(per_configuration.size());
  std::vector<double> means(rounds);
  for (std::size_t k = 0; k < rounds; ++k) {
    means[k] = std::exp(log_sums[k] / count);
  }
  return means;
}

}  // namespace tune
