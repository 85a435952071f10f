#include "bare_steps.hpp"

#include "x86/refined_root_avx512f.hpp"

// Compiled as the library's kernels are (see bench/CMakeLists.txt).

namespace {

namespace detail = vemo::numeric::detail;

struct Steps {
  template <std::size_t Index>
  VEMO_NUMERIC_TARGET("avx512f")
  static void run(const double* x, std::size_t n, double* y) {
    constexpr detail::Split split = detail::avx512f_splits[Index];
    constexpr std::size_t stretch = std::size_t{8} * (split.refined + split.instruction);
    for (std::size_t i = 0; i + stretch <= n; i += stretch) {
      detail::refined_avx512f::stretch_step<split.refined, split.instruction, false,
                                            detail::Stores::cached>(x + i, y + i, false, 0);
    }
  }
};

}  // namespace

const std::array<BareSteps, detail::avx512f_split_count> avx512f_bare_steps =
    bare_steps_of<Steps, 8>(detail::avx512f_splits,
                            std::make_index_sequence<detail::avx512f_split_count>{});
