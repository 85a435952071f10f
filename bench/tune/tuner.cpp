#include "tuner.hpp"

#include <vemo/numeric.hpp>

#include "x86/dispatch.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
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

std::string joined(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& name : names) {
    text += (text.empty() ? "" : ", ") + name;
  }
  return text;
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
  return roots_of(profile, cpu_.signature.avx512f);
}

const detail::RootChoice& Tuner::roots(const detail::Profile& profile) const {
  return roots_of(profile, cpu_.signature.avx512f);
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

std::vector<std::vector<std::vector<double>>> Tuner::time_each_call(
    const std::vector<detail::Profile>& profiles, const std::vector<Call>& calls, int rounds) {
  std::vector<std::unique_ptr<Arrays>> arrays;
  std::vector<std::vector<Way>> configurations;
  for (const Call& call : calls) {
    arrays.push_back(std::make_unique<Arrays>(call.n, call.kind));
    const Arrays& a = *arrays.back();
    std::memcpy(a.y(), a.x(), call.n * sizeof(double));
    const double* x = call.in_place ? a.y() : a.x();
    std::vector<Way> ways;
    ways.reserve(profiles.size());
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
  std::vector<std::vector<std::vector<double>>> times(profiles.size());
  for (std::size_t p = 0; p < profiles.size(); ++p) {
    for (const std::vector<Way>& ways : configurations) {
      times[p].push_back(ways[p].seconds_per_element);
    }
  }
  return times;
}

std::vector<std::vector<double>> Tuner::time_profiles(const std::vector<detail::Profile>& profiles,
                                                      const std::vector<Call>& calls, int rounds) {
  std::vector<std::vector<double>> times;
  for (const std::vector<std::vector<double>>& per_call : time_each_call(profiles, calls, rounds)) {
    times.push_back(across_configurations(per_call));
  }
  return times;
}

void Tuner::report(const std::string& choice, const std::vector<std::string>& names,
                   const std::vector<Comparison>& against_in_force, std::size_t in_force,
                   const Decision& decision, const std::vector<bool>& tied) {
  std::printf("  %s:", choice.c_str());
  for (std::size_t c = 0; c < names.size(); ++c) {
    std::printf("%s %s %.3f [%.3f, %.3f]", c % 4 == 0 ? "\n   " : ";", names[c].c_str(),
                against_in_force[c].speedup, against_in_force[c].low, against_in_force[c].high);
  }
  std::vector<std::string> tied_names;
  for (std::size_t c = 0; c < names.size(); ++c) {
    if (tied[c]) {
      tied_names.push_back(names[c]);
    }
  }
  std::printf("\n    %s: %s%s\n", names[decision.chosen].c_str(),
              decision.chosen != in_force ? "faster beyond the noise"
              : decision.within_noise     ? "kept, others within noise"
                                          : "kept, the fastest",
              tied_names.empty() ? "" : ("; within noise of it: " + joined(tied_names)).c_str());
  verdicts_.push_back({choice, names[in_force], names[decision.chosen], decision.against_in_force,
                       decision.within_noise, tied_names});
}

std::size_t Tuner::decide_and_report(const std::string& choice,
                                     const std::vector<detail::Profile>& candidates,
                                     const std::vector<std::string>& names, std::size_t in_force,
                                     const std::vector<Call>& calls, int rounds) {
  const std::vector<std::vector<double>> times = time_profiles(candidates, calls, rounds);
  std::vector<Comparison> against;
  against.reserve(times.size());
  for (const std::vector<double>& candidate : times) {
    against.push_back(compare(times[in_force], candidate));
  }
  const Decision decision = decide(times, in_force, settings_.minimum_effect);
  const double beyond = 1.0 + settings_.minimum_effect;
  std::vector<bool> tied;
  for (std::size_t c = 0; c < times.size(); ++c) {
    tied.push_back(c != decision.chosen &&
                   compare(times[decision.chosen], times[c]).low <= beyond &&
                   compare(times[c], times[decision.chosen]).low <= beyond);
  }
  report(choice, names, against, in_force, decision, tied);
  return decision.chosen;
}

std::size_t Tuner::decide_value(const std::string& choice, const std::vector<std::size_t>& values,
                                std::size_t in_force,
                                const std::function<void(detail::Profile&, std::size_t)>& set,
                                const std::function<std::string(std::size_t)>& name,
                                const std::function<std::size_t(std::size_t)>& switch_at,
                                const std::vector<Call>& calls, int rounds) {
  // The values in order, then listed nearest the one in force first: among
  // values within noise of each other the nearest wins (decide.hpp).
  std::vector<std::size_t> sorted = values;
  if (std::find(sorted.begin(), sorted.end(), in_force) == sorted.end()) {
    sorted.push_back(in_force);
  }
  std::sort(sorted.begin(), sorted.end());
  const auto rank = [&](std::size_t value) {
    return static_cast<std::ptrdiff_t>(std::find(sorted.begin(), sorted.end(), value) -
                                       sorted.begin());
  };
  std::vector<std::size_t> tried = sorted;
  std::stable_sort(tried.begin(), tried.end(), [&](std::size_t a, std::size_t b) {
    return std::abs(rank(a) - rank(in_force)) < std::abs(rank(b) - rank(in_force));
  });
  std::vector<detail::Profile> candidates;
  std::vector<std::string> names;
  for (const std::size_t value : tried) {
    candidates.push_back(tuned_);
    set(candidates.back(), value);
    names.push_back(name(value));
  }
  if (!switch_at) {
    return tried[decide_and_report(choice, candidates, names, 0, calls, rounds)];
  }
  // Two values differ only on the calls from one's length to the other's:
  // each pair is compared there alone, so that a value's effect is not
  // diluted by the calls it leaves as they were.
  const std::vector<std::vector<std::vector<double>>> times =
      time_each_call(candidates, calls, rounds);
  const auto pair = [&](std::size_t reference, std::size_t candidate) -> std::optional<Comparison> {
    const std::size_t low = std::min(switch_at(tried[reference]), switch_at(tried[candidate]));
    const std::size_t high = std::max(switch_at(tried[reference]), switch_at(tried[candidate]));
    std::vector<std::vector<double>> mine;
    std::vector<std::vector<double>> theirs;
    for (std::size_t k = 0; k < calls.size(); ++k) {
      if (low <= calls[k].n && calls[k].n < high) {
        mine.push_back(times[candidate][k]);
        theirs.push_back(times[reference][k]);
      }
    }
    if (mine.empty()) {
      return std::nullopt;  // the same on every call timed
    }
    return compare(across_configurations(theirs), across_configurations(mine));
  };
  // A value is beaten where another is faster on the calls between them
  // beyond the noise by the minimum effect. The value in force stays unless
  // it is beaten; otherwise the nearest value that none beats wins.
  const double beyond = 1.0 + settings_.minimum_effect;
  const auto beaten = [&](std::size_t c) {
    for (std::size_t other = 0; other < candidates.size(); ++other) {
      const std::optional<Comparison> other_over_c = other == c ? std::nullopt : pair(c, other);
      if (other_over_c && other_over_c->low > beyond) {
        return true;
      }
    }
    return false;
  };
  std::vector<Comparison> against(candidates.size(), Comparison{1.0, 1.0, 1.0});
  bool another_median_faster = false;
  for (std::size_t c = 1; c < candidates.size(); ++c) {
    against[c] = pair(0, c).value_or(Comparison{1.0, 1.0, 1.0});
    another_median_faster = another_median_faster || against[c].speedup > 1.0;
  }
  Decision decision{0, another_median_faster, {1.0, 1.0, 1.0}};
  if (beaten(0)) {
    for (std::size_t c = 1; c < candidates.size(); ++c) {
      if (!beaten(c) && against[c].low > 1.0) {
        decision = {c, false, against[c]};
        break;
      }
    }
  }
  std::vector<bool> tied;
  for (std::size_t c = 0; c < candidates.size(); ++c) {
    const std::optional<Comparison> over_chosen = pair(decision.chosen, c);
    const std::optional<Comparison> chosen_over = pair(c, decision.chosen);
    tied.push_back(c != decision.chosen && (!over_chosen || over_chosen->low <= beyond) &&
                   (!chosen_over || chosen_over->low <= beyond));
  }
  report(choice, names, against, 0, decision, tied);
  return tried[decision.chosen];
}

}  // namespace tune
