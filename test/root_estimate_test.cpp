// The one assumption about the hardware that the AVX-512F roots rest on
// (docs/correct-rounding.md, proved in proofs/): vrsqrt14pd's estimate of
// 1/sqrt(x) errs by less than 2^-14, relative, as Intel's and AMD's manuals
// say, and as refined_root_avx512f.hpp states with the steps (proofs/check
// compares the two). Measured here on the CPU the tests run on.
#include "array_kernels.hpp"
#include "x86/cpu.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <gtest/gtest.h>
#include <immintrin.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <random>

namespace {

// An estimate of 1/sqrt(x) for eight doubles at once.
using Estimate = void (*)(const std::array<double, 8>& x, std::array<double, 8>& y);

__attribute__((target("avx512f"))) void vrsqrt14pd(const std::array<double, 8>& x,
                                                   std::array<double, 8>& y) {
  // The zero-masked form with every lane set: GCC 12 warns about the unmasked
  // form's undefined source operand.
  _mm512_storeu_pd(y.data(), _mm512_maskz_rsqrt14_pd(0xFF, _mm512_loadu_pd(x.data())));
}

double from_bits(std::uint64_t bits) {
  double x = 0.0;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

struct Largest {
  double error = 0.0;  // |y sqrt(x) - 1|
  double x = 0.0;
};

// The bound the AVX-512F roots rest on.
constexpr double bound = 0x1p-14;

// The largest error of the estimate, measured as |fma(y, RN(sqrt(x)), -1)|:
// the correctly rounded root is within 2^-53 of sqrt(x) (relative), and the
// multiply-add rounds a result below 2^-13 once, so the measure is within
// 2^-52 of the error.
constexpr double measurement_error = 0x1p-52;

// Over both ends of every interval of doubles that share their exponent's
// parity and the top 24 bits of their mantissa, 2^26 inputs (an estimate that
// is constant over such an interval errs most at its ends), and over 2^20
// random doubles of the refined range, [2^-900, DBL_MAX]: eight at a time.
Largest largest_error(Estimate estimate) {
  Largest largest;
  std::array<double, 8> x{};
  std::array<double, 8> y{};
  std::size_t count = 0;
  const auto measure = [&](double input) {
    x[count++] = input;
    if (count == x.size()) {
      estimate(x, y);
      for (std::size_t i = 0; i != count; ++i) {
        const double error = std::abs(std::fma(y[i], std::sqrt(x[i]), -1.0));
        if (!(error <= largest.error)) {  // a NaN is the largest error
          largest = {error, x[i]};
        }
      }
      count = 0;
    }
  };
  constexpr std::uint64_t low_bits = (std::uint64_t{1} << 28) - 1;
  // The exponents of [1, 2) and [2, 4).
  for (const std::uint64_t exponent : {std::uint64_t{1023}, std::uint64_t{1024}}) {
    for (std::uint64_t prefix = 0; prefix != std::uint64_t{1} << 24; ++prefix) {
      const std::uint64_t bits = exponent << 52 | prefix << 28;
      measure(from_bits(bits));
      measure(from_bits(bits | low_bits));
    }
  }
  std::mt19937_64 random(0x5EED);
  std::uniform_int_distribution<std::uint64_t> refined(0x07B0000000000000, 0x7FEFFFFFFFFFFFFF);
  for (int i = 0; i != 1 << 20; ++i) {
    measure(from_bits(refined(random)));
  }
  return largest;
}

// Passes without measuring on a CPU without AVX-512F, as the kernel tests do,
// and says so.
TEST(RootEstimate, Vrsqrt14pdErrsByLessThanTwoToMinus14) {
  if (!vemo::numeric::detail::cpu().signature.avx512f) {
    std::cout << "[ estimate ] no AVX-512F on this CPU: vrsqrt14pd not measured\n";
    return;
  }
  const Largest largest = largest_error(vrsqrt14pd);
  std::cout << "[ estimate ] vrsqrt14pd's largest error: 2^" << std::log2(largest.error)
            << " (bound 2^" << std::log2(bound) << "), at x = " << std::hexfloat << largest.x
            << std::defaultfloat << '\n';
  EXPECT_LT(largest.error + measurement_error, bound)
      << "at x = " << std::hexfloat << largest.x << ": the AVX-512F roots rest on this bound";
}

}  // namespace

#endif  // VEMO_NUMERIC_X86_KERNELS
