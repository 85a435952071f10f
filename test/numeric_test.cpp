#include <vemo/numeric.hpp>

#include "test_values.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>
#include <vector>

#if defined(__MINGW32__) && defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

using namespace test_values;

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
      // Squares that a first rounding to x87's 64-bit mantissa would push
      // onto the other side of a double's rounding boundary.
      {"rounded once, not via x87", from_bits(0x3ffb628991afa133), from_bits(0x40076f7792c41dc9)},
      {"subnormal square rounded once", from_bits(0x1ffc9f66d5957bec),
       from_bits(0x000ccd06fe7d46c3)},
  };
  for (const Case& c : cases) {
    expect_result(c, vemo::numeric::sq(c.input));
  }
  // Compared straight from the call, not through a stored double: a result
  // held with x87's wider range would still be finite here.
  EXPECT_TRUE(vemo::numeric::sq(1e200) == inf);
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

// What function(input) raises. The volatile accesses keep the call between
// clearing and testing the flags, whatever the optimiser does with the call.
Raised raised_by(double (*function)(double) noexcept, double input) {
  volatile double argument = input;
  volatile double result = 0.0;
  return test_values::raised_by([&] { result = function(argument); });
}

// Inputs stay well away from the underflow threshold: whether a square just
// below it counts as tiny depends on the target (x86 detects tininess after
// rounding, Arm before).
TEST(Sq, RaisesTheFlagsOfTheProductAndKeepsErrno) {
  if (!arithmetic_records_flags()) {
    GTEST_SKIP() << no_flags_recorded;
  }
  struct FlagCase {
    const char* what;
    double input;
    int flags;
  };
  const std::vector<FlagCase> cases = {
      {"exact", -1.5, 0},
      {"zero", -0.0, 0},
      {"infinity", -inf, 0},
      {"exact subnormal square", 0x1.8p-530, 0},
      {"quiet NaN", quiet_nan, 0},
      {"negative quiet NaN", -quiet_nan, 0},
      {"quiet NaN with payload", quiet_nan_with_payload, 0},
      {"rounded", 1.0 + limits::epsilon(), FE_INEXACT},
      {"overflow", 1e200, FE_OVERFLOW | FE_INEXACT},
      {"largest double overflows", -limits::max(), FE_OVERFLOW | FE_INEXACT},
      {"rounded subnormal square", (1.0 + limits::epsilon()) * 0x1p-530, FE_UNDERFLOW | FE_INEXACT},
      {"underflow to zero", 1e-200, FE_UNDERFLOW | FE_INEXACT},
  };
  for (const FlagCase& c : cases) {
    const Raised raised = raised_by(vemo::numeric::sq, c.input);
    EXPECT_EQ(raised.flags, c.flags) << c.what << std::hex << ": raised 0x" << raised.flags;
    EXPECT_EQ(raised.error, 0) << c.what << ": set errno";
  }
}

// sqrt may raise inexact, which every rounded root does, but none of the
// other IEEE exceptions: no invalid flag for a quiet NaN or a negative value.
TEST(Sqrt, RaisesNoFlagButInexactAndKeepsErrno) {
  if (!arithmetic_records_flags()) {
    GTEST_SKIP() << no_flags_recorded;
  }
  const std::vector<double> inputs = {// NaNs
                                      quiet_nan, -quiet_nan, quiet_nan_with_payload,
                                      // outside the domain
                                      -inf, -2.0, -tiny,
                                      // inside it
                                      -0.0, 0.0, tiny, 2.0, limits::max(), inf};
  for (const double input : inputs) {
    const Raised raised = raised_by(vemo::numeric::sqrt, input);
    EXPECT_EQ(raised.flags & ~FE_INEXACT, 0)
        << "input " << input << std::hex << " raised 0x" << raised.flags;
    EXPECT_EQ(raised.error, 0) << "input " << input << " set errno";
  }
}

