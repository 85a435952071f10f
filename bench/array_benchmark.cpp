// Throughput over arrays of doubles, from a few hundred to millions: the
// library's array functions against a call to the library per element, the
// same loop written inline with this file's flags, and, where they were
// built, that loop compiled for this machine, Eigen, SLEEF, Highway and
// xsimd. The root kernels for AVX2 (the instruction's, and the refined one
// of the split this CPU's profile names) and 1.3.0's AVX-512F kernel are
// measured too, called directly; and calls of 1 to 64 doubles, against the
// native loop. The report's context says how many roots each way
// gets wrong. Plot the JSON output (--benchmark_format=json) with
// plot_throughput.py.
#include <vemo/numeric.hpp>

#include "array_kernels.hpp"
#include "array_loops.hpp"
#include "page_arrays.hpp"
#include "x86/cpu.hpp"
#include "x86/kernels.hpp"
#include "x86/profile.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int kRepetitions = 10;

void sq_calls(const double* x, std::size_t n, double* y) {
  for (std::size_t i = 0; i < n; ++i) {
    y[i] = vemo::numeric::sq(x[i]);
  }
}

void sqrt_calls(const double* x, std::size_t n, double* y) {
  for (std::size_t i = 0; i < n; ++i) {
    y[i] = vemo::numeric::sqrt(x[i]);
  }
}

void sq_loop(const double* x, std::size_t n, double* y) {
  for (std::size_t i = 0; i < n; ++i) {
    y[i] = x[i] * x[i];
  }
}

void sqrt_loop(const double* x, std::size_t n, double* y) {
  for (std::size_t i = 0; i < n; ++i) {
    y[i] = std::isgreaterequal(x[i], 0.0) ? std::sqrt(x[i]) : 0.0;
  }
}

// The arrays of each size and kind, made once and shared by every way and
// repetition: the ways run on the same data, and the largest take long to
// fill.
const Arrays& arrays_for(std::size_t n, Kind kind) {
  static std::map<std::pair<std::size_t, Kind>, std::unique_ptr<Arrays>> made;
  std::unique_ptr<Arrays>& arrays = made[{n, kind}];
  if (!arrays) {
    arrays = std::make_unique<Arrays>(n, kind);
  }
  return *arrays;
}

std::uint64_t bits_of(double x) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}

// How a call uses the arrays: from x into y; in place on y; or from x into y
// and then reading all of y back at once, as a caller that uses the results
// would (folding their bits, which takes no floating-point arithmetic).
enum class Use { apart, in_place, read_back };

std::uint64_t read_back(const double* y, std::size_t n) {
  std::uint64_t folded = 0;
  for (std::size_t i = 0; i < n; ++i) {
    folded ^= bits_of(y[i]);
  }
  return folded;
}

