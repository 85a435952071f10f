#include "tuner.hpp"

#include <vemo/numeric.hpp>

#include "page_arrays.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace tune {

namespace {

// Whether every root `function` gives on `arrays` is the scalar root.
bool gives_scalar_roots(const ArrayCall& function, const Arrays& arrays) {
  function(arrays.x(), arrays.size(), arrays.y());
  const auto bits = [](double value) {
    std::uint64_t b = 0;
    std::memcpy(&b, &value, sizeof b);
    return b;
  };
  for (std::size_t i = 0; i < arrays.size(); ++i) {
    if (bits(arrays.y()[i]) != bits(vemo::numeric::sqrt(arrays.x()[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

Tuner::Tuner(const Settings& settings, const detail::CpuDescription& cpu)
    : settings_(settings), cpu_(cpu) {
  tuned_.profile = detail::profile_row_for(cpu.signature).profile;
}

std::string Tuner::length_text(std::size_t length) {
  return length == detail::never ? "never (the instruction alone)" : std::to_string(length);
}

std::vector<std::size_t> Tuner::sizes(std::vector<std::size_t> all) const {
  if (settings_.quick) {
    all.resize(2);
  }
  return all;
}

std::size_t Tuner::calls_for(std::size_t n) const {
  return std::max<std::size_t>(1, settings_.elements_per_timing / n);
}

std::vector<std::pair<std::size_t, bool>> Tuner::memory_sizes() const {
  if (settings_.quick) {
    return {{16384, false}, {std::size_t{1} << 18, true}};
  }
  return {{16384, false},
          {std::size_t{16} << 20, true},
          {2 * cpu_.last_level_cache_bytes / sizeof(double), false}};
}

std::size_t Tuner::streaming_size() const {
  return cpu_.last_level_cache_bytes / 100 * tuned_.profile.beyond_cache_percent /
         (2 * sizeof(double));
}

std::vector<unsigned> Tuner::percents() const {
  if (settings_.quick) {
    return {1};
  }
  return {3, 6, 12, 25, 50, 100, 200};
}

const detail::SplitKernels* Tuner::kernels_of(const RootSet& set, detail::Split split) {
  for (std::size_t m = 0; m < set.menu_count; ++m) {
    if (set.menu[m].split == split) {
      return &set.menu[m];
    }
  }
  return &set.menu[0];
}

SweptSplit Tuner::swept_of(const RootSet& set, detail::Split split) {
  for (std::size_t s = 0; s < swept_split_count; ++s) {
    if (set.swept[s].refined == split.refined && set.swept[s].instruction == split.instruction) {
      return set.swept[s];
    }
  }
  return set.swept[0];
}

void Tuner::check_bits(const std::string& name, const ArrayCall& function) {
  static const Arrays checked(4099, Kind::mixed);
  if (!gives_scalar_roots(function, checked)) {
    std::fprintf(stderr, "numeric_tune: split %s gave wrong roots\n", name.c_str());
    bits_right_ = false;
  }
}

}  // namespace tune
