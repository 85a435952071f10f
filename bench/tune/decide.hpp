#ifndef VEMO_NUMERIC_BENCH_TUNE_DECIDE_HPP
#define VEMO_NUMERIC_BENCH_TUNE_DECIDE_HPP

// The tuner's decisions: which of several ways of doing a call to put in the
// profile row, from their times in interleaved rounds. Sample k of every way
// comes from round k, so the ways are compared round by round, as ratios, and
// the machine's changes of pace between rounds cancel out. A way replaces the
// one in force only when it is faster beyond the noise, so the row does not
// flip from one run to the next.
//
// The rule. For each round k, the speedup of a candidate over the value in
// force is times[in_force][k] / times[candidate][k]. Sorted, these n ratios give
// the median speedup (the mean of the middle two when n is even) and a
// distribution-free confidence interval of it of at least 95%: the j-th
// smallest and j-th largest ratio, where j is the largest count with
// P(B < j) <= 2.5% for B ~ Binomial(n, 1/2) (for 31 rounds, the 10th and
// 22nd, 97.1%). A candidate other than the one in force qualifies when the
// low end of its interval exceeds 1 + minimum_effect. The value in force is
// kept when none qualifies. Otherwise the fastest qualifying candidate (the
// largest median speedup), and every qualifying one that it does not beat
// by the same rule, count as equally fast, and the first of them in the
// order given is chosen: where several values are within noise of each
// other, run after run takes the same one (the tuner lists values nearest
// the one in force first).

#include <cstddef>
#include <vector>

namespace tune {

// The least gain, as a fraction, worth changing a profile row for.
constexpr double default_minimum_effect = 0.03;

// The fewest rounds with a 95% interval from order statistics: with n rounds
// the widest one, smallest to largest ratio, covers 1 - 2^(1-n).
constexpr std::size_t minimum_rounds = 6;

// One candidate against a reference, from the ratios reference / candidate
// paired by round: above 1 when the candidate is faster.
struct Comparison {
  double speedup;  // the median ratio
  double low;      // the interval of that median, as in the rule above
  double high;
};

// The candidate's speedup over the reference. Both are times of the same
// rounds, each at least minimum_rounds long, every time positive and finite;
// otherwise throws std::invalid_argument.
Comparison compare(const std::vector<double>& reference, const std::vector<double>& candidate);

struct Decision {
  std::size_t chosen;  // index into the times decided on
  // The value in force was kept though another candidate's median was faster.
  bool within_noise;
  // The chosen candidate against the value in force: speedup 1 on [1, 1]
  // when the value in force was kept.
  Comparison against_in_force;
};

// times[candidate][round], lower is better: chooses by the rule above.
// Throws std::invalid_argument unless every series is valid for compare(),
// in_force indexes one of them and minimum_effect is finite and not negative.
Decision decide(const std::vector<std::vector<double>>& times, std::size_t in_force,
                double minimum_effect = default_minimum_effect);

// per_configuration[configuration][round] -> result[round], the geometric
// mean of the round's times over the configurations (sizes, in place and
// apart, ...), for one choice to be decided on all of them together. A ratio
// of two such means is the geometric mean of the configurations' ratios, so
// each configuration weighs the same whatever its scale. Throws
// std::invalid_argument on no configuration, series of unequal lengths, or a
// time not positive and finite.
std::vector<double> across_configurations(
    const std::vector<std::vector<double>>& per_configuration);

}  // namespace tune

#endif  // VEMO_NUMERIC_BENCH_TUNE_DECIDE_HPP
