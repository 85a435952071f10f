// Measures, on the machine it runs on, each choice that sq_n and sqrt_n make
// by processor model, and prints the profile row that suits this CPU, ready
// to paste into numeric/src/x86/profiles.cpp, with its gains over the row
// the library takes now and over a plain loop built for this machine.
//
//   numeric_tune [--quick]
//
// Every way is timed in interleaved rounds, each round in a fresh random
// order, and keeps its fastest; the library's own sq_n and sqrt_n run in
// the same rounds. A full run takes a minute or two and up to four times
// the reported last-level cache in memory; --quick only checks that every
// way runs and gives the right bits, in a few seconds. Exits 0 when it has
// printed a row, 1 when a way gave wrong bits, 2 when it cannot run here.
#include <vemo/numeric.hpp>

#include "array_kernels.hpp"
#include "array_loops.hpp"
#include "page_arrays.hpp"
#include "tune_kernels.hpp"
#include "x86/cpu.hpp"
#include "x86/kernels.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#ifdef VEMO_NUMERIC_X86_KERNELS

namespace {

namespace detail = vemo::numeric::detail;
using ArrayFunction = void (*)(const double* x, std::size_t n, double* y);

struct Settings {
  bool quick = false;
  int rounds = 31;
  int memory_rounds = 7;
  // A timing makes enough calls to go over about this many elements.
  std::size_t elements_per_timing = std::size_t{1} << 19;
};

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

std::mt19937& engine() {
  static std::mt19937 shuffled(20261209);
  return shuffled;
}

// Runs every way of every configuration `rounds` times, in a new random
// order each round, so that the machine's changes of pace, which a shared
// machine has, fall on all of them alike.
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

// A way that calls `function` on x, y, n `calls` times.
Way way_of(std::string name,
           const std::function<void(const double*, std::size_t, double*)>& function,
           const double* x, std::size_t n, double* y, std::size_t calls) {
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

std::string split_name(unsigned refined, unsigned instruction) {
  return std::to_string(refined) + ":" + std::to_string(instruction);
}

// Whether every root `function` gives on `arrays` is the scalar root.
bool gives_scalar_roots(const std::function<void(const double*, std::size_t, double*)>& function,
                        const Arrays& arrays) {
  function(arrays.x(), arrays.size(), arrays.y());
  const auto bits = [](double value) {
    std::uint64_t b = 0;
    std::memcpy(&b, &value, sizeof b);
    return b;
  };
  for (std::size_t i = 0; i < arrays.size(); ++i) {
    if (bits(arrays.y()[i]) != bits(vemo::numeric::sqrt(arrays.x()[i]))) {
      return false;
    }
  }
  return true;
}

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
  Tuner(const Settings& settings, const detail::CpuDescription& cpu)
      : settings_(settings), cpu_(cpu) {
    tuned_.profile = cpu.row->profile;
  }

  // The split of each stretch of vectors, at 1,024 and 16,384 doubles,
  // positive and of mixed signs: the best of all swept and the best on the
  // menu, by the geometric mean of the four.
  detail::Split tune_split(const RootSet& set, detail::RootChoice& choice) {
    std::vector<std::vector<Way>> configurations;
    std::vector<std::unique_ptr<Arrays>> arrays;
    for (const std::size_t n : sizes({1024, 16384})) {
      for (const Kind kind : {Kind::positive, Kind::mixed}) {
        arrays.push_back(std::make_unique<Arrays>(n, kind));
        const Arrays& a = *arrays.back();
        const std::size_t calls = calls_for(n);
        std::vector<Way> ways = {way_of("0:1", set.instruction, a.x(), n, a.y(), calls),
                                 way_of("loop", sqrt_loop_native, a.x(), n, a.y(), calls)};
        if (set.dispatched) {
          ways.push_back(way_of("sqrt_n", vemo::numeric::sqrt_n, a.x(), n, a.y(), calls));
        }
        for (std::size_t s = 0; s < swept_split_count; ++s) {
          const SweptSplit split = set.swept[s];
          const std::size_t ahead = tuned_.profile.prefetch_bytes;
          ways.push_back(way_of(
              split_name(split.refined, split.instruction),
              [split, ahead](const double* x, std::size_t n_, double* y) {
                split.cached(x, n_, y, ahead);
              },
              a.x(), n, a.y(), calls));
          check_bits(ways.back().name, [split](const double* x, std::size_t n_, double* y) {
            split.cached(x, n_, y, 0);
          });
        }
        configurations.push_back(std::move(ways));
      }
    }
    time_in_rounds(configurations, settings_.rounds);
    // Each way's geometric mean over the configurations.
    const auto score = [&](const std::string& name) {
      std::vector<double> rates;
      rates.reserve(configurations.size());
      for (const std::vector<Way>& ways : configurations) {
        rates.push_back(way_named(ways, name).billions_per_second());
      }
      return geometric_mean(rates);
    };
    std::printf("\n%s roots, billions a second at 1,024 / 16,384 doubles, positive / mixed:\n",
                set.name);
    std::string best_swept = "0:1";
    for (const Way& way : configurations.front()) {
      std::printf("  %-7s", way.name.c_str());
      for (const std::vector<Way>& ways : configurations) {
        std::printf(" %6.2f", way_named(ways, way.name).billions_per_second());
      }
      std::printf("   mean %6.2f\n", score(way.name));
      if (way.name.find(':') != std::string::npos && score(way.name) > score(best_swept)) {
        best_swept = way.name;
      }
    }
    detail::Split best_on_menu = set.menu[0].split;
    for (std::size_t m = 0; m < set.menu_count; ++m) {
      const detail::Split split = set.menu[m].split;
      if (score(split_name(split.refined, split.instruction)) >
          score(split_name(best_on_menu.refined, best_on_menu.instruction))) {
        best_on_menu = split;
      }
    }
    const std::string chosen = split_name(best_on_menu.refined, best_on_menu.instruction);
    std::printf("  best swept %s; best on the menu %s, %.2f of it\n", best_swept.c_str(),
                chosen.c_str(), score(chosen) / score(best_swept));
    if (best_swept == "0:1") {
      tuned_.notes.push_back(std::string(set.name) + ": the instruction alone ran fastest, " +
                             format_ratio(score(best_swept) / score(chosen)) +
                             " the best split; measure again, and if it holds, refine from never");
    } else if (chosen != best_swept) {
      tuned_.notes.push_back(std::string(set.name) + ": the best split swept, " + best_swept +
                             ", is not on the menu; adding it to kernels.hpp would gain " +
                             format_ratio(score(best_swept) / score(chosen)));
    }
    choice.split = best_on_menu;
    if (set.dispatched) {
      tuned_.gains.push_back({"roots at 1,024 and 16,384 doubles", score(chosen) / score("sqrt_n"),
                              score(chosen) / score("loop")});
    }
    return best_on_menu;
  }

  // The length from which the chosen split's kernel is never slower than
  // the instruction's, among the lengths tried.
  void tune_refined_from(const RootSet& set, detail::RootChoice& choice) {
    const detail::SplitKernels* kernels = kernels_of(set, choice.split);
    const std::vector<std::size_t> lengths =
        sizes({8, 16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 1024});
    Arrays arrays(lengths.back(), Kind::mixed);
    std::vector<std::vector<Way>> by_length;
    for (const std::size_t n : lengths) {
      const std::size_t calls = calls_for(n);
      by_length.push_back({way_of("instruction", set.instruction, arrays.x(), n, arrays.y(), calls),
                           way_of("refined", kernels->cached, arrays.x(), n, arrays.y(), calls)});
    }
    time_in_rounds(by_length, settings_.rounds);
    std::printf("\n%s roots, split %s against the instruction, nanoseconds a call:\n", set.name,
                split_name(choice.split.refined, choice.split.instruction).c_str());
    choice.refined_from = detail::never;
    for (std::size_t i = lengths.size(); i-- > 0;) {
      const double instruction = by_length[i][0].per_call();
      const double refined = by_length[i][1].per_call();
      if (refined > instruction) {
        break;
      }
      choice.refined_from = lengths[i];
    }
    for (std::size_t i = 0; i < lengths.size(); ++i) {
      std::printf("  %5zu: %8.1f / %8.1f\n", lengths[i], by_length[i][1].per_call() * 1e9,
                  by_length[i][0].per_call() * 1e9);
    }
    std::printf("  refined from %s\n", length_text(choice.refined_from).c_str());
  }

  // The widest vectors sq_n takes at each size, on AVX-512F: 512-bit up to
  // the largest size where they are never slower than 256-bit ones.
  void tune_square_width() {
    if (!cpu_.signature.avx512f) {
      return;
    }
    const std::vector<std::size_t> lengths =
        sizes({1024, 2048, 4096, 8192, 16384, 32768, 65536, 262144});
    std::vector<std::unique_ptr<Arrays>> arrays;
    std::vector<std::vector<Way>> by_length;
    for (const std::size_t n : lengths) {
      arrays.push_back(std::make_unique<Arrays>(n, Kind::mixed));
      const Arrays& a = *arrays.back();
      const std::size_t calls = calls_for(n);
      std::vector<Way> ways;
      for (const bool in_place : {false, true}) {
        const double* x = in_place ? a.y() : a.x();
        const std::string use = in_place ? "_in_place" : "";
        ways.push_back(way_of("512" + use, detail::sq_n_avx512f, x, n, a.y(), calls));
        ways.push_back(way_of("256" + use, detail::sq_n_avx2, x, n, a.y(), calls));
        ways.push_back(way_of("sq_n" + use, vemo::numeric::sq_n, x, n, a.y(), calls));
        ways.push_back(way_of("loop" + use, sq_loop_native, x, n, a.y(), calls));
      }
      by_length.push_back(std::move(ways));
    }
    time_in_rounds(by_length, settings_.rounds);
    std::printf("\nsq_n, billions a second: 512-bit / 256-bit / sq_n / loop, apart | in place:\n");
    std::vector<double> tuned_over_library;
    std::vector<double> tuned_over_loop;
    std::size_t up_to = detail::never;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
      const std::vector<Way>& ways = by_length[i];
      std::printf("  %7zu:", lengths[i]);
      bool wider_wins = true;
      for (const std::string use : {"", "_in_place"}) {
        const double wide = way_named(ways, "512" + use).billions_per_second();
        const double narrow = way_named(ways, "256" + use).billions_per_second();
        std::printf(" %6.2f / %6.2f / %6.2f / %6.2f %s", wide, narrow,
                    way_named(ways, "sq_n" + use).billions_per_second(),
                    way_named(ways, "loop" + use).billions_per_second(), use.empty() ? "|" : "\n");
        wider_wins = wider_wins && wide >= 0.98 * narrow;
        const double tuned = std::max(wide, narrow);
        tuned_over_library.push_back(tuned / way_named(ways, "sq_n" + use).billions_per_second());
        tuned_over_loop.push_back(tuned / way_named(ways, "loop" + use).billions_per_second());
      }
      // 512-bit vectors up to the length before the first they lose at.
      if (!wider_wins && up_to == detail::never) {
        up_to = i == 0 ? 0 : lengths[i - 1];
      }
    }
    tuned_.profile.sq_512_bit_up_to = up_to;
    std::printf("  512-bit vectors up to %s\n", length_text(up_to).c_str());
    tuned_.gains.push_back({"sq_n from 8 KiB to 2 MiB per array",
                            geometric_mean(tuned_over_library), geometric_mean(tuned_over_loop)});
  }

