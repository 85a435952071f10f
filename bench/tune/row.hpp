#ifndef VEMO_NUMERIC_BENCH_TUNE_ROW_HPP
#define VEMO_NUMERIC_BENCH_TUNE_ROW_HPP

// The tuner's output: the profile row it found, as C++ to paste into
// numeric/src/x86/profiles.cpp, and its gains.

#include "tuner.hpp"
#include "x86/cpu.hpp"

#include <string>

namespace tune {

// The model name /proc/cpuinfo gives, or "unknown CPU".
std::string cpu_model_name();

// Two hexadecimal digits at least, as the table writes families and models.
std::string hex(unsigned value);

void print_row(const detail::CpuDescription& cpu, const Tuned& tuned);

}  // namespace tune

#endif  // VEMO_NUMERIC_BENCH_TUNE_ROW_HPP
