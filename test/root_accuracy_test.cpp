// sqrt_n, and the refined kernel where the CPU has it, against the scalar
// root (the square-root instruction) on the inputs hardest to round and on
// many random ones: the same bits, and the same flags.
#include <vemo/numeric.hpp>

#include "array_kernels.hpp"
#include "kernel_menu.hpp"
#include "root_inputs.hpp"
#include "test_values.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#if __has_include(<valgrind/valgrind.h>)
#include <valgrind/valgrind.h>
#endif

namespace {

using namespace test_values;
using kernel_menu::ArrayFunction;

struct RootKernel {
  std::string name;
  ArrayFunction function;
  bool refined;  // in directed rounding it takes the instruction
};

// Tens of millions of random inputs take a second or two natively: a tenth
// of them where the code runs slowly (sanitized or unoptimised), a hundredth
// under an emulator or valgrind.
std::size_t random_input_count() {
  std::size_t count = 30'000'000;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__OPTIMIZE__)
  count /= 10;
#endif
#ifdef VEMO_NUMERIC_TEST_EMULATED
  count /= 100;
#endif
#ifdef RUNNING_ON_VALGRIND
  if (RUNNING_ON_VALGRIND) {
    count /= 100;
  }
#endif
  return count;
}

std::vector<RootKernel> root_kernels() {
  std::vector<RootKernel> kernels = {{"sqrt_n", vemo::numeric::sqrt_n, false}};
#ifdef VEMO_NUMERIC_X86_KERNELS
  // The refined kernels of every split on a menu, where the CPU runs them.
  for (const kernel_menu::SplitKernel& split :
       kernel_menu::split_kernels(vemo::numeric::detail::cpu().signature)) {
    if (split.supported) {
      kernels.push_back({split.name, split.cached, true});
    }
  }
#endif
  return kernels;
}

// Every exponent and special value, powers of two and four and the largest
// double with their neighbours, exact squares and their neighbours at every
// exponent, the magnitudes around 2^-900 where the refined kernel hands over
// to the instruction, and generated near-squares and near-midpoints.
std::vector<double> hardest_cases() {
  using root_inputs::ulps_away;
  std::vector<double> cases = sweep_inputs();
  for (int steps = -4; steps <= 4; ++steps) {
    for (int exponent = -1074; exponent <= 1023; ++exponent) {
      cases.push_back(ulps_away(std::ldexp(1.0, exponent), steps));
    }
    for (const double q : {1.0, 3.0, 0x1p26 - 1.0, 0x1p25 + 1.0}) {
      for (int exponent = -537; exponent <= 486; ++exponent) {
        const double root = std::ldexp(q, exponent);
        cases.push_back(ulps_away(root * root, steps));
      }
    }
    cases.push_back(ulps_away(limits::max(), steps - 4));
    cases.push_back(ulps_away(from_bits(root_inputs::smallest_refined_bits), steps));
  }
  std::uint64_t state = 0x5EED;
  for (const auto kind : {root_inputs::Kind::near_square, root_inputs::Kind::near_midpoint,
                          root_inputs::Kind::near_threshold}) {
    for (int i = 0; i < 10'000; ++i) {
      cases.push_back(root_inputs::input_of(kind, state));
    }
  }
  return cases;
}

// Each input on its own, so that the flags of each root are compared, then
// all of them in one call.
TEST(SqrtN, MatchesTheScalarRootOnTheHardestCases) {
  const std::vector<double> inputs = hardest_cases();
  for (const Environment& environment : all_environments()) {
    const ScopedEnvironment in(environment);
    ASSERT_TRUE(in.set()) << "cannot round " << environment.name;
    for (const RootKernel& kernel : root_kernels()) {
      // DAZ and FTZ matter where the roots are computed, which is to
      // nearest; in the other modes the refined kernels take the
      // instruction, as the array tests check.
      const bool directed = environment.rounding != FE_TONEAREST;
      if (directed && (kernel.refined || environment.mxcsr_bits != 0)) {
        continue;
      }
      SCOPED_TRACE(kernel.name + ", rounding " + environment.name);
      int mismatches = 0;
      for (const double x : inputs) {
        double root = 0.0;
        double expected = 0.0;
        const Raised scalar = raised_by([&] { expected = vemo::numeric::sqrt(x); });
        const Raised by_array = raised_by([&] { kernel.function(&x, 1, &root); });
        if ((bits_of(root) != bits_of(expected) || by_array.flags != scalar.flags) &&
            ++mismatches <= 5) {
          ADD_FAILURE() << std::hexfloat << "sqrt of " << x << ": " << root << " raising 0x"
                        << std::hex << by_array.flags << ", expected " << std::hexfloat << expected
                        << " raising 0x" << std::hex << scalar.flags;
        }
      }
      EXPECT_EQ(mismatches, 0);
      std::vector<double> roots(inputs.size());
      kernel.function(inputs.data(), inputs.size(), roots.data());
      EXPECT_TRUE(std::equal(roots.begin(), roots.end(), inputs.begin(), [](double root, double x) {
        return bits_of(root) == bits_of(vemo::numeric::sqrt(x));
      }));
    }
  }
}

// Random inputs of every kind, in blocks whose flags are compared as a whole.
TEST(SqrtN, MatchesTheScalarRootOnRandomInputs) {
  constexpr std::size_t block = 1 << 16;
  std::vector<double> roots(block);
  std::vector<double> expected(block);
  for (const RootKernel& kernel : root_kernels()) {
    std::uint64_t state = 20261208;
    std::size_t mismatches = 0;
    for (std::size_t done = 0; done < random_input_count(); done += block) {
      const std::vector<double> inputs = root_inputs::mixed_inputs(block, state);
      const Raised scalar = raised_by([&] {
        std::transform(inputs.begin(), inputs.end(), expected.begin(), vemo::numeric::sqrt);
      });
      const Raised by_array =
          raised_by([&] { kernel.function(inputs.data(), block, roots.data()); });
      EXPECT_EQ(by_array.flags, scalar.flags) << kernel.name << ", block at " << done;
      for (std::size_t i = 0; i < block; ++i) {
        if (bits_of(roots[i]) != bits_of(expected[i]) && ++mismatches <= 5) {
          ADD_FAILURE() << kernel.name << std::hexfloat << ": sqrt of " << inputs[i] << " gave "
                        << roots[i] << ", expected " << expected[i];
        }
      }
    }
    EXPECT_EQ(mismatches, 0U) << kernel.name;
  }
}

}  // namespace
