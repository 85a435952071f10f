#ifndef VEMO_NUMERIC_X86_DISPATCH_HPP
#define VEMO_NUMERIC_X86_DISPATCH_HPP

// sq_n, sqrt_n, array_kernel() and array_profile() on x86: which kernel
// each call takes. The choices that do not depend on the call are made once,
// by make_dispatch from the CPU's description and its row of the profile
// table. A short call then loads one pointer, compares its length with one
// threshold and jumps to its kernel, inline in the public functions; only a
// long call looks at where its arrays lie. Nothing here reads or writes
// MXCSR: the refined kernels look at it themselves, once per call.

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/cpu.hpp"
#include "x86/kernels.hpp"
#include "x86/profile.hpp"

#include <emmintrin.h>

#include <atomic>
#include <cstddef>

namespace vemo {
namespace numeric {
namespace detail {

struct Dispatch {
  const char* kernel_name;
  const char* profile_name;
  // sq_n: the widest vectors up to a length, narrower ones from
  // sq_narrower_from on.
  ArrayKernel sq;
  ArrayKernel sq_streaming;
  ArrayKernel sq_narrower;
  ArrayKernel sq_narrower_streaming;
  std::size_t sq_narrower_from;
  // sqrt_n: the instruction's kernels, and the refined ones from
  // refined_from on.
  ArrayKernel root;
  ArrayKernel root_streaming;
  SplitKernels refined;
  std::size_t refined_from;
  std::size_t prefetch_bytes;  // for the refined kernels
  bool refined_beyond_cache;
  // Where a call is beyond the cache: from apart_beyond_from doubles with
  // x and y apart, from overlapping_beyond_from where they overlap (and so
  // take the space of one array or a little more).
  std::size_t apart_beyond_from;
  std::size_t overlapping_beyond_from;
  // Shorter calls need nothing but the first kernel.
  std::size_t sq_long_from;
  std::size_t root_long_from;
};

// The choices for a CPU of that description under that row, whether or not
// it is the CPU this runs on: a function of its arguments alone, for the
// library, the tests (which run every row) and the tuner (which times rows
// it makes up).
Dispatch make_dispatch(const CpuDescription& cpu, const ProfileRow& row) noexcept;

// The choices, once made. Until the first call has made them it points to a
// Dispatch whose every call is long, and so makes them. Hidden where the
// object format has visibility, so that a shared library that takes in the
// archive loads it directly rather than through its global offset table.
#if defined(__ELF__)
#define VEMO_NUMERIC_INTERNAL __attribute__((visibility("hidden")))
#else
#define VEMO_NUMERIC_INTERNAL
#endif
extern VEMO_NUMERIC_INTERNAL std::atomic<const Dispatch*> chosen_dispatch;

// Makes the choices, at the first call in the process.
VEMO_NUMERIC_OUT_OF_LINE const Dispatch& choose_dispatch() noexcept;

// The calls that are long, or the first.
void sq_n_long(const Dispatch& given, const double* x, std::size_t n, double* y) noexcept;
void sqrt_n_long(const Dispatch& given, const double* x, std::size_t n, double* y) noexcept;

// Calls of fewer than `few` elements do their work on the spot with SSE2,
// which every x86 CPU the library runs on has: for them, finding a kernel
// took longer than the work (longer calls took as long through the AVX2
// kernel as through more SSE2 steps, on an AMD Zen 3). Both are loaded
// before either is stored, so any overlap gives the results of x as it was.
// The functions that use SSE2 ask for it themselves, for the tests, which
// include this header and are built without -msse2 on 32-bit x86.
constexpr std::size_t few = 4;

template <__m128d (*Op)(__m128d)>
VEMO_NUMERIC_TARGET("sse2")
inline void each_of_few(const double* x, std::size_t n, double* y) noexcept {
  // The high lane of the last holds +0.0, whose square and root are exact.
  const __m128d zero = _mm_setzero_pd();
  const __m128d pair = n >= 2 ? Op(_mm_loadu_pd(x)) : zero;
  const __m128d last = n % 2 != 0 ? Op(_mm_load_sd(x + n - 1)) : zero;
  if (n >= 2) {
    _mm_storeu_pd(y, pair);
  }
  if (n % 2 != 0) {
    _mm_store_sd(y + n - 1, last);
  }
}

// The square or root of each lane, as the scalar function gives it.
VEMO_NUMERIC_TARGET("sse2") inline __m128d square_pd(__m128d v) noexcept {
  return _mm_mul_pd(v, v);
}

VEMO_NUMERIC_TARGET("sse2") inline __m128d root_or_zero_pd(__m128d v) noexcept {
  const __m128d in_domain = _mm_cmpeq_pd(v, _mm_andnot_pd(_mm_set1_pd(-0.0), v));
  return _mm_sqrt_pd(_mm_and_pd(v, in_domain));
}

// sq_n and sqrt_n of n >= few elements, as they run under d.
inline void sq_n_beyond_few(const Dispatch& d, const double* x, std::size_t n, double* y) noexcept {
  if (__builtin_expect(static_cast<long>(n < d.sq_long_from), 1) != 0) {
    d.sq(x, n, y);
  } else {
    sq_n_long(d, x, n, y);
  }
}

inline void sqrt_n_beyond_few(const Dispatch& d, const double* x, std::size_t n,
                              double* y) noexcept {
  if (__builtin_expect(static_cast<long>(n < d.root_long_from), 1) != 0) {
    d.root(x, n, y);
  } else if (n < d.apart_beyond_from) {
    // Long enough to refine, and in the cache however the arrays lie: no
    // need to look at where they are. (Before the choices are made nothing
    // is in the cache, and the call makes them.)
    d.refined.cached(x, n, y, d.prefetch_bytes);
  } else {
    sqrt_n_long(d, x, n, y);
  }
}

// sq_n and sqrt_n as they run under d: the library's own calls under the
// choices it made, the tests' and the tuner's under any.
VEMO_NUMERIC_TARGET("sse2")
inline void sq_n_under(const Dispatch& d, const double* x, std::size_t n, double* y) noexcept {
  if (n < few) {
    each_of_few<square_pd>(x, n, y);
  } else {
    sq_n_beyond_few(d, x, n, y);
  }
}

VEMO_NUMERIC_TARGET("sse2")
inline void sqrt_n_under(const Dispatch& d, const double* x, std::size_t n, double* y) noexcept {
  if (n < few) {
    each_of_few<root_or_zero_pd>(x, n, y);
  } else {
    sqrt_n_beyond_few(d, x, n, y);
  }
}

// A short call loads the choices only when it needs them.
VEMO_NUMERIC_TARGET("sse2")
inline void sq_n_x86(const double* x, std::size_t n, double* y) noexcept {
  if (n < few) {
    each_of_few<square_pd>(x, n, y);
  } else {
    sq_n_beyond_few(*chosen_dispatch.load(std::memory_order_acquire), x, n, y);
  }
}

VEMO_NUMERIC_TARGET("sse2")
inline void sqrt_n_x86(const double* x, std::size_t n, double* y) noexcept {
  if (n < few) {
    each_of_few<root_or_zero_pd>(x, n, y);
  } else {
    sqrt_n_beyond_few(*chosen_dispatch.load(std::memory_order_acquire), x, n, y);
  }
}

const char* array_kernel_x86() noexcept;
const char* array_profile_x86() noexcept;

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_DISPATCH_HPP
