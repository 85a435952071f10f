// The long check of the refined root kernels: compares sqrt_n and each
// refined kernel that this CPU runs, called directly, bit for bit with the
// scalar root (the square-root instruction) over as many inputs as asked, ten billion by default,
// of every kind in root_inputs.hpp, in blocks that each run with one of DAZ and FTZ clear or set
// and compare their flags too.
//
//   refined_root_check [inputs [threads]]
//
// Prints what it checked and exits 0 when every root and every block's flags
// matched, 1 when one did not, 2 when it cannot run here. Not part of ctest:
// ten billion roots take minutes.
#include <vemo/numeric.hpp>

#include "array_kernels.hpp"
#include "kernel_menu.hpp"
#include "root_inputs.hpp"
#include "test_values.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Tally {
  std::atomic<std::uint64_t> wrong_roots{0};
  std::atomic<std::uint64_t> wrong_flags{0};
};

#ifdef VEMO_NUMERIC_X86_KERNELS
constexpr std::size_t block = 1 << 16;

using kernel_menu::ArrayFunction;

struct Kernel {
  Kernel(std::string kernel_name, ArrayFunction kernel_function)
      : name(std::move(kernel_name)), function(std::move(kernel_function)) {}
  std::string name;
  ArrayFunction function;
  Tally tally;
};
#endif

// A positive count, or 0 for anything else.
std::uint64_t parse_count(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);  // accepts 1e10
  const bool whole = end != text && *end == '\0' && value >= 1 && value <= 1e15;
  return whole ? static_cast<std::uint64_t>(value) : 0;
}

#ifdef VEMO_NUMERIC_X86_KERNELS
// Each block's inputs and scalar roots once, then every kernel on them.
void check_blocks(std::uint64_t first_block, std::uint64_t blocks,
                  const std::vector<Kernel*>& kernels) {
  using test_values::bits_of;
  const std::vector<test_values::Environment> environments = [] {
    std::vector<test_values::Environment> nearest;
    for (const test_values::Environment& environment : test_values::all_environments()) {
      if (environment.rounding == FE_TONEAREST) {
        nearest.push_back(environment);
      }
    }
    return nearest;
  }();
  std::vector<double> roots(block);
  std::vector<double> expected(block);
  for (std::uint64_t index = first_block; index < first_block + blocks; ++index) {
    // Every block has its own inputs, however the blocks are shared out.
    std::uint64_t state = index << 32;
    const std::vector<double> inputs = root_inputs::mixed_inputs(block, state);
    const test_values::ScopedEnvironment in(
        environments[static_cast<std::size_t>(index % environments.size())]);
    const test_values::Raised scalar = test_values::raised_by([&] {
      std::transform(inputs.begin(), inputs.end(), expected.begin(), vemo::numeric::sqrt);
    });
    for (Kernel* kernel : kernels) {
      const test_values::Raised refined =
          test_values::raised_by([&] { kernel->function(inputs.data(), block, roots.data()); });
      std::uint64_t wrong = 0;
      for (std::size_t i = 0; i < block; ++i) {
        if (bits_of(roots[i]) != bits_of(expected[i]) && ++wrong <= 3) {
          std::fprintf(stderr, "%s: sqrt of %a (0x%016llx) gave %a, expected %a\n",
                       kernel->name.c_str(), inputs[i],
                       static_cast<unsigned long long>(bits_of(inputs[i])), roots[i], expected[i]);
        }
      }
      kernel->tally.wrong_roots += wrong;
      kernel->tally.wrong_flags += scalar.flags != refined.flags ? 1 : 0;
    }
  }
}
#endif

}  // namespace

int main(int argc, char** argv) {
  const std::uint64_t inputs = argc > 1 ? parse_count(argv[1]) : 10'000'000'000;
  const std::uint64_t threads =
      argc > 2 ? parse_count(argv[2]) : std::max(1U, std::thread::hardware_concurrency());
  if (argc > 3 || inputs == 0 || threads == 0) {
    std::fprintf(stderr, "usage: %s [inputs [threads]], each a positive number such as 1e10\n",
                 argv[0]);
    return 2;
  }
#ifdef VEMO_NUMERIC_X86_KERNELS
  namespace detail = vemo::numeric::detail;
  const detail::CpuSignature& cpu = detail::cpu().signature;
  // Tallies are atomic, so the kernels stay where they were made.
  std::deque<Kernel> all;
  all.emplace_back("sqrt_n", vemo::numeric::sqrt_n);
  for (const kernel_menu::SplitKernel& split : kernel_menu::split_kernels(cpu)) {
    if (split.supported) {
      all.emplace_back(split.name, split.cached);
      all.emplace_back(split.name + "_streaming", split.streaming);
    }
  }
  std::vector<Kernel*> kernels;
  kernels.reserve(all.size());
  for (Kernel& kernel : all) {
    kernels.push_back(&kernel);
  }
  if (kernels.size() == 1) {
    std::fprintf(
        stderr,
        "%s: this CPU has neither AVX2 with FMA nor AVX-512F, so no refined kernel can run here\n",
        argv[0]);
    return 2;
  }
  const std::uint64_t blocks = (inputs + block - 1) / block;
  const auto start = std::chrono::steady_clock::now();
  std::vector<std::thread> workers;
  for (std::uint64_t t = 0; t < threads; ++t) {
    const std::uint64_t first = blocks * t / threads;
    workers.emplace_back(check_blocks, first, blocks * (t + 1) / threads - first, kernels);
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
  const std::uint64_t checked = blocks * block;
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%llu roots checked per kernel in %.0f s on %llu threads\n",
              static_cast<unsigned long long>(checked), seconds,
              static_cast<unsigned long long>(threads));
  bool all_right = true;
  for (const Kernel* kernel : kernels) {
    std::printf("%s: %llu wrong, %llu blocks of %zu with wrong flags\n", kernel->name.c_str(),
                static_cast<unsigned long long>(kernel->tally.wrong_roots.load()),
                static_cast<unsigned long long>(kernel->tally.wrong_flags.load()), block);
    all_right = all_right && kernel->tally.wrong_roots == 0 && kernel->tally.wrong_flags == 0;
  }
  return all_right ? 0 : 1;
#else
  std::fprintf(stderr, "%s: this build has no refined kernel (it is for x86 with g++ or clang++)\n",
               argv[0]);
  return 2;
#endif
}
