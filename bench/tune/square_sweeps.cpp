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
      "\nsq_n: 512-bit vectors up to a length, 256-bit ones beyond, over calls of "
      "1,024 to 262,144 doubles in place and apart (speedup over the length in force):\n");
  std::vector<Call> calls;
  for (const std::size_t n : lengths({1024, 2048, 4096, 8192, 16384, 32768, 65536, 262144})) {
    calls.push_back({n, false, false, Kind::mixed, false});
    calls.push_back({n, false, true, Kind::mixed, false});
  }
  tuned_.sq_512_bit_up_to = decide_value(
      "512-bit vectors up to", {0, 1024, 2048, 4096, 8192, 16384, 32768, 65536, detail::never},
      tuned_.sq_512_bit_up_to,
      [](detail::Profile& p, std::size_t value) { p.sq_512_bit_up_to = value; },
      [](std::size_t value) {
        return value == detail::never ? std::string("any length") : std::to_string(value);
      },
      [](std::size_t value) { return value == detail::never ? value : value + 1; }, calls,
      settings_.rounds);
}

void Tuner::tune_streaming() {
  std::printf(
      "\nsq_n apart: streaming stores beyond a share of the %zu KiB cache reported, "
      "over calls from 12%% to 200%% of it, written and read back at once (speedup over "
      "the share in force):\n",
      cpu_.last_level_cache_bytes >> 10U);
  std::vector<Call> calls;
  for (const unsigned percent : {12U, 25U, 50U, 100U, 200U}) {
    // The first size beyond that share, where a row streaming from it streams.
    const std::size_t n = apart_doubles(percent) + 1;
    calls.push_back({n, false, false, Kind::mixed, false});
    calls.push_back({n, false, false, Kind::mixed, true});
  }
  tuned_.beyond_cache_percent = static_cast<unsigned>(decide_value(
      "beyond the cache from", {12, 25, 50, 100, 200, detail::largest_beyond_cache_percent},
      tuned_.beyond_cache_percent,
      [](detail::Profile& p, std::size_t value) {
        p.beyond_cache_percent = static_cast<unsigned>(value);
      },
      [](std::size_t value) { return std::to_string(value) + "%"; },
      [this](std::size_t value) { return apart_doubles(static_cast<unsigned>(value)) + 1; }, calls,
      settings_.memory_rounds));
}

}  // namespace tune
