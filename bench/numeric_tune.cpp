// Measures, on the machine it runs on, each choice that sq_n and sqrt_n make
// by processor model, and prints the profile row that suits this CPU, ready
// to paste into numeric/src/x86/profiles.cpp, with the whole row checked end
// to end against the row in force and a plain loop built for this machine.
//
//   numeric_tune [--quick] [--from ROW]
//   numeric_tune [--quick] --check ROW
//
// ROW is the name of a row of the table ("default", "amd_zen4", ...) or a
// whole row as the tuner prints it. --from starts from that row instead of
// the one this CPU takes; --check only times that row against this CPU's,
// end to end. Every candidate runs through the library's own dispatch, made
// for a row that differs from the one in force in that choice alone, in
// interleaved rounds; a choice moves off the value in force only where
// another is faster beyond the noise by 3% (tune/decide.hpp). A full run
// takes under a minute (45 s on an AMD EPYC Zen 4) and up to four times the
// reported last-level cache in memory; --quick only checks that every sweep
// runs and gives the right bits, in a few seconds, on small sizes. Exits 0
// when it has printed a row, 1 when a candidate gave wrong bits, 2 on a bad
// argument or where it cannot run, and 3 when the machine did not hold
// still during the run (tune/pace.hpp): the row it printed is then not one
// to take. A sweep during which the pace moved is timed again, from where
// it started, twice at most.

#include "tune/pace.hpp"
#include "tune/row.hpp"
#include "tune/row_text.hpp"
#include "tune/tuner.hpp"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#ifdef VEMO_NUMERIC_X86_KERNELS

namespace detail = vemo::numeric::detail;

namespace {

int usage(const char* program) {
  std::fprintf(stderr, "usage: %s [--quick] [--from ROW | --check ROW]\n", program);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  tune::Settings settings;
  std::optional<tune::RowText> from;
  std::optional<tune::RowText> check;
  for (int i = 1; i < argc; ++i) {
    const bool takes_row =
        std::strcmp(argv[i], "--from") == 0 || std::strcmp(argv[i], "--check") == 0;
    if (std::strcmp(argv[i], "--quick") == 0) {
      settings.quick = true;
      settings.rounds = static_cast<int>(tune::minimum_rounds);
      settings.memory_rounds = static_cast<int>(tune::minimum_rounds);
      settings.elements_per_timing = std::size_t{1} << 12U;
    } else if (takes_row && i + 1 < argc && !from && !check) {
      std::string error;
      std::optional<tune::RowText> row = tune::parse_row(argv[i + 1], error);
      if (!row) {
        std::fprintf(stderr, "numeric_tune: %s: %s\n", argv[i], error.c_str());
        return 2;
      }
      (std::strcmp(argv[i], "--from") == 0 ? from : check) = row;
      ++i;
    } else {
      return usage(argv[0]);
    }
  }
  const detail::CpuDescription& cpu = detail::cpu();
  const detail::CpuSignature& s = cpu.signature;
  const tune::RowText own = tune::row_of(detail::profile_row_for(s));
  std::printf(
      "%s: family %s model %s, %s; last-level cache %zu MiB reported; takes row \"%s\" "
      "(%s)%s\n",
      tune::cpu_model_name().c_str(), tune::hex(s.family).c_str(), tune::hex(s.model).c_str(),
      s.avx512f         ? "AVX-512F"
      : s.avx2 && s.fma ? "AVX2 and FMA"
                        : "no AVX2 with FMA",
      cpu.last_level_cache_bytes >> 20U, own.name.c_str(), own.measured.c_str(),
      settings.quick ? "; quick mode: a smoke test, not a row for the table" : "");
  if (!s.avx2 || !s.fma) {
    std::fprintf(stderr,
                 "numeric_tune: this CPU has no AVX2 with FMA, so it has nothing to tune\n");
    return 2;
  }
  if (check) {
    const tune::Tuner tuner(settings, cpu, own);
    std::printf("\nRow \"%s\" against this CPU's row, \"%s\", end to end:\n", check->name.c_str(),
                own.name.c_str());
    tune::print_ratios(tuner.end_to_end(check->profile, own.profile));
    return 0;
  }
  tune::Tuner tuner(settings, cpu, from ? *from : own);
  tune::PaceWatch pace(cpu, tuner.start().profile);
  pace.sample();
  for (void (tune::Tuner::*sweep)() :
       {&tune::Tuner::tune_split, &tune::Tuner::tune_refined_from, &tune::Tuner::tune_square_width,
        &tune::Tuner::tune_streaming, &tune::Tuner::tune_prefetch,
        &tune::Tuner::tune_refined_beyond_cache}) {
    for (int attempt = 1;; ++attempt) {
      const std::size_t first = pace.samples() - 1;
      const tune::Tuner before = tuner;
      (tuner.*sweep)();
      pace.sample();
      if (pace.held_since(first) || attempt == tune::sweep_attempts) {
        pace.accept_since(first);
        break;
      }
      std::printf("  (the machine's pace moved during that sweep: timing it again)\n");
      tuner = before;
      pace.sample();
    }
  }
  std::printf("\nThe whole row against the row in force, end to end:\n");
  const std::size_t first = pace.samples() - 1;
  const std::vector<tune::ClassRatio> ratios = tuner.keep_no_slower();
  pace.sample();
  pace.accept_since(first);
  tune::print_row(cpu, tuner, ratios);
  std::printf("\nThe machine's pace between the sweeps, %s.\n", pace.summary().c_str());
  if (!tuner.bits_right()) {
    return 1;
  }
  if (!settings.quick && !pace.steady()) {
    std::fprintf(stderr,
                 "numeric_tune: the machine did not hold still (%s): the row above need not be "
                 "what a quiet run gives; run it again with nothing else running (on a virtual "
                 "machine, nothing on its host's core either)\n",
                 pace.summary().c_str());
    return 3;
  }
  return 0;
}

#else

int main() {
  std::fprintf(stderr, "numeric_tune: this build has no x86 kernels, so it has nothing to tune\n");
  return 2;
}

#endif
