#ifndef VEMO_NUMERIC_BENCH_BARE_STEPS_HPP
#define VEMO_NUMERIC_BENCH_BARE_STEPS_HPP

// The refined roots' stretches alone, for every split on the menus: the same
// refined and instruction steps as the library's kernels over whole
// stretches, without reading MXCSR, the head and tail steps, the check for
// overlap or the dispatch. What a call of that length could cost; the
// benchmark sets the library's calls against it. Only for n a multiple of
// the stretch, on arrays apart, in round-to-nearest, on CPUs with the
// instructions.

#include "x86/kernels.hpp"

#include <array>
#include <cstddef>
#include <utility>

struct BareSteps {
  vemo::numeric::detail::Split split;
  void (*steps)(const double* x, std::size_t n, double* y);
  std::size_t stretch;  // in doubles
};

// The table for a menu whose vectors hold Width doubles, from Steps, whose
// member run<Index> runs the stretches of split Index.
template <class Steps, std::size_t Width, std::size_t Count, std::size_t... Index>
constexpr std::array<BareSteps, Count> bare_steps_of(
    const vemo::numeric::detail::Split (&menu)[Count],  // NOLINT(modernize-avoid-c-arrays)
    std::index_sequence<Index...> /*indices*/) {
  return {{{menu[Index], Steps::template run<Index>,
            Width * (std::size_t{menu[Index].refined} + menu[Index].instruction)}...}};
}

extern const std::array<BareSteps, vemo::numeric::detail::avx512f_split_count> avx512f_bare_steps;
extern const std::array<BareSteps, vemo::numeric::detail::avx2_split_count> avx2_bare_steps;

#endif  // VEMO_NUMERIC_BENCH_BARE_STEPS_HPP
