#ifndef VEMO_NUMERIC_TEST_VALUES_HPP
#define VEMO_NUMERIC_TEST_VALUES_HPP

// Values, bit helpers and floating-point environments shared by the unit
// tests.

#include "array_kernels.hpp"

#include <cerrno>
#include <cfenv>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#ifdef VEMO_NUMERIC_X86_KERNELS
#include <xmmintrin.h>
#endif

// WebAssembly has no floating-point flags, and Emscripten's <cfenv> defines
// none of their macros. There they stand as 0, so that the flag tests compile
// and then skip.
#ifndef FE_INEXACT
#define VEMO_NUMERIC_TEST_NO_FLAGS 1
#define FE_INVALID 0
#define FE_DIVBYZERO 0
#define FE_OVERFLOW 0
#define FE_UNDERFLOW 0
#define FE_INEXACT 0
#endif

namespace test_values {

using limits = std::numeric_limits<double>;
inline constexpr double inf = limits::infinity();
inline constexpr double quiet_nan = limits::quiet_NaN();
inline constexpr double tiny = limits::denorm_min();  // 2^-1074

// std::memcpy, since Emscripten 3.1's libc++ has no std::bit_cast.
inline std::uint64_t bits_of(double x) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &x, sizeof bits);
  return bits;
}
inline double from_bits(std::uint64_t bits) {
  double x = 0.0;
  std::memcpy(&x, &bits, sizeof x);
  return x;
}

// NaNs made by the target's own rules, since which mantissa bit marks a
// quiet NaN differs (MIPS's legacy encoding inverts x86's and Arm's), with
// payloads in low mantissa bits only.
inline const double quiet_nan_with_payload = from_bits(bits_of(quiet_nan) ^ 0x5);
inline const double signalling_nan_with_payload = from_bits(bits_of(limits::signaling_NaN()) ^ 0x3);

inline constexpr std::uint64_t sign_bit = std::uint64_t{1} << 63;
inline constexpr std::uint64_t mantissa_mask = (std::uint64_t{1} << 52) - 1;

// The five IEEE 754 exceptions. Some targets have more flags, such as x86's
// denormal-operand flag, which is not one of them.
inline constexpr int ieee_flags =
    FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW | FE_UNDERFLOW | FE_INEXACT;

// Whether this target's arithmetic records the flags at all. armel's
// software floating point records none, although math_errhandling claims it.
inline bool arithmetic_records_flags() {
  volatile double one = 1.0;
  volatile double three = 3.0;
  std::feclearexcept(FE_ALL_EXCEPT);
  volatile double third = one / three;
  static_cast<void>(third);
  return std::fetestexcept(FE_INEXACT) != 0;
}
struct Raised {
  int flags;  // of the five IEEE exceptions
  int error;  // errno
};

// Raises inexact where the array kernels read it: on x86 in MXCSR alone
// (glibc's feraiseexcept raises it in x87's flags, which fetestexcept reads
// too, and which would hide a kernel that cleared MXCSR's).
#ifdef VEMO_NUMERIC_X86_KERNELS
__attribute__((target("sse"))) inline void raise_inexact() {
  _mm_setcsr(_mm_getcsr() | _MM_EXCEPT_INEXACT);
}

// The flags cleared and read where x86 keeps them, in MXCSR and the x87
// status word, as <cfenv> does: mingw-w64's functions also ask CPUID at
// every call, which traps to the hypervisor in a virtual machine (5 us a
// call; a minute of the root tests under wine). Out of line, as the
// library's functions are, so that no arithmetic moves across them.
static_assert(FE_INVALID == 0x01 && FE_DIVBYZERO == 0x04 && FE_OVERFLOW == 0x08 &&
                  FE_UNDERFLOW == 0x10 && FE_INEXACT == 0x20,
              "the flags are the bits of x86's status registers");
__attribute__((target("sse"), noinline)) inline void clear_flags() {
  __asm__ volatile("fnclex");
  _mm_setcsr(_mm_getcsr() & ~static_cast<unsigned>(ieee_flags));
}
__attribute__((target("sse"), noinline)) inline int flags_raised() {
  std::uint16_t x87 = 0;
  __asm__ volatile("fnstsw %0" : "=m"(x87));
  return static_cast<int>((x87 | _mm_getcsr()) & static_cast<unsigned>(ieee_flags));
}
#else
inline void raise_inexact() { std::feraiseexcept(FE_INEXACT); }
inline void clear_flags() { std::feclearexcept(FE_ALL_EXCEPT); }
inline int flags_raised() { return std::fetestexcept(ieee_flags); }
#endif

