// What a call of sq_n or sqrt_n costs beyond its work, on the machine it runs
// on, under the row of the profile table this CPU takes: each ratio is the
// library's speed over a reference timed in the same interleaved rounds, the
// median of the rounds with its 95% interval (tune/decide.hpp).
//
//   call_costs
//
// - sqrt_n at 1,024 doubles against the row's split's stretches alone (the
//   same steps, without MXCSR's read, head and tail steps or the dispatch);
// - sq_n at 1,024 doubles against the plain loop built for this machine
//   (-O3 -march=native -fno-math-errno);
// - sqrt_n at the row's refined-from length against the faster of the
//   refined kernel and the instruction's, called directly;
// - sq_n and sqrt_n of 1 to 64 doubles against the plain loop, each in a
//   function of its own, on positive and on mixed-sign inputs.
// Exits 2 where the CPU has no refined roots to measure.

#include <vemo/numeric.hpp>

#include "array_loops.hpp"
#include "bare_steps.hpp"
#include "page_arrays.hpp"
#include "tune/decide.hpp"
#include "tune/row.hpp"
#include "tune/ways.hpp"
#include "x86/cpu.hpp"
#include "x86/kernels.hpp"
#include "x86/profile.hpp"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace detail = vemo::numeric::detail;

namespace {

constexpr int rounds = 31;
constexpr std::size_t elements_per_timing = std::size_t{1} << 18U;

std::size_t calls_for(std::size_t n) { return std::max<std::size_t>(1, elements_per_timing / n); }

// The library's way over the reference's, as the ratio of their speeds.
tune::Comparison over(const std::vector<tune::Way>& ways, const std::string& library,
                      const std::string& reference) {
  return tune::compare(tune::way_named(ways, reference).seconds_per_element,
                       tune::way_named(ways, library).seconds_per_element);
}

void print(const char* what, const tune::Comparison& c) {
  std::printf("  %-58s %.3fx [%.3f, %.3f]\n", what, c.speedup, c.low, c.high);
}

template <class Entry, std::size_t Count>
const Entry& entry_of(const std::array<Entry, Count>& menu, detail::Split split) {
  for (const Entry& entry : menu) {
    if (entry.split == split) {
      return entry;
    }
  }
  return menu[0];
}

}  // namespace

