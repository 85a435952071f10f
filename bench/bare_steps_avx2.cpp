#include "bare_steps.hpp"

#include "x86/refined_root_avx2.hpp"

// Compiled as the library's kernels are (see bench/CMakeLists.txt).

namespace {

namespace detail = vemo::numeric::detail;

struct Steps {
  template <std::size_t Index>
  VEMO_NUMERIC_TARGET("avx2,fma")
  static void run(const double* x, std::size_t n, double* y) {
    constexpr detail::Split split = detail::avx2_splits[Index];
    constexpr std::size_t stretch = std::size_t{4} * (split.refined + split.instruction);
    for (std::size_t i = 0; i + stretch <= n; i += stretch) {
      detail::refined_avx2::stretch_step<split.refined, split.instruction, false,
                                         detail::Stores::cached>(x + i, y + i, 0);
    }
  }
};

}  // namespace

const std::array<BareSteps, detail::avx2_split_count> avx2_bare_steps = bare_steps_of<Steps, 4>(
    detail::avx2_splits, std::make_index_sequence<detail::avx2_split_count>{});
