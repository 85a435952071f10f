#ifndef VEMO_NUMERIC_BENCH_TUNE_TUNER_HPP
#define VEMO_NUMERIC_BENCH_TUNE_TUNER_HPP

// The tuner's sweeps. Each measures one choice of the profile row on this
// machine, beside the library's sq_n or sqrt_n and the plain loop, and
// records it in the row it builds from the one this CPU takes now. The
// roots' sweeps are in root_sweeps.cpp, the squares' in square_sweeps.cpp.

#include "tune_kernels.hpp"
#include "ways.hpp"
#include "x86/cpu.hpp"
#include "x86/kernels.hpp"
#include "x86/profile.hpp"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tune {

namespace detail = vemo::numeric::detail;

struct Settings {
  bool quick = false;
  int rounds = 31;
  int memory_rounds = 7;
  // A timing makes enough calls to go over about this many elements.
  std::size_t elements_per_timing = std::size_t{1} << 19;
};

// What the tuner found, and the gains it measured: each a ratio of speeds,
// the tuned choice's over the library's now and over the plain loop.
struct Gain {
  std::string where;
  double over_library;
  double over_loop;
};

struct Tuned {
  detail::Profile profile;
  std::vector<Gain> gains;
  std::vector<std::string> notes;
};

// The instruction set whose refined roots a sweep measures.
struct RootSet {
  const char* name;
  ArrayFunction instruction;
  ArrayFunction instruction_streaming;
  const SweptSplit* swept;
  const detail::SplitKernels* menu;  // the menu's kernels, menu_count of them
  std::size_t menu_count;
  bool dispatched;  // the one sqrt_n takes on this CPU
};

class Tuner {
 public:
  Tuner(const Settings& settings, const detail::CpuDescription& cpu);

  // The split of each stretch of vectors, at 1,024 and 16,384 doubles,
  // positive and of mixed signs: the best of all swept and the best on the
  // menu, by the geometric mean of the four.
  detail::Split tune_split(const RootSet& set, detail::RootChoice& choice);

  // The length from which the chosen split's kernel is never slower than
  // the instruction's, among the lengths tried.
  void tune_refined_from(const RootSet& set, detail::RootChoice& choice);

  // The widest vectors sq_n takes at each size, on AVX-512F: 512-bit up to
  // the largest size where they are never slower than 256-bit ones.
  void tune_square_width();

  // How far ahead the refined roots prefetch x: in L2, in place beyond the
  // cache, and apart beyond it with streaming stores.
  void tune_prefetch(const RootSet& set, detail::Split split);

  // Whether refined roots or the instruction's run faster beyond the cache.
  void tune_refined_beyond_cache(const RootSet& set, detail::Split split);

  // The smallest share of the last-level cache from which streaming stores
  // are never slower than ordinary ones, out of place and read back at once.
  void tune_streaming();

  [[nodiscard]] const Tuned& tuned() const { return tuned_; }
  detail::Profile& profile() { return tuned_.profile; }
  // False once a swept split gave a root other than the scalar one.
  [[nodiscard]] bool bits_right() const { return bits_right_; }

 private:
  static std::string length_text(std::size_t length);

  // The sizes to try, in quick mode only the first.
  [[nodiscard]] std::vector<std::size_t> sizes(std::vector<std::size_t> all) const;
  // Enough calls of length n for one timing.
  [[nodiscard]] std::size_t calls_for(std::size_t n) const;
  // Sizes on memory's terms, in doubles, and whether in place: in L2; in
  // place at 128 MiB; apart at twice the reported last-level cache.
  [[nodiscard]] std::vector<std::pair<std::size_t, bool>> memory_sizes() const;
  // The length from which a call apart streams under the row now.
  [[nodiscard]] std::size_t streaming_size() const;
  // The shares of the last-level cache that streaming is tried at.
  [[nodiscard]] std::vector<unsigned> percents() const;

  // The menu's kernels and the swept kernels of a split.
  static const detail::SplitKernels* kernels_of(const RootSet& set, detail::Split split);
  static SweptSplit swept_of(const RootSet& set, detail::Split split);
  // Says so on stderr, and clears bits_right(), if `function` gives a root
  // other than the scalar one.
  void check_bits(const std::string& name, const ArrayCall& function);

  Settings settings_;
  const detail::CpuDescription& cpu_;
  Tuned tuned_;
  bool bits_right_ = true;
};

}  // namespace tune

#endif  // VEMO_NUMERIC_BENCH_TUNE_TUNER_HPP
