#ifndef VEMO_NUMERIC_HPP
#define VEMO_NUMERIC_HPP

// The library's version, for checks at compile time; the build reads it from
// here. VEMO_NUMERIC_VERSION is major * 10000 + minor * 100 + patch.
#define VEMO_NUMERIC_VERSION_MAJOR 1
#define VEMO_NUMERIC_VERSION_MINOR 7
#define VEMO_NUMERIC_VERSION_PATCH 1
#define VEMO_NUMERIC_VERSION                                               \
  (VEMO_NUMERIC_VERSION_MAJOR * 10000 + VEMO_NUMERIC_VERSION_MINOR * 100 + \
   VEMO_NUMERIC_VERSION_PATCH)

#include <cstddef>

// Functions on IEEE 754 double-precision values, from the static library
// vemo_numeric. All may be called from any thread at once and at any time,
// before main included. sq and sqrt keep no state. On x86 the array
// functions read a description of the CPU at their first call in the
// process and keep it, to choose their kernels by; it never changes a
// result. The archive is position-independent, so it links into shared
// libraries as well as programs.

namespace vemo {
namespace numeric {

// Returns x * x, rounded once to double as IEEE 754 multiplication does.
// A NaN gives a NaN, either infinity gives +inf and either zero gives +0.0.
// A square too large for a double gives +inf; one too small gives +0.0.
// Leaves errno unchanged and raises the flags the multiplication raises:
// inexact when the square is rounded, overflow when it gives +inf from a
// finite x, underflow when it is tiny and rounded, and invalid only for a
// signalling NaN.
double sq(double x) noexcept;

// Returns the correctly rounded square root of x for every x >= 0, as
// std::sqrt gives it: sqrt(-0.0) is -0.0 and sqrt(+inf) is +inf.
// Unlike std::sqrt, returns +0.0 (not a NaN) for every x < 0, -inf included,
// and for every NaN. (On x86 with DAZ set, a negative subnormal reads as
// -0.0, and its root is -0.0.) Leaves errno unchanged and raises no
// floating-point exception other than inexact (a signalling NaN may still
// raise invalid). Call it qualified: after `using namespace vemo::numeric`,
// an unqualified sqrt(x) is ambiguous with the standard one.
double sqrt(double x) noexcept;

// Sets y[i] = sq(x[i]) for every i in [0, n): the same bits as the n calls,
// and together the same floating-point flags, with errno unchanged. Reads
// only x[0, n) and writes only y[0, n); the arrays need no alignment beyond
// a double's own. They may overlap in any way, in place or shifted: the
// results are those of x as it was when the call began. With n == 0 nothing
// is touched and either pointer may be null. Allocates nothing, so it may be
// called from anywhere, static initialisers included. Runs the kernels that
// array_kernel() names.
void sq_n(const double* x, std::size_t n, double* y) noexcept;

// Sets y[i] = sqrt(x[i]) for every i in [0, n), with everything else as for
// sq_n: the same bits and flags as the n calls (so no invalid flag for a
// negative value or a quiet NaN), errno unchanged, any overlap allowed.
void sqrt_n(const double* x, std::size_t n, double* y) noexcept;

// Names the instruction set whose kernels sq_n and sqrt_n take on this
// machine: "avx512f", "avx2", "sse2", "neon", "wasm_simd128" or "portable"
// (the loop in plain C++). Both functions take the same one. On x86 it is
// the widest the CPU and the operating system support, read once per
// process as the functions read it; elsewhere it is fixed when the library
// is built. The string is static.
const char* array_kernel() noexcept;

// Names the row of the library's table of processors whose choices sq_n and
// sqrt_n take on this machine: on x86 a row such as "amd_zen4" or
// "intel_avx512f", or "default" for a CPU no row knows, read once per
// process as the CPU is; elsewhere "none", as there is no table. The choices
// (how refined roots share their work, vector widths, prefetching, where a
// call counts as beyond the cache) only change how fast the functions run,
// never a result. The string is static.
const char* array_profile() noexcept;

}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_HPP