  // How far ahead the refined roots prefetch x: in L2, in place beyond the
  // cache, and apart beyond it with streaming stores.
  void tune_prefetch(const RootSet& set, detail::Split split) {
    const SweptSplit swept = swept_of(set, split);
    std::vector<std::unique_ptr<Arrays>> arrays;
    std::vector<std::vector<Way>> configurations;
    for (const auto& [n, in_place] : memory_sizes()) {
      arrays.push_back(std::make_unique<Arrays>(n, Kind::positive));
      const Arrays& a = *arrays.back();
      const double* x = in_place ? a.y() : a.x();
      const TunedKernel kernel = in_place || n < streaming_size() ? swept.cached : swept.streaming;
      std::vector<Way> ways;
      for (const std::size_t bytes : {0U, 512U, 1024U, 2048U, 3072U, 4096U}) {
        ways.push_back(way_of(
            std::to_string(bytes),
            [kernel, bytes](const double* x_, std::size_t n_, double* y) {
              kernel(x_, n_, y, bytes);
            },
            x, n, a.y(), calls_for(n)));
      }
      configurations.push_back(std::move(ways));
    }
    time_in_rounds(configurations, settings_.memory_rounds);
    std::printf("\n%s roots, split %s, billions a second by prefetch distance:\n", set.name,
                split_name(split.refined, split.instruction).c_str());
    std::size_t best = 0;
    double best_score = 0.0;
    for (std::size_t w = 0; w < configurations.front().size(); ++w) {
      std::vector<double> rates;
      std::printf("  %5s bytes:", configurations.front()[w].name.c_str());
      for (const std::vector<Way>& ways : configurations) {
        rates.push_back(ways[w].billions_per_second());
        std::printf(" %6.3f", rates.back());
      }
      const double score = geometric_mean(rates);
      std::printf("   mean %6.3f\n", score);
      if (score > best_score) {
        best_score = score;
        best = std::stoul(configurations.front()[w].name);
      }
    }
    tuned_.profile.prefetch_bytes = best;
    std::printf("  prefetch %zu bytes ahead\n", best);
  }

