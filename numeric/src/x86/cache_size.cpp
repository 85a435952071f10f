#include "array_kernels.hpp"

// The size of the CPU's last-level cache, for the array functions to choose
// between ordinary and streaming stores. Asked afresh each time, as the CPU's
// features are: glibc reads the caches when a program starts and answers
// sysconf from what it found, at the cost of a call; elsewhere the CPUID
// instruction describes them, which can take microseconds under a
// hypervisor, so the array functions ask only for calls long enough not to
// notice.

#ifdef VEMO_NUMERIC_X86_KERNELS

#if defined(__GLIBC__)
#include <unistd.h>
#else
#include <cpuid.h>
#endif

namespace vemo {
namespace numeric {
namespace detail {
namespace {

#if !defined(__GLIBC__)
// The largest cache that CPUID's deterministic cache parameters describe
// (leaf 4 on Intel, 0x8000001D on AMD), or 0. Each subleaf gives the ways,
// partitions, line size and sets of one cache.
std::size_t largest_described_cache(unsigned leaf) noexcept {
  if (__get_cpuid_max(leaf & 0x80000000U, nullptr) < leaf) {
    return 0;
  }
  std::size_t largest = 0;
  for (unsigned subleaf = 0; subleaf < 8; ++subleaf) {
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    __cpuid_count(leaf, subleaf, eax, ebx, ecx, edx);
    if ((eax & 0x1FU) == 0) {  // no more caches
      break;
    }
    const std::size_t bytes = std::size_t{(ebx >> 22U) + 1U} * (((ebx >> 12U) & 0x3FFU) + 1U) *
                              ((ebx & 0xFFFU) + 1U) * (std::size_t{ecx} + 1U);
    largest = bytes > largest ? bytes : largest;
  }
  return largest;
}
#endif

}  // namespace

std::size_t last_level_cache_bytes() noexcept {
#if defined(__GLIBC__)
  for (const int level : {_SC_LEVEL3_CACHE_SIZE, _SC_LEVEL2_CACHE_SIZE}) {
    const long bytes = sysconf(level);
    if (bytes > 0) {
      return static_cast<std::size_t>(bytes);
    }
  }
#else
  for (const unsigned leaf : {4U, 0x8000001DU}) {
    const std::size_t bytes = largest_described_cache(leaf);
    if (bytes != 0) {
      return bytes;
    }
  }
#endif
  return fallback_cache_bytes;
}

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
