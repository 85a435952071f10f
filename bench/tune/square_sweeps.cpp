#include "tuner.hpp"

#include <vemo/numeric.hpp>

#include "array_loops.hpp"
#include "page_arrays.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tune {

namespace {

// Where fold leaves what it read, so that the reads are not optimised away.
volatile std::uint64_t read_back_bits = 0;

// Reads all of y back, as a caller that uses the results at once would.
void fold(const double* y, std::size_t n) {
  std::uint64_t folded = 0;
  for (std::size_t i = 0; i < n; ++i) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, y + i, sizeof bits);
    folded ^= bits;
  }
  read_back_bits = read_back_bits ^ folded;
}

}  // namespace

void Tuner::tune_square_width() {
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
  tuned_.gains.push_back({"sq_n from 8 KiB to 2 MiB per array", geometric_mean(tuned_over_library),
                          geometric_mean(tuned_over_loop)});
}

void Tuner::tune_streaming() {
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

}  // namespace tune