int main() {
  const detail::CpuDescription& cpu = detail::cpu();
  const detail::ProfileRow& row = detail::profile_row_for(cpu.signature);
  const bool avx512f = cpu.signature.avx512f;
  if (!avx512f && !(cpu.signature.avx2 && cpu.signature.fma)) {
    std::fprintf(stderr, "call_costs: this CPU has no refined roots to measure\n");
    return 2;
  }
  const detail::RootChoice& roots = avx512f ? row.profile.avx512f_roots : row.profile.avx2_roots;
  const BareSteps& bare =
      avx512f ? entry_of(avx512f_bare_steps, roots.split) : entry_of(avx2_bare_steps, roots.split);
  const detail::SplitKernels& refined = avx512f
                                            ? entry_of(detail::avx512f_split_kernels, roots.split)
                                            : entry_of(detail::avx2_split_kernels, roots.split);
  const ArrayFunction instruction = avx512f ? detail::sqrt_n_avx512f : detail::sqrt_n_avx2;
  const std::size_t prefetch = row.profile.prefetch_bytes;
  std::printf(
      "%s: family %s model %s, row \"%s\" (split %u:%u, refined from %zu); the library "
      "as built, the loop with -O3 -march=native -fno-math-errno; %d rounds\n",
      tune::cpu_model_name().c_str(), tune::hex(cpu.signature.family).c_str(),
      tune::hex(cpu.signature.model).c_str(), row.name, roots.split.refined,
      roots.split.instruction, roots.refined_from, rounds);

  // 1,024 doubles (a whole number of stretches of every split), and the
  // row's refined-from length.
  const std::size_t n = 1024;
  const std::size_t from = roots.refined_from;
  const Arrays positive(n, Kind::positive);
  const Arrays at_from(from == detail::never ? n : from, Kind::positive);
  std::vector<std::vector<tune::Way>> long_calls = {
      {tune::way_of("sqrt_n", vemo::numeric::sqrt_n, positive.x(), n, positive.y(), calls_for(n)),
       tune::way_of("steps", bare.steps, positive.x(), n, positive.y(), calls_for(n)),
       tune::way_of("sq_n", vemo::numeric::sq_n, positive.x(), n, positive.y(), calls_for(n)),
       tune::way_of("loop", sq_loop_native, positive.x(), n, positive.y(), calls_for(n))},
      {tune::way_of("sqrt_n", vemo::numeric::sqrt_n, at_from.x(), at_from.size(), at_from.y(),
                    calls_for(at_from.size())),
       tune::way_of(
           "refined",
           [&refined, prefetch](const double* x, std::size_t m, double* y) {
             refined.cached(x, m, y, prefetch);
           },
           at_from.x(), at_from.size(), at_from.y(), calls_for(at_from.size())),
       tune::way_of("instruction", instruction, at_from.x(), at_from.size(), at_from.y(),
                    calls_for(at_from.size()))}};
  // 1 to 64 doubles.
  std::vector<std::unique_ptr<Arrays>> arrays;
  std::vector<std::vector<tune::Way>> short_calls;
  for (const Kind kind : {Kind::positive, Kind::mixed}) {
    for (std::size_t m = 1; m <= 64; ++m) {
      arrays.push_back(std::make_unique<Arrays>(m, kind));
      const Arrays& a = *arrays.back();
      short_calls.push_back(
          {tune::way_of("sq_n", vemo::numeric::sq_n, a.x(), m, a.y(), calls_for(m)),
           tune::way_of("sq_loop", sq_loop_native, a.x(), m, a.y(), calls_for(m)),
           tune::way_of("sqrt_n", vemo::numeric::sqrt_n, a.x(), m, a.y(), calls_for(m)),
           tune::way_of("sqrt_loop", sqrt_loop_native, a.x(), m, a.y(), calls_for(m))});
    }
  }
  tune::time_in_rounds(long_calls, rounds);
  tune::time_in_rounds(short_calls, rounds);

  std::printf("\nThe library's speed over the reference's, median [95%% interval]:\n");
  print("sqrt_n at 1,024 doubles, over the split's steps alone",
        over(long_calls[0], "sqrt_n", "steps"));
  print("sq_n at 1,024 doubles, over the loop", over(long_calls[0], "sq_n", "loop"));
  const tune::Comparison over_refined = over(long_calls[1], "sqrt_n", "refined");
  const tune::Comparison over_instruction = over(long_calls[1], "sqrt_n", "instruction");
  const std::string at =
      "sqrt_n at " + std::to_string(at_from.size()) + " doubles, over the faster kernel (" +
      (over_refined.speedup < over_instruction.speedup ? "refined" : "instruction") + ")";
  print(at.c_str(),
        over_refined.speedup < over_instruction.speedup ? over_refined : over_instruction);
  for (const char* function : {"sq_n", "sqrt_n"}) {
    for (const Kind kind : {Kind::positive, Kind::mixed}) {
      tune::Comparison lowest{1e9, 0, 0};
      std::size_t lowest_at = 0;
      for (std::size_t m = 1; m <= 64; ++m) {
        const std::vector<tune::Way>& ways = short_calls[(kind == Kind::mixed ? 64 : 0) + m - 1];
        const tune::Comparison c =
            over(ways, function, std::string(function) == "sq_n" ? "sq_loop" : "sqrt_loop");
        if (c.speedup < lowest.speedup) {
          lowest = c;
          lowest_at = m;
        }
      }
      const std::string what = std::string(function) + ", 1 to 64 doubles, " +
                               (kind == Kind::mixed ? "mixed" : "positive") +
                               ", over the loop: lowest, at " + std::to_string(lowest_at);
      print(what.c_str(), lowest);
    }
  }
  return 0;
}
