#include <vemo/numeric.hpp>

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <latch>
#include <limits>
#include <thread>
#include <vector>

namespace {

using limits = std::numeric_limits<double>;
constexpr double inf = limits::infinity();
constexpr double quiet_nan = limits::quiet_NaN();
constexpr double tiny = limits::denorm_min();  // 2^-1074

std::uint64_t bits_of(double x) { return std::bit_cast<std::uint64_t>(x); }
double from_bits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

constexpr std::uint64_t sign_bit = std::uint64_t{1} << 63;
constexpr std::uint64_t exponent_mask = std::uint64_t{0x7FF} << 52;
constexpr std::uint64_t mantissa_mask = (std::uint64_t{1} << 52) - 1;

struct Case {
  const char* what;
  double input;
  double expected;
};

// Zeros compare equal whatever their sign, so the sign is checked on its own.
void expect_result(const Case& c, double actual) {
  if (std::isnan(c.expected)) {
    EXPECT_TRUE(std::isnan(actual)) << c.what << ": got " << actual;
    return;
  }
  EXPECT_EQ(actual, c.expected) << c.what;
  EXPECT_EQ(std::signbit(actual), std::signbit(c.expected)) << c.what << ": sign of " << actual;
}

TEST(Sq, SpecialAndOrdinaryValues) {
  const std::vector<Case> cases = {
      {"2", 2.0, 4.0},
      {"-2", -2.0, 4.0},
      {"+0", 0.0, 0.0},
      {"-0 gives +0", -0.0, 0.0},
      {"NaN stays NaN", quiet_nan, quiet_nan},
      {"-inf gives +inf", -inf, inf},
      {"+inf", inf, inf},
      {"overflow gives +inf", 1e200, inf},
      {"negative overflow gives +inf", -1e200, inf},
      {"underflow gives +0", 1e-200, 0.0},
      {"negative underflow gives +0", -1e-200, 0.0},
      {"smallest subnormal underflows", tiny, 0.0},
      {"exact fraction", -1.5, 2.25},
      // (1 + 2^-52)^2 = 1 + 2^-51 + 2^-104: one rounding drops the last term.
      {"rounded once", 1.0 + limits::epsilon(), 1.0 + 2 * limits::epsilon()},
  };
  for (const Case& c : cases) {
    expect_result(c, vemo::numeric::sq(c.input));
  }
}

TEST(Sqrt, SpecialAndOrdinaryValues) {
  const std::vector<Case> cases = {
      {"2, correctly rounded", 2.0, 1.4142135623730951},
      {"4 is exact", 4.0, 2.0},
      {"0.25 is exact", 0.25, 0.5},
      {"+0", 0.0, 0.0},
      {"-0 passes the guard and keeps its sign", -0.0, -0.0},
      {"+inf", inf, inf},
      {"largest double", limits::max(), 1.3407807929942596e154},
      {"smallest subnormal", tiny, 0x1p-537},
      {"-2 gives +0, not NaN", -2.0, 0.0},
      {"-inf gives +0", -inf, 0.0},
      {"lowest double gives +0", limits::lowest(), 0.0},
      {"negative subnormal gives +0", -tiny, 0.0},
      {"NaN gives +0", quiet_nan, 0.0},
      {"negative NaN gives +0", -quiet_nan, 0.0},
  };
  for (const Case& c : cases) {
    expect_result(c, vemo::numeric::sqrt(c.input));
  }
}

// sqrt may raise inexact, which every rounded root does, but nothing else:
// no invalid flag for a quiet NaN or a negative value, and no errno.
TEST(Sqrt, RaisesNoFlagButInexactAndKeepsErrno) {
  const std::vector<double> inputs = {
      // NaNs, the last with a payload
      quiet_nan, -quiet_nan, from_bits(exponent_mask | 0x8000000000001),
      // outside the domain
      -inf, -2.0, -tiny,
      // inside it
      -0.0, 0.0, tiny, 2.0, limits::max(), inf};

  for (const double input : inputs) {
    // The volatile accesses keep the call between clearing and testing the
    // flags, whatever the optimiser does with the call itself.
    volatile double argument = input;
    std::feclearexcept(FE_ALL_EXCEPT);
    errno = 0;
    volatile double result = vemo::numeric::sqrt(argument);
    const int raised = std::fetestexcept(FE_ALL_EXCEPT & ~FE_INEXACT);
    const int error = errno;
    static_cast<void>(result);

    EXPECT_EQ(raised, 0) << "input " << input << " raised flags 0x" << std::hex << raised;
    EXPECT_EQ(error, 0) << "input " << input << " set errno";
  }
}

// Every exponent, subnormals and the NaN/inf exponent included, with mantissas
// at both ends, in the middle and scattered, under both signs.
std::vector<double> sweep_inputs() {
  std::vector<double> inputs;
  std::uint64_t scatter = 0x9E3779B97F4A7C15;
  for (std::uint64_t exponent = 0; exponent <= 0x7FF; ++exponent) {
    std::vector<std::uint64_t> mantissas = {0, 1, std::uint64_t{1} << 51, mantissa_mask};
    for (int i = 0; i < 4; ++i) {
      scatter = scatter * 6364136223846793005 + 1442695040888963407;
      mantissas.push_back(scatter >> 12);
    }
    for (const std::uint64_t mantissa : mantissas) {
      const std::uint64_t magnitude = (exponent << 52) | mantissa;
      inputs.push_back(from_bits(magnitude));
      inputs.push_back(from_bits(sign_bit | magnitude));
    }
  }
  return inputs;
}

TEST(Sqrt, MatchesStdSqrtBitForBitAcrossTheRange) {
  const std::vector<double> inputs = sweep_inputs();
  ASSERT_EQ(inputs.size(), 2048U * 8U * 2U);
  for (const double x : inputs) {
    const std::uint64_t bits = bits_of(x);
    const bool negative = (bits & sign_bit) != 0;
    const bool is_nan = (bits & exponent_mask) == exponent_mask && (bits & mantissa_mask) != 0;
    const bool is_negative_zero = bits == sign_bit;

    std::uint64_t expected = 0;  // +0.0
    if (is_negative_zero || (!negative && !is_nan)) {
      expected = bits_of(std::sqrt(x));
    }
    EXPECT_EQ(bits_of(vemo::numeric::sqrt(x)), expected) << std::hex << "input bits 0x" << bits;
  }
}

// Pure functions: threads calling both at once over the same inputs must get
// exactly the results of a single thread.
TEST(Numeric, ConcurrentCallsGiveTheSameBits) {
  const std::vector<double> inputs = sweep_inputs();
  std::vector<std::uint64_t> expected;
  for (const double x : inputs) {
    expected.push_back(bits_of(vemo::numeric::sq(x)));
    expected.push_back(bits_of(vemo::numeric::sqrt(x)));
  }

  constexpr int thread_count = 4;
  std::vector<std::vector<std::uint64_t>> results(thread_count);
  std::latch start(thread_count);
  std::vector<std::thread> threads;
  threads.reserve(thread_count);
  for (std::vector<std::uint64_t>& result : results) {
    threads.emplace_back([&inputs, &result, &start] {
      start.arrive_and_wait();  // all threads call at once
      for (const double x : inputs) {
        result.push_back(bits_of(vemo::numeric::sq(x)));
        result.push_back(bits_of(vemo::numeric::sqrt(x)));
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (const std::vector<std::uint64_t>& result : results) {
    EXPECT_EQ(result, expected);
  }
}

}  // namespace