  // Whether refined roots or the instruction's run faster beyond the cache.
  void tune_refined_beyond_cache(const RootSet& set, detail::Split split) {
    const SweptSplit swept = swept_of(set, split);
    const std::size_t ahead = tuned_.profile.prefetch_bytes;
    std::vector<std::unique_ptr<Arrays>> arrays;
    std::vector<std::vector<Way>> configurations;
    std::vector<std::pair<std::size_t, bool>> beyond;
    for (const auto& [n, in_place] : memory_sizes()) {
      if (n <= 65536) {
        continue;
      }
      beyond.emplace_back(n, in_place);
      arrays.push_back(std::make_unique<Arrays>(n, Kind::positive));
      const Arrays& a = *arrays.back();
      const double* x = in_place ? a.y() : a.x();
      const bool streaming = !in_place && n >= streaming_size();
      const TunedKernel refined = streaming ? swept.streaming : swept.cached;
      configurations.push_back(
          {way_of(
               "refined",
               [refined, ahead](const double* x_, std::size_t n_, double* y) {
                 refined(x_, n_, y, ahead);
               },
               x, n, a.y(), 1),
           way_of("instruction", streaming ? set.instruction_streaming : set.instruction, x, n,
                  a.y(), 1),
           way_of("sqrt_n", vemo::numeric::sqrt_n, x, n, a.y(), 1),
           way_of("loop", sqrt_loop_native, x, n, a.y(), 1)});
    }
    if (configurations.empty()) {
      return;
    }
    time_in_rounds(configurations, settings_.memory_rounds);
    std::printf(
        "\n%s roots beyond the cache, billions a second: refined / instruction / sqrt_n / "
        "loop\n",
        set.name);
    std::vector<double> refined_over_instruction;
    std::vector<double> tuned_over_library;
    std::vector<double> tuned_over_loop;
    for (std::size_t i = 0; i < configurations.size(); ++i) {
      const std::vector<Way>& ways = configurations[i];
      const double r = way_named(ways, "refined").billions_per_second();
      const double in = way_named(ways, "instruction").billions_per_second();
      const double library = way_named(ways, "sqrt_n").billions_per_second();
      const double loop = way_named(ways, "loop").billions_per_second();
      std::printf("  %5zu MiB %-8s: %6.3f / %6.3f / %6.3f / %6.3f\n",
                  beyond[i].first * sizeof(double) >> 20U, beyond[i].second ? "in place" : "apart",
                  r, in, library, loop);
      refined_over_instruction.push_back(r / in);
      tuned_over_library.push_back(std::max(r, in) / library);
      tuned_over_loop.push_back(std::max(r, in) / loop);
    }
    tuned_.profile.refined_beyond_cache = geometric_mean(refined_over_instruction) >= 1.0;
    std::printf("  refined beyond the cache: %s\n",
                tuned_.profile.refined_beyond_cache ? "yes" : "no");
    tuned_.gains.push_back({"roots beyond the cache", geometric_mean(tuned_over_library),
                            geometric_mean(tuned_over_loop)});
  }