void throughput(benchmark::State& state, ArrayFunction function, Kind kind, Use use) {
  const Arrays& arrays = arrays_for(static_cast<std::size_t>(state.range(0)), kind);
  for (auto _ : state) {
    if (use == Use::in_place) {
      function(arrays.y(), arrays.size(), arrays.y());
    } else {
      function(arrays.x(), arrays.size(), arrays.y());
    }
    if (use == Use::read_back) {
      benchmark::DoNotOptimize(read_back(arrays.y(), arrays.size()));
    }
    benchmark::ClobberMemory();
  }
  // Inverted, so that the fastest repetition is the smallest value here as
  // it is for the time.
  state.counters["time_per_item"] = benchmark::Counter(
      static_cast<double>(arrays.size()),
      benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

double fastest(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

void register_way(const std::string& name, ArrayFunction function, Kind kind = Kind::mixed) {
  benchmark::RegisterBenchmark(name.c_str(), throughput, function, kind, Use::apart)
      ->RangeMultiplier(4)
      ->Range(256, 4 << 20)
      ->MinTime(0.05)
      ->Repetitions(kRepetitions)
      ->ReportAggregatesOnly(true)
      ->ComputeStatistics("fastest", fastest);
}

// The sizes on memory's terms that the grid of powers of four lacks: 32 Ki
// doubles (256 KiB per array) and 512 Ki (4 MiB), and beyond the cache
// 16 Mi (128 MiB), 64 Mi (512 MiB) and twice the last-level cache the CPU
// reports where that is more.
std::vector<std::int64_t> sizes_off_the_grid() {
  std::vector<std::int64_t> sizes = {32 << 10, 512 << 10, 16 << 20, 64 << 20};
#ifdef VEMO_NUMERIC_X86_KERNELS
  const auto twice_the_cache = static_cast<std::int64_t>(
      2 * vemo::numeric::detail::cpu().last_level_cache_bytes / sizeof(double));
  if (twice_the_cache > sizes.back()) {
    sizes.push_back(twice_the_cache);
  }
#endif
  return sizes;
}

// A way of the functions and of the native loop on memory's terms: from 256
// doubles up to beyond the cache ("<function>/<way>/..." for the sizes off
// the grid that the other ways take), in place ("<function>_in_place/...") and read back at
// once ("<function>_read_back/..."). `function_way` is "<function>/<way>".
void register_memory_way(const std::string& function_way, ArrayFunction array) {
  const std::size_t slash = function_way.find('/');
  for (const auto& [suffix, use] :
       {std::pair{"", Use::apart}, std::pair{"_in_place", Use::in_place},
        std::pair{"_read_back", Use::read_back}}) {
    std::string name = function_way;
    name.insert(slash, suffix);
    auto* registered =
        benchmark::RegisterBenchmark(name.c_str(), throughput, array, Kind::mixed, use);
    if (use != Use::apart) {
      registered->RangeMultiplier(4)->Range(256, 4 << 20);
    }
    for (const std::int64_t n : sizes_off_the_grid()) {
      registered->Arg(n);
    }
    registered->MinTime(0.05)
        ->Repetitions(kRepetitions)
        ->ReportAggregatesOnly(true)
        ->ComputeStatistics("fastest", fastest);
  }
}

// Short arrays, from 1 to 64 doubles: each timing makes many calls, since
// one takes nanoseconds, each to a function of its own, as a caller's loop
// would ("short_<function>/<way>/<n>", seconds per call).
constexpr int kShortCalls = 20000;

void short_calls(benchmark::State& state, ArrayFunction function) {
  const Arrays& arrays = arrays_for(64, Kind::mixed);
  const auto n = static_cast<std::size_t>(state.range(0));
  for (auto _ : state) {
    for (int call = 0; call < kShortCalls; ++call) {
      function(arrays.x(), n, arrays.y());
    }
    benchmark::ClobberMemory();
  }
  state.counters["time_per_call"] = benchmark::Counter(
      kShortCalls, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void register_short_way(const std::string& function_way, ArrayFunction function) {
  benchmark::RegisterBenchmark(("short_" + function_way).c_str(), short_calls, function)
      ->DenseRange(1, 64)
      ->MinTime(0.01)
      ->Repetitions(kRepetitions)
      ->ReportAggregatesOnly(true)
      ->ComputeStatistics("fastest", fastest);
}

// How many of 2^24 random inputs of each sign kind a root way gets wrong, as
// context for the report: "<wrong> of <checked>" for "wrong_roots/<way>".
void count_wrong_roots(const std::string& way, ArrayFunction function) {
  constexpr std::size_t n = std::size_t{1} << 24;
  std::size_t wrong = 0;
  std::vector<double> roots(n);
  for (const Kind kind : {Kind::mixed, Kind::positive}) {
    const Arrays& arrays = arrays_for(n, kind);
    function(arrays.x(), n, roots.data());
    for (std::size_t i = 0; i < n; ++i) {
      wrong += bits_of(roots[i]) != bits_of(vemo::numeric::sqrt(arrays.x()[i])) ? 1 : 0;
    }
  }
  benchmark::AddCustomContext("wrong_roots/" + way,
                              std::to_string(wrong) + " of " + std::to_string(2 * n));
}

// Each root way on mixed signs ("sqrt/..."), positive inputs
// ("sqrt_positive/...") and, where `zeros`, the two kinds with zeros.
void register_root_way(const std::string& way, ArrayFunction function, bool zeros = false) {
  register_way("sqrt/" + way, function, Kind::mixed);
  register_way("sqrt_positive/" + way, function, Kind::positive);
  if (zeros) {
    register_way("sqrt_quarter_zeros/" + way, function, Kind::quarter_zeros);
    register_way("sqrt_half_zeros/" + way, function, Kind::half_zeros);
  }
  count_wrong_roots(way, function);
}

void register_all() {
  register_way("sq/calls", sq_calls);
  register_way("sq/array", vemo::numeric::sq_n);
  register_way("sq/inline", sq_loop);
  register_root_way("calls", sqrt_calls);
  register_root_way("array", vemo::numeric::sqrt_n, true);
  register_root_way("inline", sqrt_loop);
#ifdef VEMO_NUMERIC_BENCH_NATIVE
  register_way("sq/inline_native", sq_loop_native);
  register_root_way("inline_native", sqrt_loop_native, true);
  register_memory_way("sq/array", vemo::numeric::sq_n);
  register_memory_way("sq/inline_native", sq_loop_native);
  register_memory_way("sqrt/array", vemo::numeric::sqrt_n);
  register_memory_way("sqrt/inline_native", sqrt_loop_native);
  register_short_way("sq/array", vemo::numeric::sq_n);
  register_short_way("sq/inline_native", sq_loop_native);
  register_short_way("sqrt/array", vemo::numeric::sqrt_n);
  register_short_way("sqrt/inline_native", sqrt_loop_native);
#endif
#ifdef VEMO_NUMERIC_X86_KERNELS
  // The kernels themselves, whatever the dispatch would take here, so that a
  // CPU with AVX-512F measures the AVX2 ones too.
  namespace detail = vemo::numeric::detail;
  const detail::CpuDescription& cpu = detail::cpu();
  if (cpu.signature.avx2 && cpu.signature.fma) {
    register_root_way("avx2_instruction", detail::sqrt_n_avx2, true);
    // The row's split, prefetching as far as the row says.
    static detail::SplitKernels avx2_refined{};
    static std::size_t avx2_prefetch_bytes = 0;
    const detail::Profile& profile = detail::profile_row_for(cpu.signature).profile;
    avx2_prefetch_bytes = profile.prefetch_bytes;
    for (const detail::SplitKernels& kernels : detail::avx2_split_kernels) {
      if (kernels.split == profile.avx2_roots.split) {
        avx2_refined = kernels;
      }
    }
    register_root_way(
        "avx2_refined",
        [](const double* x, std::size_t n, double* y) {
          avx2_refined.cached(x, n, y, avx2_prefetch_bytes);
        },
        true);
  }
  if (cpu.signature.avx512f) {
    register_root_way("refined_1_3_0", sqrt_n_refined_1_3_0, true);
  }
#endif
#ifdef VEMO_NUMERIC_BENCH_EIGEN
  register_way("sq/eigen_native", sq_eigen_native);
  register_root_way("eigen_native", sqrt_eigen_native);
  register_root_way("eigen_fast_native", sqrt_eigen_fast_native, true);
#endif
#ifdef VEMO_NUMERIC_BENCH_SLEEF
  register_root_way("sleef_u05_native", sqrt_sleef_u05_native);
  register_root_way("sleef_u35_native", sqrt_sleef_u35_native);
#endif
#ifdef VEMO_NUMERIC_BENCH_HIGHWAY
  register_root_way("highway_native", sqrt_highway_native);
#endif
#ifdef VEMO_NUMERIC_BENCH_XSIMD
  register_root_way("xsimd_native", sqrt_xsimd_native);
#endif
}

// Names the CPU, its vector extensions and the compiler in the output's
// context, for the plot.
void add_context() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0 && line.find(": ") != std::string::npos) {
      benchmark::AddCustomContext("cpu_model", line.substr(line.find(": ") + 2));
      break;
    }
  }
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
  __builtin_cpu_init();
  benchmark::AddCustomContext("cpu_features", __builtin_cpu_supports("avx512f") ? "AVX-512F"
                                              : __builtin_cpu_supports("avx2")  ? "AVX2"
                                                                                : "SSE2");
#endif
#if defined(__clang__)
  benchmark::AddCustomContext("compiler", __VERSION__);
#elif defined(__GNUC__)
  benchmark::AddCustomContext("compiler", "GCC " __VERSION__);
#endif
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  add_context();
  register_all();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
