#ifndef VEMO_NUMERIC_X86_CPU_HPP
#define VEMO_NUMERIC_X86_CPU_HPP

// What the array functions know of the x86 CPU they run on: who made it,
// which model it is, which instructions it and the operating system
// support, and how large its last-level cache is. Facts only: which row of
// the profile table they lead to is the table's business (profile.hpp).
// Read once per process: CPUID traps to the hypervisor in a virtual
// machine, where it can take microseconds.

#include "array_kernels.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <cstddef>

namespace vemo {
namespace numeric {
namespace detail {

enum class Vendor : unsigned char { intel, amd, other };

// What CPUID says of a processor, as the profiles are keyed.
struct CpuSignature {
  Vendor vendor;
  unsigned family;  // the family as the manuals number it, extended family included
  unsigned model;   // the model, extended model included
  bool avx2;        // AVX2, with the operating system saving the YMM registers
  bool fma;
  bool avx512f;  // AVX-512F, with the operating system saving the ZMM and mask registers
};

struct CpuDescription {
  CpuSignature signature;
  std::size_t last_level_cache_bytes;
};

// Asks CPUID, and the operating system through XGETBV, afresh.
CpuSignature read_cpu_signature() noexcept;

// The size in bytes of the last-level cache the CPU reports, or
// fallback_cache_bytes where it reports none, asked afresh.
constexpr std::size_t fallback_cache_bytes = std::size_t{32} << 20;
std::size_t read_last_level_cache_bytes() noexcept;

// This CPU's description, read at the first call in the process and kept:
// from any thread, and before main as well.
const CpuDescription& cpu() noexcept;

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_X86_CPU_HPP
