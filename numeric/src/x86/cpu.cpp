#include "x86/cpu.hpp"

// Reading the CPU's identity and features with CPUID, rather than through
// the compiler's runtime (__builtin_cpu_supports, __builtin_cpu_is): that
// depends on the compiler that links the consumer, finds nothing before its
// own constructor has run, and GCC 12's knows no AMD family after 0x19.

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <cpuid.h>

#if defined(__GLIBC__)
#include <unistd.h>
#endif

namespace vemo {
namespace numeric {
namespace detail {
namespace {

struct Registers {
  unsigned eax = 0;
  unsigned ebx = 0;
  unsigned ecx = 0;
  unsigned edx = 0;
};

// NOLINTNEXTLINE(bugprone-easily-swappable-parameters): CPUID's own order
Registers cpuid(unsigned leaf, unsigned subleaf = 0) noexcept {
  Registers r;
  __cpuid_count(leaf, subleaf, r.eax, r.ebx, r.ecx, r.edx);
  return r;
}

bool bit(unsigned value, unsigned position) noexcept { return ((value >> position) & 1U) != 0; }

// The register state the operating system saves on a context switch
// (XCR0); read only where CPUID says it may be (OSXSAVE).
unsigned long long saved_state() noexcept {
  unsigned eax = 0;
  unsigned edx = 0;
  __asm__("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
  return (static_cast<unsigned long long>(edx) << 32U) | eax;
}

// XCR0's bits for the SSE and AVX registers, and for AVX-512's masks and
// upper ZMM registers.
constexpr unsigned long long sse_avx_state = 0x6;
constexpr unsigned long long avx512_state = 0xE0;

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
    const Registers r = cpuid(leaf, subleaf);
    if ((r.eax & 0x1FU) == 0) {  // no more caches
      break;
    }
    const std::size_t bytes = std::size_t{(r.ebx >> 22U) + 1U} * (((r.ebx >> 12U) & 0x3FFU) + 1U) *
                              ((r.ebx & 0xFFFU) + 1U) * (std::size_t{r.ecx} + 1U);
    largest = bytes > largest ? bytes : largest;
  }
  return largest;
}
#endif

CpuDescription describe_this_cpu() noexcept {
  return {read_cpu_signature(), read_last_level_cache_bytes()};
}

}  // namespace

CpuSignature read_cpu_signature() noexcept {
  CpuSignature signature{Vendor::other, 0, 0, false, false, false};
  const Registers vendor = cpuid(0);
  const unsigned highest_leaf = vendor.eax;
  if (vendor.ebx == signature_INTEL_ebx && vendor.edx == signature_INTEL_edx &&
      vendor.ecx == signature_INTEL_ecx) {
    signature.vendor = Vendor::intel;
  } else if (vendor.ebx == signature_AMD_ebx && vendor.edx == signature_AMD_edx &&
             vendor.ecx == signature_AMD_ecx) {
    signature.vendor = Vendor::amd;
  }
  if (highest_leaf < 1) {
    return signature;
  }
  // Family and model as the manuals compose them from the base and
  // extended fields.
  const Registers version = cpuid(1);
  const unsigned base_family = (version.eax >> 8U) & 0xFU;
  const unsigned base_model = (version.eax >> 4U) & 0xFU;
  signature.family =
      base_family == 0xF ? base_family + ((version.eax >> 20U) & 0xFFU) : base_family;
  signature.model = base_family == 0x6 || base_family == 0xF
                        ? (((version.eax >> 16U) & 0xFU) << 4U) + base_model
                        : base_model;
  const bool os_saves_avx = bit(version.ecx, 27) && bit(version.ecx, 28) &&  // OSXSAVE, AVX
                            (saved_state() & sse_avx_state) == sse_avx_state;
  if (!os_saves_avx || highest_leaf < 7) {
    return signature;
  }
  const Registers extended = cpuid(7);
  signature.avx2 = bit(extended.ebx, 5);
  signature.fma = bit(version.ecx, 12);
  signature.avx512f = bit(extended.ebx, 16) && (saved_state() & avx512_state) == avx512_state;
  return signature;
}

std::size_t read_last_level_cache_bytes() noexcept {
#if defined(__GLIBC__)
  // glibc read the caches when the program started, and answers from that.
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

const CpuDescription& cpu() noexcept {
  // Initialised once, at the first call, whichever thread makes it; the
  // others wait for it.
  static const CpuDescription description = describe_this_cpu();
  return description;
}

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
