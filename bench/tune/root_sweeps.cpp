#include "tuner.hpp"

#include <vemo/numeric.hpp>

#include "array_loops.hpp"
#include "page_arrays.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tune {

namespace {

std::string split_name(unsigned refined, unsigned instruction) {
  return std::to_string(refined) + ":" + std::to_string(instruction);
}

std::string format_ratio(double ratio) {
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "%.2fx", ratio);
  return text.data();
}

}  // namespace

detail::Split Tuner::tune_split(const RootSet& set, detail::RootChoice& choice) {
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

void Tuner::tune_refined_from(const RootSet& set, detail::RootChoice& choice) {
  const detail::SplitKernels* kernels = kernels_of(set, choice.split);
  const std::vector<std::size_t> lengths =
      sizes({8, 16, 24, 32, 48, 64, 96, 128, 192, 256, 384, 512, 1024});
  Arrays arrays(lengths.back(), Kind::mixed);
  std::vector<std::vector<Way>> by_length;
  for (const std::size_t n : lengths) {
    const std::size_t calls = calls_for(n);
    by_length.push_back({way_of("instruction", set.instruction, arrays.x(), n, arrays.y(), calls),
                         way_of(
                             "refined",
                             [kernels, ahead = tuned_.profile.prefetch_bytes](
                                 const double* x, std::size_t n_, double* y) {
                               kernels->cached(x, n_, y, ahead);
                             },
                             arrays.x(), n, arrays.y(), calls)});
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

void Tuner::tune_prefetch(const RootSet& set, detail::Split split) {
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

void Tuner::tune_refined_beyond_cache(const RootSet& set, detail::Split split) {
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
         way_of("instruction", streaming ? set.instruction_streaming : set.instruction, x, n, a.y(),
                1),
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
                beyond[i].first * sizeof(double) >> 20U, beyond[i].second ? "in place" : "apart", r,
                in, library, loop);
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

}  // namespace tune