// The flags raised after `work`, from clear flags and errno, or from inexact
// alone raised where `inexact_before`.
template <typename Work>
Raised raised_by(Work work, bool inexact_before = false) {
  clear_flags();
  if (inexact_before) {
    raise_inexact();
  }
  errno = 0;
  work();
  return {flags_raised(), errno};
}

// A rounding mode and, on x86, MXCSR's bits that treat subnormal inputs as
// zero (DAZ) and flush subnormal results to zero (FTZ).
struct Environment {
  std::string name;
  int rounding;
  unsigned mxcsr_bits;
};

// Whether the target rounds as `mode` says once asked to. Soft-float armel
// refuses the directed modes; Emscripten's library accepts them and changes
// nothing, as WebAssembly only rounds to nearest.
inline bool sets_rounding(int mode) {
  return std::fesetround(mode) == 0 && std::fegetround() == mode;
}

// Every rounding mode the target can set, each with every combination of DAZ
// and FTZ on x86.
inline std::vector<Environment> all_environments() {
  std::vector<std::pair<std::string, int>> modes;
  for (const auto& [name, mode] :
       std::vector<std::pair<std::string, int>>{{"to nearest", FE_TONEAREST},
                                                {"downward", FE_DOWNWARD},
                                                {"upward", FE_UPWARD},
                                                {"toward zero", FE_TOWARDZERO}}) {
    if (sets_rounding(mode)) {
      modes.emplace_back(name, mode);
    }
  }
  std::fesetround(FE_TONEAREST);
  std::vector<std::pair<std::string, unsigned>> mxcsr = {{"", 0U}};
#ifdef VEMO_NUMERIC_X86_KERNELS
  mxcsr.insert(mxcsr.end(), {{", DAZ", 0x0040U}, {", FTZ", 0x8000U}, {", DAZ and FTZ", 0x8040U}});
#endif
  std::vector<Environment> environments;
  for (const auto& [mode_name, mode] : modes) {
    for (const auto& [bits_name, bits] : mxcsr) {
      environments.push_back({mode_name + bits_name, mode, bits});
    }
  }
  return environments;
}

// Puts an environment in place for its lifetime, then restores rounding to
// nearest and MXCSR.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const Environment& environment)
      : set_(sets_rounding(environment.rounding)) {
#ifdef VEMO_NUMERIC_X86_KERNELS
    saved_mxcsr_ = read_mxcsr();
    write_mxcsr(saved_mxcsr_ | environment.mxcsr_bits);
#endif
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
  ~ScopedEnvironment() {
#ifdef VEMO_NUMERIC_X86_KERNELS
    write_mxcsr(saved_mxcsr_);
#endif
    std::fesetround(FE_TONEAREST);
  }
  // Whether the target took the rounding mode.
  [[nodiscard]] bool set() const { return set_; }

 private:
#ifdef VEMO_NUMERIC_X86_KERNELS
  // 32-bit x86 test code is compiled for x87; these two need SSE.
  __attribute__((target("sse"))) static unsigned read_mxcsr() { return _mm_getcsr(); }
  __attribute__((target("sse"))) static void write_mxcsr(unsigned bits) { _mm_setcsr(bits); }
  unsigned saved_mxcsr_ = 0;
#endif
  bool set_;
};

#ifdef VEMO_NUMERIC_TEST_NO_FLAGS
inline constexpr const char* no_flags_recorded =
    "this target has no floating-point flags (its <cfenv> defines no FE_INEXACT)";
#else
inline constexpr const char* no_flags_recorded =
    "this target's arithmetic records no floating-point flags (1.0 / 3.0 raised no inexact)";
#endif

// Every exponent, subnormals and the NaN/inf exponent included, with mantissas
// at both ends, in the middle and scattered, under both signs.
inline std::vector<double> sweep_inputs() {
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

}  // namespace test_values

#endif  // VEMO_NUMERIC_TEST_VALUES_HPP
