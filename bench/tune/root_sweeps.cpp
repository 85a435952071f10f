#include "tuner.hpp"

#include "x86/kernels.hpp"

#include <cstdio>
#include <string>
#include <vector>

namespace tune {

namespace {

std::string split_name(detail::Split split) {
  return std::to_string(split.refined) + ":" + std::to_string(split.instruction);
}

std::string length_name(std::size_t length) {
  return length == detail::never ? "never" : std::to_string(length);
}

}  // namespace

void Tuner::tune_split() {
  const detail::Split* menu = cpu_.signature.avx512f ? detail::avx512f_splits : detail::avx2_splits;
  const std::size_t count =
      cpu_.signature.avx512f ? detail::avx512f_split_count : detail::avx2_split_count;
  std::printf(
      "\nRoots: the split of each stretch, refined at every length, at 1,024 and 16,384 "
      "doubles, positive and mixed (speedup over the split in force, [95%% interval]):\n");
  std::vector<detail::Profile> candidates;
  std::vector<std::string> names;
  std::size_t in_force = 0;
  for (std::size_t m = 0; m < count; ++m) {
    detail::Profile candidate = tuned_;
    roots(candidate).split = menu[m];
    roots(candidate).refined_from = 1;
    candidates.push_back(candidate);
    names.push_back(split_name(menu[m]));
    if (menu[m] == roots(tuned_).split) {
      in_force = m;
    }
  }
  std::vector<Call> calls;
  for (const std::size_t n : lengths({1024, 16384})) {
    for (const Kind kind : {Kind::positive, Kind::mixed}) {
      calls.push_back({n, true, false, kind, false});
    }
  }
  roots(tuned_).split =
      menu[decide_and_report("split", candidates, names, in_force, calls, settings_.rounds)];
}

void Tuner::tune_refined_from() {
  std::printf(
      "\nRoots: the length from which they are refined, over calls of 16 to 2,048 "
      "doubles (speedup over the length in force):\n");
  std::vector<Call> calls;
  for (const std::size_t n :
       lengths({16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 1024, 2048})) {
    calls.push_back({n, true, false, Kind::positive, false});
    calls.push_back({n, true, false, Kind::mixed, false});
  }
  roots(tuned_).refined_from = decide_value(
      "refined from", {16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 1024, detail::never},
      roots(tuned_).refined_from,
      [this](detail::Profile& p, std::size_t value) { roots(p).refined_from = value; }, length_name,
      [](std::size_t value) { return value; }, calls, settings_.rounds);
}

void Tuner::tune_prefetch() {
  if (roots(tuned_).refined_from == detail::never) {
    notes_.emplace_back("prefetch: kept, as no root is refined");
    return;
  }
  std::printf(
      "\nRoots: how far ahead the refined roots prefetch x (speedup over the distance "
      "in force):\n");
  std::vector<Call> calls = {{16384, true, false, Kind::positive, false}};
  if (tuned_.refined_beyond_cache) {
    calls.push_back({apart_doubles(200), true, false, Kind::positive, false});
    calls.push_back({2 * apart_doubles(200), true, true, Kind::positive, false});
  }
  tuned_.prefetch_bytes = decide_value(
      "prefetch bytes", {0, 512, 1024, 2048, 3072, 4096}, tuned_.prefetch_bytes,
      [](detail::Profile& p, std::size_t value) { p.prefetch_bytes = value; },
      [](std::size_t value) { return std::to_string(value); }, nullptr, calls,
      settings_.memory_rounds);
}

void Tuner::tune_refined_beyond_cache() {
  if (roots(tuned_).refined_from == detail::never) {
    notes_.emplace_back("refined beyond the cache: kept, as no root is refined");
    return;
  }
  std::printf("\nRoots beyond the cache, apart and in place: refined or the instruction's:\n");
  detail::Profile instruction = tuned_;
  instruction.refined_beyond_cache = false;
  detail::Profile refined = tuned_;
  refined.refined_beyond_cache = true;
  const std::vector<Call> calls = {{apart_doubles(200), true, false, Kind::positive, false},
                                   {2 * apart_doubles(200), true, true, Kind::positive, false}};
  tuned_.refined_beyond_cache =
      decide_and_report("refined beyond the cache", {instruction, refined},
                        {"instruction", "refined"}, tuned_.refined_beyond_cache ? 1 : 0, calls,
                        settings_.memory_rounds) == 1;
}

}  // namespace tune
