#ifndef VEMO_NUMERIC_X86_PROFILE_HPP
#define VEMO_NUMERIC_X86_PROFILE_HPP

// The choices sq_n and sqrt_n make on x86 by processor model rather than by
// instruction set: how the refined roots share their vectors with the
// square-root instruction, from which length they pay, how wide sq_n's
// vectors are, how far ahead the roots prefetch, and where a call counts as
// beyond the cache. None of them changes a result: every kernel gives the
// same bits and flags. The rows, one per processor measured, are in
// profiles.cpp.

#include "x86/cpu.hpp"
#include "x86/kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <cstddef>

namespace vemo {
namespace numeric {
namespace detail {

// A length no array reaches.
constexpr std::size_t never = static_cast<std::size_t>(-1);

// How far past x the refined roots may prefetch, as docs/contract.md
// promises: a prefetch cannot fault, but the promise bounds what is touched.
constexpr std::size_t largest_prefetch_bytes = 4096;

// The largest share of the last-level cache a row may name: with it, the
// largest cache a CPU reports, in percent, still fits a 32-bit size_t.
constexpr unsigned largest_beyond_cache_percent = 400;

// sqrt_n's roots on one instruction set: arrays of refined_from doubles or
// more take the refined kernel of `split`, shorter ones the instruction's.
struct RootChoice {
  Split split;
  std::size_t refined_from;  // `never` for the instruction alone
};

struct Profile {
  RootChoice avx512f_roots;  // on CPUs that run AVX-512F
  RootChoice avx2_roots;     // on CPUs that run AVX2 and FMA but not AVX-512F
  // sq_n on AVX-512F takes 512-bit vectors up to this many doubles, and
  // 256-bit ones beyond.
  std::size_t sq_512_bit_up_to;
  // How far ahead of x the refined roots ask for lines; 0 for not at all.
  std::size_t prefetch_bytes;
  // A call is beyond the cache where its arrays, counted once in place,
  // take more than this percentage of the last-level cache the CPU reports.
  // There, arrays apart take streaming stores, and the roots are refined
  // only if refined_beyond_cache.
  unsigned beyond_cache_percent;
  bool refined_beyond_cache;
};

// The CPUs a row is for. A CPU without AVX-512F, or whose operating system
// hides it, never takes a row that needs it.
struct CpuKey {
  Vendor vendor;
  unsigned family;
  unsigned first_model;
  unsigned last_model;
  bool needs_avx512f;
};

// Whether every CPU that `inner` is for matches `outer` too: the same maker
// and family, models within outer's, and AVX-512F wherever outer needs it.
constexpr bool covers(const CpuKey& outer, const CpuKey& inner) {
  return outer.vendor == inner.vendor && outer.family == inner.family &&
         outer.first_model <= inner.first_model && inner.last_model <= outer.last_model &&
         (!outer.needs_avx512f || inner.needs_avx512f);
}

struct ProfileRow {
  const char* name;
  CpuKey key;
  Profile profile;
  const char* measured;  // on what, and when
};

// The row for `cpu`: the first in the table whose key it matches, or the
// default row. Reads nothing but its argument.
const ProfileRow& profile_row_for(const CpuSignature& cpu) noexcept;

// The rows, the default last, for the tests and the tuner to list.
const ProfileRow* profile_rows_begin() noexcept;
const ProfileRow* profile_rows_end() noexcept;

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_PROFILE_HPP
