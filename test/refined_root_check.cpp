// The long check of the refined root kernel: compares it bit for bit with the
// scalar root (the square-root instruction) over as many inputs as asked, ten
// billion by default, of every kind in root_inputs.hpp, in blocks that each
// run with one of DAZ and FTZ clear or set and compare their flags too.
//
//   refined_root_check [inputs [threads]]
//
// Prints what it checked and exits 0 when every root and every block's flags
// matched, 1 when one did not, 2 when it cannot run here. Not part of ctest:
// ten billion roots take minutes.
#include <vemo/numeric.hpp>

#include "array_kernels.hpp"
#include "root_inputs.hpp"
#include "test_values.hpp"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

namespace {

constexpr std::size_t block = 1 << 16;

struct Tally {
  std::atomic<std::uint64_t> checked{0};
  std::atomic<std::uint64_t> wrong_roots{0};
  std::atomic<std::uint64_t> wrong_flags{0};
};

// A positive count, or 0 for anything else.
std::uint64_t parse_count(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);  // accepts 1e10
  const bool whole = end != text && *end == '\0' && value >= 1 && value <= 1e15;
  return whole ? static_cast<std::uint64_t>(value) : 0;
}

#ifdef VEMO_NUMERIC_X86_KERNELS
void check_blocks(std::uint64_t first_block, std::uint64_t blocks, Tally& tally) {
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
    const test_values::ScopedEnvironment in(environments[index % environments.size()]);
    const test_values::Raised scalar = test_values::raised_by([&] {
      std::transform(inputs.begin(), inputs.end(), expected.begin(), vemo::numeric::sqrt);
    });
    const test_values::Raised refined = test_values::raised_by(
        [&] { vemo::numeric::detail::sqrt_n_avx512f_refined(inputs.data(), block, roots.data()); });
    std::uint64_t wrong = 0;
    for (std::size_t i = 0; i < block; ++i) {
      if (bits_of(roots[i]) != bits_of(expected[i])) {
        if (++wrong <= 3) {
          std::fprintf(stderr, "sqrt of %a (0x%016llx) gave %a, expected %a\n", inputs[i],
                       static_cast<unsigned long long>(bits_of(inputs[i])), roots[i], expected[i]);
        }
      }
    }
    tally.wrong_roots += wrong;
    tally.wrong_flags += scalar.flags != refined.flags ? 1 : 0;
    tally.checked += block;
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
  if (!vemo::numeric::detail::cpu_has_avx512f()) {
    std::fprintf(stderr, "%s: this CPU has no AVX-512F, so the refined kernel cannot run here\n",
                 argv[0]);
    return 2;
  }
  const std::uint64_t blocks = (inputs + block - 1) / block;
  const auto start = std::chrono::steady_clock::now();
  Tally tally;
  std::vector<std::thread> workers;
  for (std::uint64_t t = 0; t < threads; ++t) {
    const std::uint64_t first = blocks * t / threads;
    workers.emplace_back(check_blocks, first, blocks * (t + 1) / threads - first, std::ref(tally));
  }
  for (std::thread& worker : workers) {
    worker.join();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf(
      "%llu roots checked in %.0f s on %llu threads: %llu wrong, %llu blocks of %zu with wrong "
      "flags\n",
      static_cast<unsigned long long>(tally.checked.load()), seconds,
      static_cast<unsigned long long>(threads),
      static_cast<unsigned long long>(tally.wrong_roots.load()),
      static_cast<unsigned long long>(tally.wrong_flags.load()), block);
  return tally.wrong_roots == 0 && tally.wrong_flags == 0 ? 0 : 1;
#else
  std::fprintf(stderr, "%s: this build has no refined kernel (it is for x86 with g++ or clang++)\n",
               argv[0]);
  return 2;
#endif
}