  // The smallest share of the last-level cache from which streaming stores
  // are never slower than ordinary ones, out of place and read back at once.
  void tune_streaming() {
    std::vector<std::unique_ptr<Arrays>> arrays;
    std::vector<std::vector<Way>> by_percent;
    for (const unsigned percent : percents()) {
      const std::size_t n = cpu_.last_level_cache_bytes / 100 * percent / (2 * sizeof(double));
      // The width the tuned sq_n takes at this size.
      const bool wide = cpu_.signature.avx512f && n <= tuned_.profile.sq_512_bit_up_to;
      const ArrayFunction cached = wide ? detail::sq_n_avx512f : detail::sq_n_avx2;
      const ArrayFunction streaming =
          wide ? detail::sq_n_avx512f_streaming : detail::sq_n_avx2_streaming;
      arrays.push_back(std::make_unique<Arrays>(n, Kind::mixed));
      const Arrays& a = *arrays.back();
      std::vector<Way> ways;
      for (const bool read_back : {false, true}) {
        const std::string use = read_back ? "_read_back" : "";
        const std::array<std::pair<std::string, ArrayFunction>, 4> stores = {
            {{"ordinary", cached},
             {"streaming", streaming},
             {"sq_n", vemo::numeric::sq_n},
             {"loop", sq_loop_native}}};
        for (const auto& store : stores) {
          const ArrayFunction function = store.second;
          ways.push_back(way_of(
              store.first + use,
              [function, read_back](const double* x, std::size_t n_, double* y) {
                function(x, n_, y);
                if (read_back) {
                  fold(y, n_);
                }
              },
              a.x(), n, a.y(), 1));
        }
      }
      by_percent.push_back(std::move(ways));
    }
    time_in_rounds(by_percent, settings_.memory_rounds);
    std::printf(
        "\nsq_n's stores by size (percent of the %zu MiB cache reported), billions a "
        "second:\n  ordinary / streaming, apart | read back at once\n",
        cpu_.last_level_cache_bytes >> 20U);
    unsigned from_percent = 0;
    std::vector<double> tuned_over_library;
    std::vector<double> tuned_over_loop;
    for (std::size_t i = 0; i < percents().size(); ++i) {
      const unsigned percent = percents()[i];
      const std::vector<Way>& ways = by_percent[i];
      std::printf("  %4u%%:", percent);
      bool streaming_wins = true;
      for (const std::string use : {"", "_read_back"}) {
        const double o = way_named(ways, "ordinary" + use).billions_per_second();
        const double s = way_named(ways, "streaming" + use).billions_per_second();
        std::printf(" %6.3f / %6.3f %s", o, s, use.empty() ? "|" : "\n");
        streaming_wins = streaming_wins && s >= 0.98 * o;
        if (percent >= 100) {
          tuned_over_library.push_back(std::max(o, s) /
                                       way_named(ways, "sq_n" + use).billions_per_second());
          tuned_over_loop.push_back(std::max(o, s) /
                                    way_named(ways, "loop" + use).billions_per_second());
        }
      }
      // From the smallest share where streaming wins and keeps winning.
      if (!streaming_wins) {
        from_percent = 0;
      } else if (from_percent == 0) {
        from_percent = percent;
      }
    }
    // Streaming lost at the largest size tried: never within what was tried.
    tuned_.profile.beyond_cache_percent = from_percent == 0 ? 2 * percents().back() : from_percent;
    std::printf("  beyond the cache from %u%% of it\n", tuned_.profile.beyond_cache_percent);
    if (!tuned_over_library.empty()) {
      tuned_.gains.push_back({"sq_n beyond the cache", geometric_mean(tuned_over_library),
                              geometric_mean(tuned_over_loop)});
    }
  }

