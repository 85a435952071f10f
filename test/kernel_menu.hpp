#ifndef VEMO_NUMERIC_TEST_KERNEL_MENU_HPP
#define VEMO_NUMERIC_TEST_KERNEL_MENU_HPP

// The array kernels as the tests and the fuzzer call them: each like sq_n
// or sqrt_n, the refined ones with their prefetch distance bound, and sq_n
// and sqrt_n under every row of the profile table.

#include <vemo/numeric.hpp>

#include "array_kernels.hpp"

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#ifdef VEMO_NUMERIC_X86_KERNELS
#include "x86/cpu.hpp"
#include "x86/dispatch.hpp"
#include "x86/kernels.hpp"
#include "x86/profile.hpp"
#endif

namespace kernel_menu {

using ArrayFunction = std::function<void(const double* x, std::size_t n, double* y)>;

#ifdef VEMO_NUMERIC_X86_KERNELS
namespace detail = vemo::numeric::detail;

struct SplitKernel {
  std::string name;  // "<instruction set>_split_<refined>_<instruction>"
  bool supported;    // whether this CPU runs it
  ArrayFunction cached;
  ArrayFunction streaming;
};

// Every split on both menus, each prefetching as far ahead as a row may: a
// prefetch past an array's end must touch nothing.
inline std::vector<SplitKernel> split_kernels(const detail::CpuSignature& cpu) {
  std::vector<SplitKernel> kernels;
  const auto add = [&](const std::string& prefix, const auto& menu, bool supported) {
    for (const detail::SplitKernels& split : menu) {
      const auto bound = [](detail::RefinedKernel kernel) {
        return [kernel](const double* x, std::size_t n, double* y) {
          kernel(x, n, y, detail::largest_prefetch_bytes);
        };
      };
      kernels.push_back({prefix + "_split_" + std::to_string(split.split.refined) + "_" +
                             std::to_string(split.split.instruction),
                         supported, bound(split.cached), bound(split.streaming)});
    }
  };
  add("avx2", detail::avx2_split_kernels, cpu.avx2 && cpu.fma);
  add("avx512f", detail::avx512f_split_kernels, cpu.avx512f);
  return kernels;
}

struct UnderRow {
  std::string name;  // "under_<row>", or "under_<row>_beyond_the_cache"
  ArrayFunction sq_n;
  ArrayFunction sqrt_n;
};

// sq_n and sqrt_n as they run under each row of the table on this CPU, and
// again as on a CPU whose last-level cache is so small that every call but
// the shortest counts as beyond it, with the streaming paths and the row's
// choice of roots there.
inline std::vector<UnderRow> under_every_row() {
  std::vector<UnderRow> ways;
  for (const detail::ProfileRow* row = detail::profile_rows_begin();
       row != detail::profile_rows_end(); ++row) {
    const detail::CpuDescription real = detail::cpu();
    const std::array<std::pair<detail::CpuDescription, const char*>, 2> cpus = {
        {{real, ""}, {{real.signature, 1024}, "_beyond_the_cache"}}};
    for (const auto& [cpu, suffix] : cpus) {
      const detail::Dispatch d = detail::make_dispatch(cpu, *row);
      ways.push_back(
          {std::string("under_") + row->name + suffix,
           [d](const double* x, std::size_t n, double* y) { detail::sq_n_under(d, x, n, y); },
           [d](const double* x, std::size_t n, double* y) { detail::sqrt_n_under(d, x, n, y); }});
    }
  }
  return ways;
}
#endif

struct Kernel {
  std::string name;
  bool supported;      // whether this CPU runs it
  ArrayFunction sq_n;  // null for a kernel of roots alone
  ArrayFunction sqrt_n;
};

// Every kernel of this build, narrowest first, then the dispatching
// functions, and those under every row of the profile table.
inline std::vector<Kernel> all_kernels() {
  namespace detail = vemo::numeric::detail;
  std::vector<Kernel> kernels = {
      {"portable", true, detail::sq_n_portable, detail::sqrt_n_portable}};
#ifdef VEMO_NUMERIC_X86_KERNELS
  const detail::CpuSignature& cpu = detail::cpu().signature;
  kernels.insert(
      kernels.end(),
      {{"sse2", true, detail::sq_n_sse2, detail::sqrt_n_sse2},
       {"sse2_streaming", true, detail::sq_n_sse2_streaming, detail::sqrt_n_sse2_streaming},
       {"avx2", cpu.avx2, detail::sq_n_avx2, detail::sqrt_n_avx2},
       {"avx2_streaming", cpu.avx2, detail::sq_n_avx2_streaming, detail::sqrt_n_avx2_streaming}});
  kernels.insert(kernels.end(),
                 {{"avx512f", cpu.avx512f, detail::sq_n_avx512f, detail::sqrt_n_avx512f},
                  {"avx512f_streaming", cpu.avx512f, detail::sq_n_avx512f_streaming,
                   detail::sqrt_n_avx512f_streaming}});
  for (const SplitKernel& split : split_kernels(cpu)) {
    kernels.push_back({split.name, split.supported, nullptr, split.cached});
    kernels.push_back({split.name + "_streaming", split.supported, nullptr, split.streaming});
  }
#endif
#ifdef VEMO_NUMERIC_NEON_KERNELS
  kernels.push_back({"neon", true, detail::sq_n_neon, detail::sqrt_n_neon});
#endif
#ifdef VEMO_NUMERIC_WASM_SIMD128_KERNELS
  kernels.push_back({"wasm_simd128", true, detail::sq_n_wasm_simd128, detail::sqrt_n_wasm_simd128});
#endif
  kernels.push_back({"dispatched", true, vemo::numeric::sq_n, vemo::numeric::sqrt_n});
#ifdef VEMO_NUMERIC_X86_KERNELS
  for (const UnderRow& row : under_every_row()) {
    kernels.push_back({row.name, true, row.sq_n, row.sqrt_n});
  }
#endif
  return kernels;
}

}  // namespace kernel_menu

#endif  // VEMO_NUMERIC_TEST_KERNEL_MENU_HPP
