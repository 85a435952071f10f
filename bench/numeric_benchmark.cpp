// Throughput and latency of the library's functions against the same
// arithmetic written inline. Without link-time optimisation each library call
// is a real call, which also keeps the loop from being vectorised; with it the
// linker can inline the archive's functions and the two should run alike.
#include <vemo/numeric.hpp>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace {

// 1024 inputs and 1024 outputs together take 16 KiB, well inside a 32 KiB L1d.
constexpr std::size_t kItems = 1024;
constexpr int kRepetitions = 10;

enum class Data { kPositive, kMixedSign };

std::vector<double> make_inputs(double lowest) {
  std::mt19937_64 engine(20261208);
  std::uniform_real_distribution<double> distribution(lowest, 1000.0);
  std::vector<double> inputs(kItems);
  std::generate(inputs.begin(), inputs.end(), [&] { return distribution(engine); });
  return inputs;
}

// Library and inline loops read and write the very same buffers, so that
// neither gains from where its memory happens to lie.
const std::vector<double>& inputs(Data data) {
  static const std::vector<double> positive = make_inputs(0.0);
  static const std::vector<double> mixed_sign = make_inputs(-1000.0);
  return data == Data::kPositive ? positive : mixed_sign;
}

std::vector<double>& outputs() {
  static std::vector<double> buffer(kItems);
  return buffer;
}

double inline_sq(double x) { return x * x; }

double inline_sqrt(double x) { return std::isgreaterequal(x, 0.0) ? std::sqrt(x) : 0.0; }

// Time per item, as a rate inverted, so that the fastest repetition is the
// smallest value for the time and for this counter alike.
benchmark::Counter time_per_item() {
  return {static_cast<double>(kItems),
          benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert};
}

template <double (*Function)(double)>
void throughput(benchmark::State& state, Data data) {
  const std::vector<double>& in = inputs(data);
  std::vector<double>& out = outputs();
  benchmark::DoNotOptimize(out.data());
  for (auto _ : state) {
    for (std::size_t i = 0; i < kItems; ++i) {
      out[i] = Function(in[i]);
    }
    benchmark::ClobberMemory();
  }
  state.counters["time_per_item"] = time_per_item();
}

// Each call waits for the one before, so this measures a call's latency.
template <double (*Function)(double)>
void latency(benchmark::State& state) {
  double x = 1.0;  // a fixed point of both functions: no overflow, no subnormals
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    for (std::size_t i = 0; i < kItems; ++i) {
      x = Function(x);
    }
  }
  benchmark::DoNotOptimize(x);
  state.counters["time_per_item"] = time_per_item();
}

double fastest(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

void configure(benchmark::internal::Benchmark* benchmark) {
  benchmark->Repetitions(kRepetitions)
      ->ReportAggregatesOnly(true)
      ->ComputeStatistics("fastest", fastest);
}

void register_throughput(const std::string& function, Data data,
                         void (*library)(benchmark::State&, Data),
                         void (*written_inline)(benchmark::State&, Data)) {
  const std::string suffix = data == Data::kPositive ? "/positive" : "/mixed_sign";
  configure(benchmark::RegisterBenchmark((function + "/library" + suffix).c_str(), library, data));
  configure(
      benchmark::RegisterBenchmark((function + "/inline" + suffix).c_str(), written_inline, data));
}

void register_all() {
  for (const Data data : {Data::kPositive, Data::kMixedSign}) {
    register_throughput("sq", data, throughput<vemo::numeric::sq>, throughput<inline_sq>);
    register_throughput("sqrt", data, throughput<vemo::numeric::sqrt>, throughput<inline_sqrt>);
  }
  configure(benchmark::RegisterBenchmark("sq_latency/library", latency<vemo::numeric::sq>));
  configure(benchmark::RegisterBenchmark("sq_latency/inline", latency<inline_sq>));
  configure(benchmark::RegisterBenchmark("sqrt_latency/library", latency<vemo::numeric::sqrt>));
  configure(benchmark::RegisterBenchmark("sqrt_latency/inline", latency<inline_sqrt>));
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  register_all();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