  [[nodiscard]] const Tuned& tuned() const { return tuned_; }
  detail::Profile& profile() { return tuned_.profile; }
  [[nodiscard]] bool bits_right() const { return bits_right_; }

 private:
  // Reads all of y back, as a caller that uses the results at once would.
  static void fold(const double* y, std::size_t n) {
    std::uint64_t folded = 0;
    for (std::size_t i = 0; i < n; ++i) {
      std::uint64_t bits = 0;
      std::memcpy(&bits, y + i, sizeof bits);
      folded ^= bits;
    }
    folded_ = folded_ ^ folded;
  }

  static std::string format_ratio(double ratio) {
    std::array<char, 16> text{};
    std::snprintf(text.data(), text.size(), "%.2fx", ratio);
    return text.data();
  }

  static std::string length_text(std::size_t length) {
    return length == detail::never ? "never (the instruction alone)" : std::to_string(length);
  }

  // The sizes to try, in quick mode only the first.
  [[nodiscard]] std::vector<std::size_t> sizes(std::vector<std::size_t> all) const {
    if (settings_.quick) {
      all.resize(2);
    }
    return all;
  }

  [[nodiscard]] std::size_t calls_for(std::size_t n) const {
    return std::max<std::size_t>(1, settings_.elements_per_timing / n);
  }

