#ifndef VEMO_NUMERIC_ARRAY_KERNELS_HPP
#define VEMO_NUMERIC_ARRAY_KERNELS_HPP

// The loops behind sq_n and sqrt_n: one pair per instruction set, for the
// dispatch in vemo_numeric.cpp and for the tests, which call each directly
// (the x86 ones are declared in x86/kernels.hpp). This header is not
// installed. Every pair keeps the whole contract of sq_n and sqrt_n.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

// The x86 kernels need GCC-style target attributes and <cpuid.h>; MSVC and
// clang-cl (which does not define __GNUC__) take the portable loop. Every
// aarch64 CPU has Advanced SIMD. WebAssembly cannot ask at run time: its
// SIMD kernel is built when the build targets simd128 (-msimd128), and the
// portable loop otherwise.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VEMO_NUMERIC_X86_KERNELS 1
#elif defined(__GNUC__) && defined(__aarch64__)
#define VEMO_NUMERIC_NEON_KERNELS 1
#elif defined(__wasm_simd128__)
#define VEMO_NUMERIC_WASM_SIMD128_KERNELS 1
#endif

// A rarely taken path, kept out of line so that its callers stay lean. (Not
// marked cold: optimised for size, g++ then calls the C library's sqrt
// rather than using the instruction.)
#if defined(__GNUC__)
#define VEMO_NUMERIC_OUT_OF_LINE __attribute__((noinline))
#elif defined(_MSC_VER)
#define VEMO_NUMERIC_OUT_OF_LINE __declspec(noinline)
#else
#define VEMO_NUMERIC_OUT_OF_LINE
#endif

namespace vemo {
namespace numeric {
namespace detail {

// Where a function's type says it throws nothing (C++17), so does the
// pointer's, which lets a call through it end in a jump.
#if defined(__cpp_noexcept_function_type)
using ArrayKernel = void (*)(const double* x, std::size_t n, double* y) noexcept;
#else
using ArrayKernel = void (*)(const double* x, std::size_t n, double* y);
#endif

// Whether y starts inside x[0, n), past x itself: there a pass from the front
// would overwrite elements of x before reading them. In place (y == x), and
// with y before x, such a pass reads every element before anything at or
// after it is written. One subtraction and one comparison: y before x wraps
// around to a large difference.
inline bool overwrites_unread(const double* x, std::size_t n, const double* y) noexcept {
  const std::uintptr_t ahead =
      reinterpret_cast<std::uintptr_t>(y) - reinterpret_cast<std::uintptr_t>(x);
  return ahead != 0 && ahead < n * sizeof(double);
}

// Pass from the back of the arrays, a block at a time through a copy: a
// block's results overwrite only elements of x that are copied already. Out
// of line, so that calls that need no copy set up no room for one.
template <ArrayKernel Pass>
VEMO_NUMERIC_OUT_OF_LINE void through_copies_from_the_back(const double* x, std::size_t n,
                                                           double* y) noexcept {
  alignas(64) std::array<double, 256> copy;
  for (std::size_t end = n; end != 0;) {
    const std::size_t start = end > copy.size() ? end - copy.size() : 0;
    std::memcpy(copy.data(), x + start, (end - start) * sizeof(double));
    Pass(copy.data(), end - start, y + start);
    end = start;
  }
}

// Runs Pass, which goes over the arrays from the front, so that it gives
// what it would give had all of x been read before y was written, however
// the arrays overlap: where y lies ahead inside x, from the back through
// copies.
template <ArrayKernel Pass>
void as_if_x_read_first(const double* x, std::size_t n, double* y) noexcept {
  if (overwrites_unread(x, n, y)) {
    through_copies_from_the_back<Pass>(x, n, y);
  } else {
    Pass(x, n, y);
  }
}

// Whether x[0, n) and y[0, n) share no byte.
inline bool apart(const double* x, std::size_t n, const double* y) noexcept {
  const auto from_x = reinterpret_cast<std::uintptr_t>(x);
  const auto from_y = reinterpret_cast<std::uintptr_t>(y);
  const std::uintptr_t distance = from_x > from_y ? from_x - from_y : from_y - from_x;
  return distance >= n * sizeof(double);
}

// Runs Streaming where the arrays do not overlap, Cached where they do: a
// call whose output overlaps its input in any way is not out of place, and
// takes ordinary stores.
template <ArrayKernel Streaming, ArrayKernel Cached>
void streaming_if_apart(const double* x, std::size_t n, double* y) noexcept {
  if (apart(x, n, y)) {
    Streaming(x, n, y);
  } else {
    Cached(x, n, y);
  }
}

// Element by element through the scalar functions, on any target.
void sq_n_portable(const double* x, std::size_t n, double* y) noexcept;
void sqrt_n_portable(const double* x, std::size_t n, double* y) noexcept;

#ifdef VEMO_NUMERIC_X86_KERNELS
#define VEMO_NUMERIC_TARGET(isa) __attribute__((target(isa)))

// The elements from y up to the next multiple of Bytes, at most n. Stores
// that do not straddle cache lines run fastest, so each kernel first takes y
// to a boundary of its vector's width with one shorter step.
template <std::uintptr_t Bytes>
std::size_t elements_to_boundary(const double* y, std::size_t n) {
  const std::uintptr_t past = reinterpret_cast<std::uintptr_t>(y) % Bytes;
  const auto elements = static_cast<std::size_t>((Bytes - past) % Bytes / sizeof(double));
  return elements < n ? elements : n;
}
#endif

#ifdef VEMO_NUMERIC_NEON_KERNELS
void sq_n_neon(const double* x, std::size_t n, double* y) noexcept;
void sqrt_n_neon(const double* x, std::size_t n, double* y) noexcept;
#endif

#ifdef VEMO_NUMERIC_WASM_SIMD128_KERNELS
void sq_n_wasm_simd128(const double* x, std::size_t n, double* y) noexcept;
void sqrt_n_wasm_simd128(const double* x, std::size_t n, double* y) noexcept;
#endif

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_ARRAY_KERNELS_HPP
