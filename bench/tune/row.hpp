#ifndef VEMO_NUMERIC_BENCH_TUNE_ROW_HPP
#define VEMO_NUMERIC_BENCH_TUNE_ROW_HPP

// The tuner's output: the profile row it found, as C++ to paste into
// numeric/src/x86/profiles.cpp and where to paste it, with what each choice
// came to and the row's speed end to end.

#include "tuner.hpp"
#include "x86/cpu.hpp"

#include <string>
#include <vector>

namespace tune {

// The model name /proc/cpuinfo gives, or "unknown CPU".
std::string cpu_model_name();

// Two hexadecimal digits at least, as the table writes families and models.
std::string hex(unsigned value);

// Each class's speed over the row in force, with its interval, and over the
// plain loop.
void print_ratios(const std::vector<ClassRatio>& ratios);

void print_row(const detail::CpuDescription& cpu, const Tuner& tuner,
               const std::vector<ClassRatio>& ratios);

}  // namespace tune

#endif  // VEMO_NUMERIC_BENCH_TUNE_ROW_HPP
