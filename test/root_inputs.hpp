#ifndef VEMO_NUMERIC_ROOT_INPUTS_HPP
#define VEMO_NUMERIC_ROOT_INPUTS_HPP

// Inputs for checking a square root that is computed rather than taken from
// the instruction: the cases hardest to round, and random doubles of every
// kind, for the unit tests and the long check program alike.

#include "test_values.hpp"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace root_inputs {

using test_values::from_bits;
using test_values::limits;

// 2^-900: the smallest magnitude the refined kernel computes itself.
inline constexpr std::uint64_t smallest_refined_bits = 0x07B0'0000'0000'0000;

// A fast, well-mixed stream of 64-bit values (SplitMix64).
inline std::uint64_t next_random(std::uint64_t& state) {
  std::uint64_t z = (state += 0x9E37'79B9'7F4A'7C15);
  z = (z ^ (z >> 30)) * 0xBF58'476D'1CE4'E5B9;
  z = (z ^ (z >> 27)) * 0x94D0'49BB'1331'11EB;
  return z ^ (z >> 31);
}

// The double `steps` ulps from x, by its bit pattern (x positive).
inline double ulps_away(double x, int steps) {
  return from_bits(test_values::bits_of(x) + static_cast<std::uint64_t>(std::int64_t{steps}));
}

// Kinds of input, each hard in its own way. A root within a hair of a
// double (near a square) or of a midpoint between two doubles decides the
// rounding; near a power of two the gap between doubles halves; near
// 2^-900 the refined kernel hands over to the instruction.
enum class Kind {
  any_bits,           // every class: NaNs, infinities, zeros, subnormals, negatives
  refined_range,      // positive, exponent uniform over [2^-900, DBL_MAX]
  near_exact_square,  // q * q exactly (q of 26 bits), and 1 and 2 ulps either side
  near_square,        // the double nearest q * q for a q of 53 bits, and around it
  near_midpoint,      // the double nearest (m + 1/2)^2 for m of 53 bits, and around it
  near_power_of_two,  // 2^e and 4^e, and up to 4 ulps either side
  near_threshold,     // magnitudes within 8 binades of 2^-900
  count
};

// One input of `kind`, over every exponent the kind allows.
inline double input_of(Kind kind, std::uint64_t& state) {
  const std::uint64_t random = next_random(state);
  const std::uint64_t more = next_random(state);
  const int steps = static_cast<int>(more % 5) - 2;  // -2 .. 2 ulps
  const auto exponent = [&](int lowest, int highest) {
    return lowest +
           static_cast<int>((more >> 8) % static_cast<std::uint64_t>(highest - lowest + 1));
  };
  const double mantissa = 1.0 + static_cast<double>(random >> 12) * 0x1p-52;  // [1, 2)
  switch (kind) {
    case Kind::any_bits:
      return from_bits(random);
    case Kind::refined_range:
      return from_bits(smallest_refined_bits +
                       random % (0x7FEF'FFFF'FFFF'FFFF - smallest_refined_bits + 1));
    case Kind::near_exact_square: {
      // q * q is exact: q has at most 26 bits, and q * q is no finer than 2^-1074.
      const double q = std::ldexp(static_cast<double>((random >> 38) | 1), exponent(-537, 486));
      return ulps_away(q * q, steps);
    }
    case Kind::near_square: {
      const double q = std::ldexp(mantissa, exponent(-537, 511));
      return ulps_away(q * q, steps);
    }
    case Kind::near_midpoint: {
      // m * (m + 1) lies 1/4 below (m + 1/2)^2, far below its ulp.
      const double m = std::ldexp(mantissa, 52);
      return ulps_away(std::ldexp(std::fma(m, m, m), 2 * exponent(-589, 459)), steps);
    }
    case Kind::near_power_of_two:
      return ulps_away(std::ldexp(1.0, exponent(-1074, 1023)), static_cast<int>(more % 9) - 4);
    case Kind::near_threshold:
      return std::ldexp(mantissa, exponent(-908, -892));
    case Kind::count:
      break;
  }
  return 0.0;
}

// n inputs, the kinds taken in turn.
inline std::vector<double> mixed_inputs(std::size_t n, std::uint64_t& state) {
  std::vector<double> inputs(n);
  for (std::size_t i = 0; i < n; ++i) {
    inputs[i] = input_of(static_cast<Kind>(i % static_cast<std::size_t>(Kind::count)), state);
  }
  return inputs;
}

}  // namespace root_inputs

#endif  // VEMO_NUMERIC_ROOT_INPUTS_HPP
