#include "x86/dispatch.hpp"

// The choices made for long calls, and for the first call in the process.

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/cpu.hpp"
#include "x86/kernels.hpp"
#include "x86/profile.hpp"

#include <limits>

namespace vemo {
namespace numeric {
namespace detail {
namespace {

std::size_t smaller(std::size_t a, std::size_t b) { return a < b ? a : b; }

// The refined kernels of `split`; split_kernels holds every split on the
// menu, so it is found.
template <std::size_t Count>
SplitKernels refined_kernels(Split split, const std::array<SplitKernels, Count>& split_kernels) {
  for (const SplitKernels& kernels : split_kernels) {
    if (kernels.split == split) {
      return kernels;
    }
  }
  return split_kernels[0];
}

// The profile's share of the cache in bytes, or the largest size where that
// overflows (a 32-bit size_t, a large cache and a large percentage).
std::size_t beyond_cache_bytes(const CpuDescription& cpu, const Profile& profile) {
  const std::size_t hundredth = cpu.last_level_cache_bytes / 100;
  const unsigned percent = profile.beyond_cache_percent;
  const std::size_t largest = std::numeric_limits<std::size_t>::max();
  return percent != 0 && hundredth > largest / percent ? largest : hundredth * percent;
}

// Before the choices: no call is short.
constexpr Dispatch unchosen{};

bool made(const Dispatch& d) noexcept { return &d != &unchosen; }

}  // namespace

Dispatch make_dispatch(const CpuDescription& cpu, const ProfileRow& row) noexcept {
  const Profile& profile = row.profile;
  Dispatch d{};
  d.kernel_name = "sse2";
  d.profile_name = row.name;
  d.prefetch_bytes = profile.prefetch_bytes;
  d.sq = d.sq_narrower = sq_n_sse2;
  d.sq_streaming = d.sq_narrower_streaming = sq_n_sse2_streaming;
  d.sq_narrower_from = never;
  d.root = sqrt_n_sse2;
  d.root_streaming = sqrt_n_sse2_streaming;
  d.refined_from = never;
  d.refined_beyond_cache = profile.refined_beyond_cache;
  if (cpu.signature.avx512f) {
    d.kernel_name = "avx512f";
    d.sq = sq_n_avx512f;
    d.sq_streaming = sq_n_avx512f_streaming;
    d.sq_narrower = sq_n_avx2;
    d.sq_narrower_streaming = sq_n_avx2_streaming;
    d.sq_narrower_from = profile.sq_512_bit_up_to == never ? never : profile.sq_512_bit_up_to + 1;
    d.root = sqrt_n_avx512f;
    d.root_streaming = sqrt_n_avx512f_streaming;
    d.refined = refined_kernels(profile.avx512f_roots.split, avx512f_split_kernels);
    d.refined_from = profile.avx512f_roots.refined_from;
  } else if (cpu.signature.avx2) {
    d.kernel_name = "avx2";
    d.sq = d.sq_narrower = sq_n_avx2;
    d.sq_streaming = d.sq_narrower_streaming = sq_n_avx2_streaming;
    d.root = sqrt_n_avx2;
    d.root_streaming = sqrt_n_avx2_streaming;
    if (cpu.signature.fma) {
      d.refined = refined_kernels(profile.avx2_roots.split, avx2_split_kernels);
      d.refined_from = profile.avx2_roots.refined_from;
    }
  }
  // The percentage of the cache, in doubles: x and y apart take two arrays'
  // space, overlapping ones one.
  const std::size_t beyond_bytes = beyond_cache_bytes(cpu, profile);
  d.apart_beyond_from = beyond_bytes / (2 * sizeof(double)) + 1;
  d.overlapping_beyond_from = beyond_bytes / sizeof(double) + 1;
  d.sq_long_from = smaller(d.sq_narrower_from, d.apart_beyond_from);
  d.root_long_from = smaller(d.refined_from, d.apart_beyond_from);
  return d;
}

// Constant-initialised, which the compilers that can say so are told to
// enforce: a call from a static constructor may come before any dynamic
// initialiser has run.
#if defined(__clang__)
#define VEMO_NUMERIC_CONSTANT_INITIALISED [[clang::require_constant_initialization]]
#elif defined(__GNUC__) && __GNUC__ >= 10
#define VEMO_NUMERIC_CONSTANT_INITIALISED __constinit
#else
#define VEMO_NUMERIC_CONSTANT_INITIALISED
#endif
VEMO_NUMERIC_CONSTANT_INITIALISED std::atomic<const Dispatch*> chosen_dispatch{&unchosen};

const Dispatch& choose_dispatch() noexcept {
  // The first call initialises it, whichever thread makes it; any thread
  // then stores the same pointer.
  static const Dispatch chosen = make_dispatch(cpu(), profile_row_for(cpu().signature));
  chosen_dispatch.store(&chosen, std::memory_order_release);
  return chosen;
}

void sq_n_long(const Dispatch& given, const double* x, std::size_t n, double* y) noexcept {
  const Dispatch& d = made(given) ? given : choose_dispatch();
  const bool narrower = n >= d.sq_narrower_from;
  if (n >= d.apart_beyond_from && apart(x, n, y)) {
    (narrower ? d.sq_narrower_streaming : d.sq_streaming)(x, n, y);
  } else {
    (narrower ? d.sq_narrower : d.sq)(x, n, y);
  }
}

void sqrt_n_long(const Dispatch& given, const double* x, std::size_t n, double* y) noexcept {
  const Dispatch& d = made(given) ? given : choose_dispatch();
  const bool arrays_apart = apart(x, n, y);
  const bool beyond_cache = n >= (arrays_apart ? d.apart_beyond_from : d.overlapping_beyond_from);
  const bool streams = beyond_cache && arrays_apart;
  if (n >= d.refined_from && (d.refined_beyond_cache || !beyond_cache)) {
    (streams ? d.refined.streaming : d.refined.cached)(x, n, y, d.prefetch_bytes);
  } else {
    (streams ? d.root_streaming : d.root)(x, n, y);
  }
}

const char* array_kernel_x86() noexcept {
  const Dispatch& now = *chosen_dispatch.load(std::memory_order_acquire);
  return (made(now) ? now : choose_dispatch()).kernel_name;
}

const char* array_profile_x86() noexcept {
  const Dispatch& now = *chosen_dispatch.load(std::memory_order_acquire);
  return (made(now) ? now : choose_dispatch()).profile_name;
}

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
