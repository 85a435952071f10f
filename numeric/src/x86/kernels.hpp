#ifndef VEMO_NUMERIC_X86_KERNELS_HPP
#define VEMO_NUMERIC_X86_KERNELS_HPP

// The x86 kernels behind sq_n and sqrt_n, for the dispatch and for the
// tests, which call each directly. A kernel for an instruction set may only
// run where the CPU and the operating system support it (see cpu.hpp).
// Every kernel keeps the whole contract of sq_n or sqrt_n.

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <array>
#include <cstddef>

namespace vemo {
namespace numeric {
namespace detail {

// SSE2 is the baseline: every x86-64 CPU has it, and the library needs it on
// 32-bit x86 to round once. Each kernel is compiled for its instruction set,
// so that its pass over the arrays is inlined into it.
VEMO_NUMERIC_TARGET("sse2") void sq_n_sse2(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("sse2") void sqrt_n_sse2(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("avx2") void sq_n_avx2(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("avx2") void sqrt_n_avx2(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("avx512f")
void sq_n_avx512f(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("avx512f")
void sqrt_n_avx512f(const double* x, std::size_t n, double* y) noexcept;

// The same kernels with streaming stores, for calls too large for their
// arrays to stay in the cache: y is written past the cache, a whole line at
// a time. Where the arrays overlap they take the kernels above.
VEMO_NUMERIC_TARGET("sse2")
void sq_n_sse2_streaming(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("sse2")
void sqrt_n_sse2_streaming(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("avx2")
void sq_n_avx2_streaming(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("avx2")
void sqrt_n_avx2_streaming(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("avx512f")
void sq_n_avx512f_streaming(const double* x, std::size_t n, double* y) noexcept;
VEMO_NUMERIC_TARGET("avx512f")
void sqrt_n_avx512f_streaming(const double* x, std::size_t n, double* y) noexcept;

// How a kernel of refined roots shares its work: stretches of `refined`
// vectors through the refined steps on the multiply-add units and
// `instruction` vectors through the square-root instruction, side by side,
// so that both kinds of unit work at once. Which split runs fastest depends
// on the CPU; the bits never do.
struct Split {
  unsigned char refined;
  unsigned char instruction;
};

constexpr bool operator==(Split a, Split b) {
  return a.refined == b.refined && a.instruction == b.instruction;
}

// The splits built, for the CPU profiles to choose from; adding one here
// builds its kernels and its tests. 1:0 refines every vector, which the
// long check of the steps relies on. (Built-in arrays: the kernels are built
// from them in constant expressions, where C++11 cannot read a std::array.)
// NOLINTNEXTLINE(modernize-avoid-c-arrays)
constexpr Split avx512f_splits[] = {{1, 0}, {3, 1}, {1, 1}, {4, 3}};
// NOLINTNEXTLINE(modernize-avoid-c-arrays)
constexpr Split avx2_splits[] = {{1, 0}, {1, 2}, {1, 1}};
constexpr std::size_t avx512f_split_count = sizeof avx512f_splits / sizeof avx512f_splits[0];
constexpr std::size_t avx2_split_count = sizeof avx2_splits / sizeof avx2_splits[0];

// Whether `split` is among the first `count` of `menu`.
constexpr bool on_menu(Split split, const Split* menu, std::size_t count) {
  return count != 0 && (menu[0] == split || on_menu(split, menu + 1, count - 1));
}

// A kernel of refined roots, which asks for x's lines prefetch_bytes ahead
// of its loads (none for 0): how far pays depends on the CPU, so the
// dispatch passes its profile's distance at each call.
#if defined(__cpp_noexcept_function_type)
using RefinedKernel = void (*)(const double* x, std::size_t n, double* y,
                               std::size_t prefetch_bytes) noexcept;
#else
using RefinedKernel = void (*)(const double* x, std::size_t n, double* y,
                               std::size_t prefetch_bytes);
#endif

// A split's kernels: with ordinary stores, and with streaming stores where
// the arrays do not overlap.
struct SplitKernels {
  Split split;
  RefinedKernel cached;
  RefinedKernel streaming;
};

// sqrt_n's roots on AVX-512F, refined from the reciprocal square-root
// estimate with the multiply-add units: the same bits and flags as
// sqrt_n_avx512f, and faster. They refine while SSE arithmetic rounds to
// nearest (MXCSR's rounding control is 0), and take the instruction
// otherwise. One entry per split in avx512f_splits, in that order.
extern const std::array<SplitKernels, avx512f_split_count> avx512f_split_kernels;

// sqrt_n's roots refined with AVX2 and FMA, without embedded rounding, for
// CPUs with FMA: the same bits and flags as sqrt_n_avx2. They refine while
// SSE arithmetic rounds to nearest and the inexact exception is masked (as
// it is by default), and take the instruction otherwise. One entry per
// split in avx2_splits, in that order.
extern const std::array<SplitKernels, avx2_split_count> avx2_split_kernels;

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_KERNELS_HPP
