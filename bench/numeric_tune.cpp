// Measures, on the machine it runs on, each choice that sq_n and sqrt_n make
// by processor model, and prints the profile row that suits this CPU, ready
// to paste into numeric/src/x86/profiles.cpp, with its gains over the row
// the library takes now and over a plain loop built for this machine.
//
//   numeric_tune [--quick]
//
// Every way is timed in interleaved rounds, each round in a fresh random
// order, and keeps its fastest; the library's own sq_n and sqrt_n run in
// the same rounds. A full run takes a minute or two and up to four times
// the reported last-level cache in memory; --quick only checks that every
// way runs and gives the right bits, in a few seconds. Exits 0 when it has
// printed a row, 1 when a way gave wrong bits, 2 when it cannot run here.
// The sweeps are in tune/.

#include "tune/row.hpp"
#include "tune/tuner.hpp"

#include <cstddef>
#include <cstdio>
#include <cstring>

#ifdef VEMO_NUMERIC_X86_KERNELS

namespace detail = vemo::numeric::detail;

int main(int argc, char** argv) {
  tune::Settings settings;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--quick") == 0) {
      settings.quick = true;
      settings.rounds = 2;
      settings.memory_rounds = 1;
      settings.elements_per_timing = std::size_t{1} << 14;
    } else {
      std::fprintf(stderr, "usage: %s [--quick]\n", argv[0]);
      return 2;
    }
  }
  const detail::CpuDescription& cpu = detail::cpu();
  const detail::CpuSignature& s = cpu.signature;
  std::printf(
      "%s: family %s model %s, %s; last-level cache %zu MiB reported; takes row \"%s\" "
      "(%s)%s\n",
      tune::cpu_model_name().c_str(), tune::hex(s.family).c_str(), tune::hex(s.model).c_str(),
      s.avx512f         ? "AVX-512F"
      : s.avx2 && s.fma ? "AVX2 and FMA"
                        : "no AVX2 with FMA",
      cpu.last_level_cache_bytes >> 20U, detail::profile_row_for(s).name,
      detail::profile_row_for(s).measured,
      settings.quick ? "; quick mode: a smoke test, not a row for the table" : "");
  if (!s.avx2 || !s.fma) {
    std::fprintf(stderr,
                 "numeric_tune: this CPU has no AVX2 with FMA, so it has nothing to tune\n");
    return 2;
  }
  tune::Tuner tuner(settings, cpu);
  const tune::RootSet avx2{"AVX2",
                           detail::sqrt_n_avx2,
                           detail::sqrt_n_avx2_streaming,
                           avx2_swept_splits.data(),
                           detail::avx2_split_kernels.data(),
                           detail::avx2_split_count,
                           !s.avx512f};
  const tune::RootSet avx512f{"AVX-512F",
                              detail::sqrt_n_avx512f,
                              detail::sqrt_n_avx512f_streaming,
                              avx512f_swept_splits.data(),
                              detail::avx512f_split_kernels.data(),
                              detail::avx512f_split_count,
                              true};
  detail::Profile& profile = tuner.profile();
  detail::Split dispatched = tuner.tune_split(avx2, profile.avx2_roots);
  tuner.tune_refined_from(avx2, profile.avx2_roots);
  const tune::RootSet* roots = &avx2;
  if (s.avx512f) {
    dispatched = tuner.tune_split(avx512f, profile.avx512f_roots);
    tuner.tune_refined_from(avx512f, profile.avx512f_roots);
    roots = &avx512f;
  }
  tuner.tune_square_width();
  tuner.tune_streaming();
  tuner.tune_prefetch(*roots, dispatched);
  tuner.tune_refined_beyond_cache(*roots, dispatched);
  tune::print_row(cpu, tuner.tuned());
  return tuner.bits_right() ? 0 : 1;
}

#else

int main() {
  std::fprintf(stderr, "numeric_tune: this build has no x86 kernels, so it has nothing to tune\n");
  return 2;
}

#endif
