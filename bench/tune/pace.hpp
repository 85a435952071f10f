#ifndef VEMO_NUMERIC_BENCH_TUNE_PACE_HPP
#define VEMO_NUMERIC_BENCH_TUNE_PACE_HPP

// Whether the machine held still while the tuner ran. Paired rounds cancel
// changes of pace that fall on every candidate alike, but not those that
// fall on some only: another thread on the same core (in a virtual machine,
// perhaps another machine's) takes the multiply-add units that the refined
// roots need and leaves the square-root unit to the instruction's roots.
// On an AMD EPYC Zen 4 under KVM that moved the refined roots of 48 doubles
// between 1.5 and 2.7 billion a second while the instruction's stayed at
// 1.8, and with them the length from which refining pays, from run to run.
// So the tuner times both kinds of root between its sweeps, and counts the
// time the other CPUs were busy; a run in which either moved is not one to
// take a row from.

#include "tuner.hpp"

#include "x86/cpu.hpp"
#include "x86/profile.hpp"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tune {

// The most a pace may fall below the fastest of the run, as a fraction,
// and the largest share of their time the other CPUs may be busy.
constexpr double largest_pace_change = 0.10;
constexpr double largest_other_cpus_busy = 0.10;

// How many times the tuner times a sweep during which the pace moved.
constexpr int sweep_attempts = 3;

class PaceWatch {
 public:
  // Watches the roots as `profile` runs them on `cpu`.
  PaceWatch(const detail::CpuDescription& cpu, const detail::Profile& profile);

  // Times the refined roots and the instruction's at 1,024 doubles (the
  // median of a few rounds) and reads how busy the other CPUs have been.
  void sample();

  // The samples taken so far.
  [[nodiscard]] std::size_t samples() const { return refined_paces_.size(); }
  // Whether the samples from `first` to the last (the one before a sweep and
  // the one after it) are each within largest_pace_change of the fastest of
  // the run.
  [[nodiscard]] bool held_since(std::size_t first) const;
  // Takes the sweep between sample `first` and the last as one whose
  // timings count.
  void accept_since(std::size_t first);

  // What the samples came to, in a line. steady() when every sweep taken
  // held its pace, judged against the fastest of the whole run, and the
  // other CPUs were busy no more than largest_other_cpus_busy of the time
  // (where the system says: Linux).
  [[nodiscard]] std::string summary() const;
  [[nodiscard]] bool steady() const;

 private:
  detail::CpuDescription cpu_;
  detail::Profile refined_;
  detail::Profile instruction_;
  std::vector<double> refined_paces_;
  std::vector<double> instruction_paces_;
  // Each sweep taken, as its first and one past its last sample.
  std::vector<std::pair<std::size_t, std::size_t>> accepted_;
  // From /proc/stat and this process's own times: busy and wall time of the
  // other CPUs, in seconds, since the first sample; negative where unknown.
  double other_busy_seconds_ = -1.0;
  double other_cpu_seconds_ = 0.0;
  struct Clocks {
    double all_busy;  // every CPU's busy time
    double own_busy;  // this process's
    double wall;
    unsigned cpus;
    bool known;
  };
  Clocks first_{};
};

}  // namespace tune

#endif  // VEMO_NUMERIC_BENCH_TUNE_PACE_HPP
