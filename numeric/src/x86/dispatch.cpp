#include "x86/dispatch.hpp"

// The kernels a call takes on x86. The CPU's description and its profile
// are read once, and the choices that do not depend on the call are made
// then; a call compares its length with a few thresholds, and looks at
// where its arrays lie only when it is long. Nothing here reads or writes
// MXCSR: the refined kernels look at it themselves, once per call.

#ifdef VEMO_NUMERIC_X86_KERNELS

#include "x86/cpu.hpp"
#include "x86/kernels.hpp"

namespace vemo {
namespace numeric {
namespace detail {
namespace {

struct Dispatch {
  const char* kernel_name;
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

std::size_t smaller(std::size_t a, std::size_t b) { return a < b ? a : b; }

// The refined kernels of `split`; split_kernels holds every split on the
// menu, so it is found.
SplitKernels refined_kernels(Split split, const SplitKernels* split_kernels, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    if (split_kernels[i].split == split) {
      return split_kernels[i];
    }
  }
  return split_kernels[0];
}

Dispatch dispatch_for(const CpuDescription& cpu) noexcept {
  const Profile& profile = cpu.profile();
  Dispatch d{};
  d.kernel_name = "sse2";
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
    d.sq_narrower_from =
        profile.sq_512_bit_up_to == never ? never : profile.sq_512_bit_up_to + 1;
    d.root = sqrt_n_avx512f;
    d.root_streaming = sqrt_n_avx512f_streaming;
    d.refined = refined_kernels(profile.avx512f_roots.split, avx512f_split_kernels,
                                avx512f_split_count);
    d.refined_from = profile.avx512f_roots.refined_from;
  } else if (cpu.signature.avx2) {
    d.kernel_name = "avx2";
    d.sq = d.sq_narrower = sq_n_avx2;
    d.sq_streaming = d.sq_narrower_streaming = sq_n_avx2_streaming;
    d.root = sqrt_n_avx2;
    d.root_streaming = sqrt_n_avx2_streaming;
    if (cpu.signature.fma) {
      d.refined =
          refined_kernels(profile.avx2_roots.split, avx2_split_kernels, avx2_split_count);
      d.refined_from = profile.avx2_roots.refined_from;
    }
  }
  // The percentage of the cache, in doubles: x and y apart take two arrays'
  // space, overlapping ones one.
  const std::size_t beyond_bytes = cpu.last_level_cache_bytes / 100 * profile.beyond_cache_percent;
  d.apart_beyond_from = beyond_bytes / (2 * sizeof(double)) + 1;
  d.overlapping_beyond_from = beyond_bytes / sizeof(double) + 1;
  d.sq_long_from = smaller(d.sq_narrower_from, d.apart_beyond_from);
  d.root_long_from = smaller(d.refined_from, d.apart_beyond_from);
  return d;
}

const Dispatch& dispatch() noexcept {
  static const Dispatch chosen = dispatch_for(cpu());
  return chosen;
}

}  // namespace

void sq_n_x86(const double* x, std::size_t n, double* y) noexcept {
  const Dispatch& d = dispatch();
  if (n < d.sq_long_from) {
    d.sq(x, n, y);
    return;
  }
  const bool narrower = n >= d.sq_narrower_from;
  if (n >= d.apart_beyond_from && apart(x, n, y)) {
    (narrower ? d.sq_narrower_streaming : d.sq_streaming)(x, n, y);
  } else {
    (narrower ? d.sq_narrower : d.sq)(x, n, y);
  }
}

void sqrt_n_x86(const double* x, std::size_t n, double* y) noexcept {
  const Dispatch& d = dispatch();
  if (n < d.root_long_from) {
    d.root(x, n, y);
    return;
  }
  const bool arrays_apart = apart(x, n, y);
  const bool beyond_cache = n >= (arrays_apart ? d.apart_beyond_from : d.overlapping_beyond_from);
  const bool streams = beyond_cache && arrays_apart;
  if (n >= d.refined_from && (d.refined_beyond_cache || !beyond_cache)) {
    (streams ? d.refined.streaming : d.refined.cached)(x, n, y);
  } else {
    (streams ? d.root_streaming : d.root)(x, n, y);
  }
}

const char* array_kernel_x86() noexcept { return dispatch().kernel_name; }

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
