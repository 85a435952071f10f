#include "tuner.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace tune {

void Tuner::tune_square_width() {
  if (!cpu_.signature.avx512f) {
    return;
  }
  std::printf(
      "\nsq_n: 512-bit or 256-bit vectors by length, apart and in place together "
      "(speedup over the width in force):\n");
  detail::Profile wide = tuned_;
  wide.sq_512_bit_up_to = detail::never;
  detail::Profile narrow = tuned_;
  narrow.sq_512_bit_up_to = 0;
  const std::size_t up_to = tuned_.sq_512_bit_up_to;
  const std::vector<std::size_t> tried =
      lengths({1024, 2048, 4096, 8192, 16384, 32768, 65536, 262144});
  const std::optional<std::size_t> first = threshold(
      "256-bit", tried, wide, narrow, {"512-bit", "256-bit"},
      up_to == detail::never ? detail::never : up_to + 1,
      [](std::size_t n) {
        return std::vector<Call>{{n, false, false, Kind::mixed, false},
                                 {n, false, true, Kind::mixed, false}};
      },
      settings_.rounds);
  if (first) {
    tuned_.sq_512_bit_up_to = *first == tried.size() ? detail::never
                              : *first == 0          ? 0
                                                     : tried[*first - 1];
  }
  std::printf("  512-bit vectors %s\n",
              tuned_.sq_512_bit_up_to == detail::never
                  ? "at any length"
                  : ("up to " + std::to_string(tuned_.sq_512_bit_up_to) + " doubles").c_str());
}

void Tuner::tune_streaming() {
  std::printf(
      "\nsq_n apart: streaming or ordinary stores, by share of the %zu MiB cache "
      "reported, written and read back at once (speedup over the stores in force):\n",
      cpu_.last_level_cache_bytes >> 20U);
  detail::Profile ordinary = tuned_;
  ordinary.beyond_cache_percent = detail::largest_beyond_cache_percent;
  detail::Profile streaming = tuned_;
  streaming.beyond_cache_percent = 1;
  const std::vector<unsigned> percents = {12, 25, 50, 100, 200};
  std::vector<std::size_t> sizes;
  for (const unsigned percent : percents) {
    sizes.push_back(apart_doubles(percent) + 1);  // the first size beyond that share
  }
  const std::optional<std::size_t> first = threshold(
      "streaming", sizes, ordinary, streaming, {"ordinary", "streaming"},
      apart_doubles(tuned_.beyond_cache_percent) + 1,
      [](std::size_t n) {
        return std::vector<Call>{{n, false, false, Kind::mixed, false},
                                 {n, false, false, Kind::mixed, true}};
      },
      settings_.memory_rounds);
  if (first) {
    tuned_.beyond_cache_percent =
        *first == sizes.size() ? detail::largest_beyond_cache_percent : percents[*first];
  }
  std::printf("  beyond the cache from %u%% of it\n", tuned_.beyond_cache_percent);
}

}  // namespace tune
