#include "x86/profile.hpp"

// The profile table: what sq_n and sqrt_n choose on each processor measured.
// To add a CPU, run numeric_tune on it (docs/performance.md, "Adding a
// CPU") and paste the row it prints above the default; a split it picks
// must be on the menu in kernels.hpp. The first row whose key matches the
// CPU wins, so rows go from the specific to the general: a row that an
// earlier one covers entirely would never be taken, and fails the build.
// A CPU no row knows takes the default, chosen to be no slower than a plain
// loop on any CPU measured. Whatever the row, every result is the same.

#ifdef VEMO_NUMERIC_X86_KERNELS

namespace vemo {
namespace numeric {
namespace detail {
namespace {

// Each row: name; key {vendor, family, first and last model, needs
// AVX-512F}; profile {AVX-512F roots {split, refined from}, AVX2 roots
// {split, refined from}, sq_n's 512-bit vectors up to, prefetch bytes,
// beyond the cache at percent of the last-level cache, refined beyond the
// cache}; where and when it was measured.
// (A built-in array, which C++11 can read in the constant expression below.)
// NOLINTNEXTLINE(modernize-avoid-c-arrays)
constexpr ProfileRow rows[] = {
    {"intel_avx512f",
     {Vendor::intel, 0x6, 0x00, 0xFF, true},
     {{{3, 1}, 16}, {{1, 2}, 16}, 4096, 2048, 100, true},
     "Intel Xeon, family 6 model 167 (0xA7), 2 vCPUs under KVM, 2026-12-09"},
    // Zen 3's server parts (EPYC), which have no AVX-512F. Family 0x19's
    // other Zen 3 models, desktop and mobile, take the default.
    {"amd_zen3_server",
     {Vendor::amd, 0x19, 0x00, 0x0F, false},
     {{{1, 1}, 64}, {{1, 2}, 128}, 4096, 3072, 12, true},
     "AMD EPYC (Zen 3), family 0x19 model 0x01, 2 vCPUs under KVM, 2026-12-09"},
    // Zen 4, the only cores of family 0x19 with AVX-512F.
    {"amd_zen4",
     {Vendor::amd, 0x19, 0x00, 0xFF, true},
     {{{1, 1}, 64}, {{1, 2}, 64}, never, 2048, 12, true},
     "AMD EPYC (Zen 4), family 0x19 model 0x11, 2 vCPUs under KVM, numeric_tune, 2026-12-10"},
    // Zen 5 server parts, with full-width AVX-512 units; the mobile parts
    // (models from 0x20), with half-width ones, take the default.
    {"amd_zen5_server",
     {Vendor::amd, 0x1A, 0x00, 0x1F, true},
     {{{4, 3}, 64}, {{1, 2}, 64}, never, 2048, 100, false},
     "AMD EPYC Zen 5, family 0x1A model 2, 2 vCPUs under KVM, 2026-12-09"},
    // The default: every CPU no row above knows.
    {"default",
     {Vendor::other, 0, 0, 0, false},
     {{{1, 1}, 64}, {{1, 2}, 128}, 4096, 2048, 100, false},
     "no slower than a plain loop on each CPU above"},
};

constexpr std::size_t row_count = sizeof rows / sizeof rows[0];

// Every split a row names must have been built.
constexpr bool splits_on_menu(std::size_t row) {
  return row == row_count ||
         (on_menu(rows[row].profile.avx512f_roots.split, avx512f_splits, avx512f_split_count) &&
          on_menu(rows[row].profile.avx2_roots.split, avx2_splits, avx2_split_count) &&
          splits_on_menu(row + 1));
}
static_assert(splits_on_menu(0), "a row names a split that kernels.hpp does not build");

constexpr bool in_range(std::size_t row) {
  return row == row_count ||
         (rows[row].profile.prefetch_bytes <= largest_prefetch_bytes &&
          rows[row].profile.beyond_cache_percent >= 1 &&
          rows[row].profile.beyond_cache_percent <= largest_beyond_cache_percent &&
          in_range(row + 1));
}
static_assert(in_range(0),
              "a row prefetches further ahead than the contract allows, or names a share of the "
              "cache out of range");

// Whether no row from `earlier` up to `row` covers row's key (the default,
// last, is no key of its own).
constexpr bool reachable(std::size_t row, std::size_t earlier) {
  return earlier == row ||
         (!covers(rows[earlier].key, rows[row].key) && reachable(row, earlier + 1));
}

constexpr bool every_row_reachable(std::size_t row) {
  return row + 1 >= row_count || (reachable(row, 0) && every_row_reachable(row + 1));
}
static_assert(every_row_reachable(0),
              "an earlier row's key covers a row's entirely, so no CPU takes it: put the more "
              "specific row first");

bool matches(const CpuKey& key, const CpuSignature& cpu) noexcept {
  return cpu.vendor == key.vendor && cpu.family == key.family && key.first_model <= cpu.model &&
         cpu.model <= key.last_model && (cpu.avx512f || !key.needs_avx512f);
}

}  // namespace

const ProfileRow& profile_row_for(const CpuSignature& cpu) noexcept {
  for (std::size_t row = 0; row + 1 < row_count; ++row) {
    if (matches(rows[row].key, cpu)) {
      return rows[row];
    }
  }
  return rows[row_count - 1];
}

const ProfileRow* profile_rows_begin() noexcept { return rows; }
const ProfileRow* profile_rows_end() noexcept { return rows + row_count; }

}  // namespace detail
}  // namespace numeric
}  // namespace vemo

#endif  // VEMO_NUMERIC_X86_KERNELS
