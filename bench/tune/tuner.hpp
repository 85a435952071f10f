#ifndef VEMO_NUMERIC_BENCH_TUNE_TUNER_HPP
#define VEMO_NUMERIC_BENCH_TUNE_TUNER_HPP

// The tuner: each choice of a profile row timed through the library's own
// dispatch, made by make_dispatch from this CPU's description and a
// candidate row, so that a candidate runs exactly as the library would run
// it. Each choice moves off the value in force only where another value is
// faster beyond the noise by the minimum effect (decide.hpp). The roots'
// choices are in root_sweeps.cpp, the squares' in square_sweeps.cpp, and the
// check of a whole row, end to end, in end_to_end.cpp.

#include "decide.hpp"
#include "row_text.hpp"
#include "ways.hpp"

#include "page_arrays.hpp"
#include "x86/cpu.hpp"
#include "x86/dispatch.hpp"
#include "x86/profile.hpp"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace tune {

struct Settings {
  bool quick = false;
  int rounds = 31;
  int memory_rounds = 11;
  // A timing makes enough calls to go over about this many elements.
  std::size_t elements_per_timing = std::size_t{1} << 18;
  double minimum_effect = default_minimum_effect;
};

// A kind of call that a choice is timed on.
struct Call {
  std::size_t n;
  bool roots;     // sqrt_n, or sq_n
  bool in_place;  // y == x, or y apart from x
  Kind kind;
  bool read_back;  // y read at once after the call, as a caller that uses it would
};

// What one choice came to, for the report.
struct Verdict {
  std::string choice;
  std::string in_force;
  std::string chosen;
  Comparison against_in_force;  // over the calls the choice was timed on
  bool within_noise;            // kept, though another value's median was faster
  // The values the chosen one neither beats nor is beaten by beyond the
  // noise: any of them would have done as well, as far as this run can tell.
  std::vector<std::string> tied;
};

// The end-to-end ratios of a row in one class of calls.
struct ClassRatio {
  std::string name;
  Comparison over_in_force;
  double over_loop;
};

class Tuner {
 public:
  Tuner(const Settings& settings, const detail::CpuDescription& cpu, const RowText& start);

  // The roots' split, the length from which they are refined, and how far
  // ahead the refined roots prefetch, for the instruction set the dispatch
  // takes on this CPU; and whether refined roots run beyond the cache.
  void tune_split();
  void tune_refined_from();
  void tune_prefetch();
  void tune_refined_beyond_cache();
  // sq_n's vector width by length (AVX-512F), and the share of the cache
  // beyond which calls apart take streaming stores.
  void tune_square_width();
  void tune_streaming();

  // Times `tuned` against `reference` and the plain loop, end to end through
  // sq_n and sqrt_n: short calls, L1, L2, the last-level cache and beyond,
  // in place and apart.
  [[nodiscard]] std::vector<ClassRatio> end_to_end(const detail::Profile& tuned,
                                                   const detail::Profile& reference) const;
  // Until no class of end_to_end is slower than the row in force beyond the
  // noise, puts back the value in force of the choice most likely the cause.
  std::vector<ClassRatio> keep_no_slower();

  [[nodiscard]] const RowText& start() const { return start_; }
  [[nodiscard]] const detail::Profile& tuned() const { return tuned_; }
  [[nodiscard]] const std::vector<Verdict>& verdicts() const { return verdicts_; }
  [[nodiscard]] const std::vector<std::string>& notes() const { return notes_; }
  // False once a candidate gave a result other than the scalar functions'.
  [[nodiscard]] bool bits_right() const { return bits_right_; }

 private:
  // The roots' choice for the instruction set the dispatch takes here.
  [[nodiscard]] detail::RootChoice& roots(detail::Profile& profile) const;
  [[nodiscard]] const detail::RootChoice& roots(const detail::Profile& profile) const;

  // times[profile][call][round], seconds per element, every profile run
  // through the dispatch made for it, interleaved.
  [[nodiscard]] std::vector<std::vector<std::vector<double>>> time_each_call(
      const std::vector<detail::Profile>& profiles, const std::vector<Call>& calls, int rounds);
  // times[profile][round] over all of `calls`: the geometric mean of their
  // times in each round.
  [[nodiscard]] std::vector<std::vector<double>> time_profiles(
      const std::vector<detail::Profile>& profiles, const std::vector<Call>& calls, int rounds);
  // Records and prints what a choice came to.
  void report(const std::string& choice, const std::vector<std::string>& names,
              const std::vector<Comparison>& against_in_force, std::size_t in_force,
              const Decision& decision, const std::vector<bool>& tied);

  // Decides between `candidates` (their names for the report) on `calls`,
  // from the one in force, and records the verdict.
  std::size_t decide_and_report(const std::string& choice,
                                const std::vector<detail::Profile>& candidates,
                                const std::vector<std::string>& names, std::size_t in_force,
                                const std::vector<Call>& calls, int rounds);

  // Decides a choice given as a number: the row in force with the field set
  // to each of `values`, and to the value in force where it is not among
  // them. Where the value is a length from which calls change their way
  // (`switch_at` gives that length), two values are compared on the calls
  // they run differently alone, those from one length to the other, so that
  // a value's effect is not diluted by calls it leaves as they were: the
  // value in force stays unless another beats it there beyond the noise by
  // the minimum effect, and then the value nearest it that no other beats
  // wins. Otherwise all values are decided on all of `calls` together
  // (decide.hpp). Returns the value chosen.
  std::size_t decide_value(const std::string& choice, const std::vector<std::size_t>& values,
                           std::size_t in_force,
                           const std::function<void(detail::Profile&, std::size_t)>& set,
                           const std::function<std::string(std::size_t)>& name,
                           const std::function<std::size_t(std::size_t)>& switch_at,
                           const std::vector<Call>& calls, int rounds);

  // Sizes in doubles: the share `percent` of the last-level cache for two
  // arrays apart.
  [[nodiscard]] std::size_t apart_doubles(unsigned percent) const;
  [[nodiscard]] std::vector<std::size_t> lengths(std::vector<std::size_t> all) const;
  [[nodiscard]] std::size_t calls_for(std::size_t n) const;
  void check_bits(const detail::Profile& profile);

  Settings settings_;
  detail::CpuDescription cpu_;
  RowText start_;
  detail::Profile tuned_;
  std::vector<Verdict> verdicts_;
  std::vector<std::string> notes_;
  bool bits_right_ = true;
};

// The roots' choice a profile makes for the instruction set the dispatch
// takes: AVX-512F's where the CPU has it, AVX2's otherwise.
inline detail::RootChoice& roots_of(detail::Profile& profile, bool avx512f) {
  return avx512f ? profile.avx512f_roots : profile.avx2_roots;
}
inline const detail::RootChoice& roots_of(const detail::Profile& profile, bool avx512f) {
  return avx512f ? profile.avx512f_roots : profile.avx2_roots;
}

// The dispatch the library would make on `cpu` under `profile`, and a call
// of sq_n or sqrt_n as it runs under it.
detail::Dispatch dispatch_under(const detail::CpuDescription& cpu, const detail::Profile& profile);
ArrayCall call_under(const detail::Dispatch& d, const Call& call);

}  // namespace tune

#endif  // VEMO_NUMERIC_BENCH_TUNE_TUNER_HPP