// The correctly rounded square and root, from arithmetic that rounds once.
// Where this file's own double arithmetic does (FLT_EVAL_METHOD 0), that is
// its product and std::sqrt. Where it is evaluated in a wider format (x87),
// those would round twice, and std::fma, which rounds once, gives the square
// as fma(x, x, 0) and decides the root by its exact residual. (mingw-w64's fma
// rounds twice itself, but its double arithmetic takes the first branch.)
double correct_square(double x) {
#if FLT_EVAL_METHOD == 0
  return x * x;
#else
  return std::fma(x, x, 0.0);
#endif
}

// For a finite x > 0.
bool is_correct_root(double x, double r) {
#if defined(__MINGW32__) && defined(__SSE2__)
  // mingw-w64's std::sqrt rounds twice where it is called, unoptimised; the
  // instruction rounds once.
  return bits_of(r) == bits_of(_mm_cvtsd_f64(_mm_sqrt_sd(_mm_setzero_pd(), _mm_set_sd(x))));
#elif FLT_EVAL_METHOD == 0
  return bits_of(r) == bits_of(std::sqrt(x));
#else
  // Scaling x by an even power of two scales the root exactly and keeps
  // x - r*r clear of underflow; fma gives that residual exactly. r is the
  // correctly rounded root when sqrt(x) lies within half a gap of r on either
  // side, that is when -r * down < x - r*r <= r * up, where up and down are
  // the gaps to r's neighbours. (The squares of the half gaps drop out: every
  // term is a multiple of them, and roots never tie.)
  int exponent = 0;
  static_cast<void>(std::frexp(x, &exponent));
  const int scale = exponent - exponent % 2;
  const double scaled_x = std::ldexp(x, -scale);
  const double scaled_r = std::ldexp(r, -scale / 2);
  const double residual = std::fma(-scaled_r, scaled_r, scaled_x);
  const double up = std::nextafter(scaled_r, inf) - scaled_r;
  const double down = scaled_r - std::nextafter(scaled_r, 0.0);
  return residual <= scaled_r * up && residual > -(scaled_r * down);
#endif
}

TEST(Numeric, CorrectlyRoundedAcrossTheRange) {
  const std::vector<double> inputs = sweep_inputs();
  ASSERT_EQ(inputs.size(), 2048U * 8U * 2U);
  for (const double x : inputs) {
    const std::uint64_t bits = bits_of(x);
    const double square = vemo::numeric::sq(x);
    if (std::isnan(x)) {
      EXPECT_TRUE(std::isnan(square)) << std::hex << "sq of 0x" << bits;
    } else {
      EXPECT_EQ(bits_of(square), bits_of(correct_square(x))) << std::hex << "sq of 0x" << bits;
    }

    const double root = vemo::numeric::sqrt(x);
    const bool positive_finite = (bits & sign_bit) == 0 && x > 0.0 && x < inf;
    if (positive_finite) {
      EXPECT_TRUE(is_correct_root(x, root))
          << std::hex << "sqrt of 0x" << bits << " gave 0x" << bits_of(root);
    } else {
      // +0, -0 and +inf are their own roots; everything else gives +0.
      const bool own_root = x == 0.0 || x == inf;
      EXPECT_EQ(bits_of(root), own_root ? bits : 0) << std::hex << "sqrt of 0x" << bits;
    }
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
  // The threads spin on a flag so that all of them call at once. (std::latch
  // hung now and then with mingw-w64's libstdc++ 12 under wine.)
  std::atomic<bool> go{false};
  std::vector<std::thread> threads;
  threads.reserve(thread_count);
  for (std::vector<std::uint64_t>& result : results) {
    threads.emplace_back([&inputs, &result, &go] {
      while (!go.load()) {
        std::this_thread::yield();
      }
      for (const double x : inputs) {
        result.push_back(bits_of(vemo::numeric::sq(x)));
        result.push_back(bits_of(vemo::numeric::sqrt(x)));
      }
    });
  }
  go.store(true);
  for (std::thread& thread : threads) {
    thread.join();
  }
  for (const std::vector<std::uint64_t>& result : results) {
    EXPECT_EQ(result, expected);
  }
}

}  // namespace
