#include "tuner.hpp"

#include <vemo/numeric.hpp>

#include "x86/dispatch.hpp"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace tune {

namespace {

std::uint64_t bits_of(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

// Where fold leaves what it read, so that the reads are not optimised away.
volatile std::uint64_t read_back_bits = 0;

// Reads all of y back, as a caller that uses the results at once would.
void fold(const double* y, std::size_t n) {
  std::uint64_t folded = 0;
  for (std::size_t i = 0; i < n; ++i) {
    folded ^= bits_of(y[i]);
  }
  read_back_bits = read_back_bits ^ folded;
}

}  // namespace

detail::Dispatch dispatch_under(const detail::CpuDescription& cpu, const detail::Profile& profile) {
  const detail::ProfileRow row{"candidate", {detail::Vendor::other, 0, 0, 0, false}, profile, ""};
  return detail::make_dispatch(cpu, row);
}

ArrayCall call_under(const detail::Dispatch& d, const Call& call) {
  if (call.roots) {
    return [d, read_back = call.read_back](const double* x, std::size_t n, double* y) {
      detail::sqrt_n_under(d, x, n, y);
      if (read_back) {
        fold(y, n);
      }
    };
  }
  return [d, read_back = call.read_back](const double* x, std::size_t n, double* y) {
    detail::sq_n_under(d, x, n, y);
    if (read_back) {
      fold(y, n);
    }
  };
}

Tuner::Tuner(const Settings& settings, const detail::CpuDescription& cpu, const RowText& start)
    : settings_(settings), cpu_(cpu), start_(start), tuned_(start.profile) {
  if (settings_.quick) {
    // Small enough that every size, beyond the cache too, takes moments.
    cpu_.last_level_cache_bytes = std::size_t{256} << 10U;
  }
}

detail::RootChoice& Tuner::roots(detail::Profile& profile) const {
  return cpu_.signature.avx512f ? profile.avx512f_roots : profile.avx2_roots;
}

const detail::RootChoice& Tuner::roots(const detail::Profile& profile) const {
  return cpu_.signature.avx512f ? profile.avx512f_roots : profile.avx2_roots;
}

std::size_t Tuner::apart_doubles(unsigned percent) const {
  return cpu_.last_level_cache_bytes / 100 * percent / (2 * sizeof(double));
}

std::vector<std::size_t> Tuner::lengths(std::vector<std::size_t> all) const {
  if (settings_.quick && all.size() > 2) {
    all.resize(2);
  }
  return all;
}

std::size_t Tuner::calls_for(std::size_t n) const {
  return std::max<std::size_t>(1, settings_.elements_per_timing / n);
}

void Tuner::check_bits(const detail::Profile& profile) {
  static const Arrays checked(4099, Kind::mixed);
  const detail::Dispatch d = dispatch_under(cpu_, profile);
  for (const bool roots : {false, true}) {
    (roots ? detail::sqrt_n_under : detail::sq_n_under)(d, checked.x(), checked.size(),
                                                        checked.y());
    for (std::size_t i = 0; i < checked.size(); ++i) {
      const double x = checked.x()[i];
      const double expected = roots ? vemo::numeric::sqrt(x) : vemo::numeric::sq(x);
      if (bits_of(checked.y()[i]) != bits_of(expected)) {
        std::fprintf(stderr, "numeric_tune: a candidate row gave a wrong %s of %.17g\n",
                     roots ? "root" : "square", x);
        bits_right_ = false;
        return;
      }
    }
  }
}

std::vector<std::vector<double>> Tuner::time_profiles(const std::vector<detail::Profile>& profiles,
                                                      const std::vector<Call>& calls, int rounds) {
  std::vector<std::unique_ptr<Arrays>> arrays;
  std::vector<std::vector<Way>> configurations;
  for (const Call& call : calls) {
    arrays.push_back(std::make_unique<Arrays>(call.n, call.kind));
    const Arrays& a = *arrays.back();
    std::memcpy(a.y(), a.x(), call.n * sizeof(double));
    const double* x = call.in_place ? a.y() : a.x();
    std::vector<Way> ways;
    for (const detail::Profile& profile : profiles) {
      ways.push_back(way_of(std::to_string(ways.size()),
                            call_under(dispatch_under(cpu_, profile), call), x, call.n, a.y(),
                            calls_for(call.n)));
    }
    configurations.push_back(std::move(ways));
  }
  for (const detail::Profile& profile : profiles) {
    check_bits(profile);
  }
  time_in_rounds(configurations, rounds);
  std::vector<std::vector<double>> times;
  for (std::size_t p = 0; p < profiles.size(); ++p) {
    std::vector<std::vector<double>> per_call;
    for (const std::vector<Way>& ways : configurations) {
      per_call.push_back(ways[p].seconds_per_element);
    }
    times.push_back(across_configurations(per_call));
  }
  return times;
}

std::size_t Tuner::decide_and_report(const std::string& choice,
                                     const std::vector<detail::Profile>& candidates,
                                     const std::vector<std::string>& names, std::size_t in_force,
                                     const std::vector<Call>& calls, int rounds) {
  const std::vector<std::vector<double>> times = time_profiles(candidates, calls, rounds);
  const Decision decision = decide(times, in_force, settings_.minimum_effect);
  std::printf("  %-28s", choice.c_str());
  for (std::size_t c = 0; c < candidates.size(); ++c) {
    const Comparison against = compare(times[in_force], times[c]);
    std::printf(" %s %.3f [%.3f, %.3f]%s", names[c].c_str(), against.speedup, against.low,
                against.high, c + 1 < candidates.size() ? ";" : "");
  }
  std::printf("\n    %s: %s\n", names[decision.chosen].c_str(),
              decision.chosen != in_force ? "faster beyond the noise"
              : decision.within_noise     ? "kept, others within noise"
                                          : "kept, the fastest");
  verdicts_.push_back({choice, names[in_force], names[decision.chosen], decision.against_in_force,
                       decision.within_noise});
  return decision.chosen;
}

std::optional<std::size_t> Tuner::threshold(
    const std::string& choice, const std::vector<std::size_t>& lengths,
    const detail::Profile& below, const detail::Profile& above,
    const std::vector<std::string>& names, std::size_t in_force_from,
    const std::function<std::vector<Call>(std::size_t)>& calls_at, int rounds) {
  bool moved = false;
  std::vector<bool> above_wins;
  for (const std::size_t n : lengths) {
    const std::size_t in_force = n >= in_force_from ? 1 : 0;
    const std::size_t chosen = decide_and_report(
        choice + " at " + std::to_string(n), {below, above}, names, in_force, calls_at(n), rounds);
    moved = moved || chosen != in_force;
    above_wins.push_back(chosen == 1);
  }
  if (!moved) {
    return std::nullopt;
  }
  std::size_t first = lengths.size();
  while (first > 0 && above_wins[first - 1]) {
    --first;
  }
  return first;
}

}  // namespace tune