  // Sizes on memory's terms, in doubles, and whether in place: in L2; in
  // place at 128 MiB; apart at twice the reported last-level cache.
  [[nodiscard]] std::vector<std::pair<std::size_t, bool>> memory_sizes() const {
    if (settings_.quick) {
      return {{16384, false}, {std::size_t{1} << 18, true}};
    }
    return {{16384, false},
            {std::size_t{16} << 20, true},
            {2 * cpu_.last_level_cache_bytes / sizeof(double), false}};
  }

  // The length from which a call apart streams under the row now.
  [[nodiscard]] std::size_t streaming_size() const {
    return cpu_.last_level_cache_bytes / 100 * tuned_.profile.beyond_cache_percent /
           (2 * sizeof(double));
  }

  [[nodiscard]] std::vector<unsigned> percents() const {
    if (settings_.quick) {
      return {1};
    }
    return {3, 6, 12, 25, 50, 100, 200};
  }

  static const detail::SplitKernels* kernels_of(const RootSet& set, detail::Split split) {
    for (std::size_t m = 0; m < set.menu_count; ++m) {
      if (set.menu[m].split == split) {
        return &set.menu[m];
      }
    }
    return &set.menu[0];
  }

  static SweptSplit swept_of(const RootSet& set, detail::Split split) {
    for (std::size_t s = 0; s < swept_split_count; ++s) {
      if (set.swept[s].refined == split.refined && set.swept[s].instruction == split.instruction) {
        return set.swept[s];
      }
    }
    return set.swept[0];
  }

  void check_bits(const std::string& name,
                  const std::function<void(const double*, std::size_t, double*)>& function) {
    static const Arrays checked(4099, Kind::mixed);
    if (!gives_scalar_roots(function, checked)) {
      std::fprintf(stderr, "numeric_tune: split %s gave wrong roots\n", name.c_str());
      bits_right_ = false;
    }
  }

  static inline volatile std::uint64_t folded_ = 0;
  Settings settings_;
  const detail::CpuDescription& cpu_;
  Tuned tuned_;
  bool bits_right_ = true;
};

std::string cpu_model_name() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0 && line.find(": ") != std::string::npos) {
      return line.substr(line.find(": ") + 2);
    }
  }
  return "unknown CPU";
}

std::string today() {
  const std::time_t now = std::time(nullptr);
  std::array<char, 16> text{};
  std::strftime(text.data(), text.size(), "%Y-%m-%d", std::gmtime(&now));
  return text.data();
}

std::string hex(unsigned value) {
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "0x%02X", value);
  return text.data();
}

std::string length_in_row(std::size_t length) {
  return length == detail::never ? "never" : std::to_string(length);
}

std::string choice_in_row(const detail::RootChoice& choice) {
  return "{{" + std::to_string(choice.split.refined) + ", " +
         std::to_string(choice.split.instruction) + "}, " + length_in_row(choice.refined_from) +
         "}";
}

