// Throughput over arrays of doubles, from a few hundred to millions: the
// library's array functions against a call to the library per element, the
// same loop written inline with this file's flags, and, where they were
// built, that loop and Eigen's array expressions compiled for this machine.
// Plot the JSON output (--benchmark_format=json) with plot_throughput.py.
#include <vemo/numeric.hpp>

#include "array_loops.hpp"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRepetitions = 10;

using ArrayFunction = void (*)(const double* x, std::size_t n, double* y);

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

// Input and output start on page boundaries, the output half a page further
// on, so that every way runs on the same layout: aligned, and clear of the
// slowdown when a load and an earlier store lie a multiple of 4 KiB apart.
// Mixed signs make the root's guard take both branches; positive inputs all
// have roots.
enum class Signs { mixed, positive };

class Arrays {
 public:
  Arrays(std::size_t n, Signs signs) : n_(n), storage_(2 * n + 3 * kPageDoubles) {
    const auto address = reinterpret_cast<std::uintptr_t>(storage_.data());
    x_ = storage_.data() + (kPageBytes - address % kPageBytes) % kPageBytes / sizeof(double);
    y_ = x_ + (n + kPageDoubles - 1) / kPageDoubles * kPageDoubles + kPageDoubles / 2;
    std::mt19937_64 engine(20261208);
    std::uniform_real_distribution<double> distribution(signs == Signs::mixed ? -1000.0 : 0.0,
                                                        1000.0);
    std::generate(x_, x_ + n, [&] { return distribution(engine); });
  }
  [[nodiscard]] const double* x() const { return x_; }
  [[nodiscard]] double* y() const { return y_; }
  [[nodiscard]] std::size_t size() const { return n_; }

 private:
  static constexpr std::size_t kPageBytes = 4096;
  static constexpr std::size_t kPageDoubles = kPageBytes / sizeof(double);
  std::size_t n_;
  std::vector<double> storage_;
  double* x_ = nullptr;
  double* y_ = nullptr;
};

void throughput(benchmark::State& state, ArrayFunction function, Signs signs) {
  const Arrays arrays(static_cast<std::size_t>(state.range(0)), signs);
  for (auto _ : state) {
    function(arrays.x(), arrays.size(), arrays.y());
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

void register_way(const std::string& name, ArrayFunction function, Signs signs = Signs::mixed) {
  benchmark::RegisterBenchmark(name.c_str(), throughput, function, signs)
      ->RangeMultiplier(4)
      ->Range(256, 4 << 20)
      ->MinTime(0.05)
      ->Repetitions(kRepetitions)
      ->ReportAggregatesOnly(true)
      ->ComputeStatistics("fastest", fastest);
}

// Each root way twice: on mixed signs ("sqrt/...") and on positive inputs
// ("sqrt_positive/...").
void register_root_way(const std::string& way, ArrayFunction function) {
  register_way("sqrt/" + way, function, Signs::mixed);
  register_way("sqrt_positive/" + way, function, Signs::positive);
}

void register_all() {
  register_way("sq/calls", sq_calls);
  register_way("sq/array", vemo::numeric::sq_n);
  register_way("sq/inline", sq_loop);
  register_root_way("calls", sqrt_calls);
  register_root_way("array", vemo::numeric::sqrt_n);
  register_root_way("inline", sqrt_loop);
#ifdef VEMO_NUMERIC_BENCH_NATIVE
  register_way("sq/inline_native", sq_loop_native);
  register_root_way("inline_native", sqrt_loop_native);
#endif
#ifdef VEMO_NUMERIC_BENCH_EIGEN
  register_way("sq/eigen_native", sq_eigen_native);
  register_root_way("eigen_native", sqrt_eigen_native);
  register_root_way("eigen_fast_native", sqrt_eigen_fast_native);
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
