// The tuner's decision rule on synthetic rounds: a machine whose pace wanders
// between 1x and 2x, shared by every candidate of a round, times each
// candidate's cost, times noise of each sample's own. Fixed seeds and
// transforms of our own, so every target draws the same times.
#include "tune/decide.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

namespace {

using Times = std::vector<std::vector<double>>;

constexpr std::size_t rounds = 31;

// times[candidate][round] for candidates of these costs; `noise` is the
// standard deviation of each sample's factor 1 + noise z, z bell-shaped.
Times timings(std::uint64_t seed, const std::vector<double>& costs, double noise) {
  std::mt19937_64 engine(seed);
  const auto uniform = [&engine] { return static_cast<double>(engine() >> 11) * 0x1p-53; };
  Times times(costs.size(), std::vector<double>(rounds));
  double pace = 1.0 + uniform();
  for (std::size_t round = 0; round < rounds; ++round) {
    pace = std::clamp(pace + 0.2 * (uniform() - 0.5), 1.0, 2.0);
    for (std::size_t candidate = 0; candidate < costs.size(); ++candidate) {
      // Three uniforms, one after the other for the same sum everywhere, less
      // their mean; twice that has deviation 1.
      double z = -1.5;
      for (int k = 0; k < 3; ++k) {
        z += uniform();
      }
      times[candidate][round] = pace * costs[candidate] * (1.0 + noise * 2.0 * z);
    }
  }
  return times;
}

TEST(Decide, FindsAPlantedOptionTenPercentFaster) {
  struct Case {
    std::uint64_t seed;
    double noise;
    std::vector<double> costs;
    std::size_t in_force, faster;
  };
  constexpr double fast = 1 / 1.10;
  for (const Case& c :
       {Case{1, 0.02, {1, 1, fast, 1}, 0, 2}, Case{2, 0.03, {fast, 1, 1, 1, 1}, 4, 0},
        Case{3, 0.03, {1, 1, 1, 1, fast}, 1, 4}, Case{4, 0.04, {1, 1, 1, 1, 1, fast}, 0, 5},
        Case{5, 0.04, {1, fast, 1, 1, 1, 1}, 3, 1}}) {
    SCOPED_TRACE(c.seed);
    const tune::Decision decision = tune::decide(timings(c.seed, c.costs, c.noise), c.in_force);
    EXPECT_EQ(decision.chosen, c.faster);
    EXPECT_FALSE(decision.within_noise);
    EXPECT_NEAR(decision.against_in_force.speedup, 1.10, 0.05);
  }
}

// Resolving a 2% gain from 31 rounds takes quieter samples than the others'.
TEST(Decide, KeepsTheValueInForceForAGainBelowTheMinimumEffect) {
  for (const std::uint64_t seed : {11U, 12U, 13U}) {
    SCOPED_TRACE(seed);
    const Times times = timings(seed, {1, 1 / 1.02}, 0.01);
    const tune::Decision kept = tune::decide(times, 0);
    EXPECT_EQ(kept.chosen, 0U);
    EXPECT_TRUE(kept.within_noise);
    EXPECT_EQ(kept.against_in_force.low, 1.0);
    const tune::Decision taken = tune::decide(times, 0, 0.0);
    EXPECT_EQ(taken.chosen, 1U);
    EXPECT_FALSE(taken.within_noise);
  }
}

// Speedups 0.90, 0.91, ..., 1.20 in a shuffled order: the median, 1.05, is
// past the minimum effect but the interval, [0.99, 1.11], is not.
TEST(Decide, KeepsTheValueInForceUnlessTheWholeIntervalIsPastTheMinimumEffect) {
  const std::vector<double> in_force(rounds, 1.0);
  std::vector<double> candidate;
  for (std::size_t round = 0; round < rounds; ++round) {
    candidate.push_back(1.0 / (0.90 + 0.01 * static_cast<double>(round * 7 % rounds)));
  }
  const tune::Decision decision = tune::decide({in_force, candidate}, 0);
  EXPECT_EQ(decision.chosen, 0U);
  EXPECT_TRUE(decision.within_noise);
}

// One round 100 times slower or faster for one candidate. Candidate 2 is 20%
// faster and 1 only 8%: a mean would let one fast round of candidate 1 hand
// it the choice, or one slow round of candidate 2 take it away.
TEST(Decide, OneHugeOutlierChangesNothing) {
  struct Case {
    std::vector<double> costs;
    std::size_t changed;
    double by;
    std::size_t chosen;
  };
  for (const Case& c :
       {Case{{1, 1, 1, 1}, 0, 100.0, 0}, Case{{1, 1 / 1.08, 1 / 1.20}, 2, 100.0, 2},
        Case{{1, 1 / 1.08, 1 / 1.20}, 1, 0.01, 2}, Case{{1, 1 / 1.08, 1 / 1.20}, 0, 100.0, 2}}) {
    SCOPED_TRACE(c.changed);
    Times times = timings(21, c.costs, 0.02);
    EXPECT_EQ(tune::decide(times, 0).chosen, c.chosen);
    times[c.changed][rounds / 3] *= c.by;
    EXPECT_EQ(tune::decide(times, 0).chosen, c.chosen);
  }
}

// Candidates 1 and 2 are 10% and 11% faster than the one in force: within
// noise of each other, so the first is chosen whatever the seed, though the
// median of either may come out ahead.
TEST(Decide, TakesTheFirstOfCandidatesWithinNoiseOfTheFastest) {
  for (const std::uint64_t seed : {31U, 32U, 33U, 34U, 35U}) {
    SCOPED_TRACE(seed);
    EXPECT_EQ(tune::decide(timings(seed, {1, 1 / 1.10, 1 / 1.11, 1 / 1.25}, 0.03), 0).chosen, 3U);
    EXPECT_EQ(tune::decide(timings(seed, {1, 1 / 1.10, 1 / 1.11}, 0.03), 0).chosen, 1U);
  }
}

TEST(Compare, IdenticalSeriesGiveSpeedupOne) {
  const std::vector<double> times = timings(31, {1.0}, 0.05).front();
  const tune::Comparison same = tune::compare(times, times);
  EXPECT_EQ(same.speedup, 1.0);
  EXPECT_TRUE(same.low <= 1.0 && 1.0 <= same.high);
}

// Ratios k^2 for k = rounds down to 1: the median and the j-th smallest and
// largest of the rule, at the fewest rounds allowed, the tuner's 31 and 100.
TEST(Compare, MedianAndIntervalAreTheRulesOrderStatistics) {
  struct Case {
    std::size_t rounds;
    double median;
    std::size_t j;
  };
  for (const Case& c : {Case{6, (9 + 16) / 2.0, 1}, Case{31, 256, 10}, Case{100, 2550.5, 40}}) {
    SCOPED_TRACE(c.rounds);
    std::vector<double> reference;
    for (std::size_t k = c.rounds; k >= 1; --k) {
      reference.push_back(static_cast<double>(k * k));
    }
    const tune::Comparison comparison =
        tune::compare(reference, std::vector<double>(c.rounds, 1.0));
    EXPECT_EQ(comparison.speedup, c.median);
    EXPECT_EQ(comparison.low, static_cast<double>(c.j * c.j));
    const std::size_t high_rank = c.rounds + 1 - c.j;
    EXPECT_EQ(comparison.high, static_cast<double>(high_rank * high_rank));
  }
}

TEST(AcrossConfigurations, GeometricMeanOfEachRound) {
  const std::vector<double> means = tune::across_configurations({{1, 2, 4}, {4, 8, 1}, {16, 4, 2}});
  const std::vector<double> expected{4, 4, 2};
  ASSERT_EQ(means.size(), expected.size());
  for (std::size_t round = 0; round < means.size(); ++round) {
    EXPECT_DOUBLE_EQ(means[round], expected[round]) << "round " << round;
  }
}

TEST(Misuse, ThrowsInvalidArgument) {
  const std::vector<double> six(6, 1.0);
  const std::vector<double> five(5, 1.0);
  const std::vector<double> with_zero{1, 1, 1, 0, 1, 1};
  EXPECT_THROW(tune::compare(six, five), std::invalid_argument);
  EXPECT_THROW(tune::compare(five, five), std::invalid_argument);
  EXPECT_THROW(tune::compare(six, with_zero), std::invalid_argument);
  EXPECT_THROW(tune::decide({six, six}, 2), std::invalid_argument);
  EXPECT_THROW(tune::decide({six, six}, 0, -0.01), std::invalid_argument);
  EXPECT_THROW(tune::decide({six, with_zero}, 0), std::invalid_argument);
  EXPECT_THROW(tune::across_configurations({}), std::invalid_argument);
  EXPECT_THROW(tune::across_configurations({six, five}), std::invalid_argument);
}

}  // namespace