void print_row(const detail::CpuDescription& cpu, const Tuned& tuned) {
  const detail::CpuSignature& s = cpu.signature;
  const std::string vendor = s.vendor == detail::Vendor::intel ? "intel"
                             : s.vendor == detail::Vendor::amd ? "amd"
                                                               : "other";
  const detail::Profile& p = tuned.profile;
  std::printf("\nThe row for this CPU (widen its model range where other models are alike):\n\n");
  std::printf("    {\"%s_family_%s_model_%s\",\n", vendor.c_str(), hex(s.family).c_str(),
              hex(s.model).c_str());
  std::printf("     {Vendor::%s, %s, %s, %s, %s},\n", vendor.c_str(), hex(s.family).c_str(),
              hex(s.model).c_str(), hex(s.model).c_str(), s.avx512f ? "true" : "false");
  std::printf("     {%s, %s, %s, %zu, %u, %s},\n", choice_in_row(p.avx512f_roots).c_str(),
              choice_in_row(p.avx2_roots).c_str(), length_in_row(p.sq_512_bit_up_to).c_str(),
              p.prefetch_bytes, p.beyond_cache_percent, p.refined_beyond_cache ? "true" : "false");
  std::printf("     \"%s, family %s model %s, %s\"},\n\n", cpu_model_name().c_str(),
              hex(s.family).c_str(), hex(s.model).c_str(), today().c_str());
  std::printf(
      "Its gains, in speed, over the row this CPU takes now (\"%s\") and over the plain "
      "loop (-O3 -march=native -fno-math-errno):\n",
      cpu.row->name);
  for (const Gain& gain : tuned.gains) {
    std::printf("  %-36s %5.2fx  %5.2fx\n", gain.where.c_str(), gain.over_library, gain.over_loop);
  }
  for (const std::string& note : tuned.notes) {
    std::printf("Note: %s\n", note.c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      settings.quick = true;
      settings.rounds = 2;
      settings.memory_rounds = 1;
      settings.elements_per_timing = std::size_t{1} << 14;
    } else {
      std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
      return 2;
    }
  }
  const detail::CpuDescription& cpu = detail::cpu();
  const detail::CpuSignature& s = cpu.signature;
  std::printf(
      "%s: family %s model %s, %s; last-level cache %zu MiB reported; takes row \"%s\" "
      "(%s)%s\n",
      cpu_model_name().c_str(), hex(s.family).c_str(), hex(s.model).c_str(),
      s.avx512f         ? "AVX-512F"
      : s.avx2 && s.fma ? "AVX2 and FMA"
                        : "no AVX2 with FMA",
      cpu.last_level_cache_bytes >> 20U, cpu.row->name, cpu.row->measured,
      settings.quick ? "; quick mode: a smoke test, not a row for the table" : "");
  if (!s.avx2 || !s.fma) {
    std::fprintf(stderr,
                 "numeric_tune: this CPU has no AVX2 with FMA, so it has nothing to tune\n");
    return 2;
  }
  Tuner tuner(settings, cpu);
  const RootSet avx2{"AVX2",
                     detail::sqrt_n_avx2,
                     detail::sqrt_n_avx2_streaming,
                     avx2_swept_splits.data(),
                     detail::avx2_split_kernels.data(),
                     detail::avx2_split_count,
                     !s.avx512f};
  const RootSet avx512f{"AVX-512F",
                        detail::sqrt_n_avx512f,
                        detail::sqrt_n_avx512f_streaming,
                        avx512f_swept_splits.data(),
                        detail::avx512f_split_kernels.data(),
                        detail::avx512f_split_count,
                        true};
  detail::Profile& profile = tuner.profile();
  detail::Split dispatched = tuner.tune_split(avx2, profile.avx2_roots);
  tuner.tune_refined_from(avx2, profile.avx2_roots);
  const RootSet* roots = &avx2;
  if (s.avx512f) {
    dispatched = tuner.tune_split(avx512f, profile.avx512f_roots);
    tuner.tune_refined_from(avx512f, profile.avx512f_roots);
    roots = &avx512f;
  }
  tuner.tune_square_width();
  tuner.tune_streaming();
  tuner.tune_prefetch(*roots, dispatched);
  tuner.tune_refined_beyond_cache(*roots, dispatched);
  print_row(cpu, tuner.tuned());
  return tuner.bits_right() ? 0 : 1;
}

#else

int main() {
  std::fprintf(stderr, "numeric_tune: this build has no x86 kernels, so it has nothing to tune\n");
  return 2;
}

#endif
