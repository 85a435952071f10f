#include "row.hpp"

#include "row_text.hpp"

#include <array>
#include <cstdio>
#include <ctime>
#include <fstream>

namespace tune {

namespace {

std::string today() {
  const std::time_t now = std::time(nullptr);
  std::array<char, 16> text{};
  std::strftime(text.data(), text.size(), "%Y-%m-%d", std::gmtime(&now));
  return text.data();
}

// The row the printed one goes above, so that no earlier row's key covers
// its own: the first row that does, or the default.
const detail::ProfileRow& first_covering(const detail::CpuKey& key) {
  const detail::ProfileRow* row = detail::profile_rows_begin();
  while (row + 1 != detail::profile_rows_end() && !detail::covers(row->key, key)) {
    ++row;
  }
  return *row;
}

}  // namespace

std::string cpu_model_name() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.rfind("model name", 0) == 0 && line.find(": ") != std::string::npos) {
      return line.substr(line.find(": ") + 2);
    }
  }
  return "unknown CPU";
}

std::string hex(unsigned value) {
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "0x%02X", value);
  return text.data();
}

void print_ratios(const std::vector<ClassRatio>& ratios) {
  std::printf("  %-52s %s\n", "", "over the row in force [95% interval]   over the loop");
  for (const ClassRatio& ratio : ratios) {
    std::printf("  %-52s %5.3fx [%5.3f, %5.3f]               %5.2fx\n", ratio.name.c_str(),
                ratio.over_in_force.speedup, ratio.over_in_force.low, ratio.over_in_force.high,
                ratio.over_loop);
  }
}

void print_row(const detail::CpuDescription& cpu, const Tuner& tuner,
               const std::vector<ClassRatio>& ratios) {
  const detail::CpuSignature& s = cpu.signature;
  const RowText& start = tuner.start();
  const detail::ProfileRow& own = detail::profile_row_for(s);
  // A CPU with a row of its own keeps its name and key; any other gets a row
  // keyed to its model alone, which whoever adds it may widen.
  const bool update = start.name == own.name && start.name != "default";
  const RowText row{
      update ? start.name
             : std::string(vendor_name(s.vendor)) + "_family_" + hex(s.family) + "_model_" +
                   hex(s.model),
      update ? start.key : detail::CpuKey{s.vendor, s.family, s.model, s.model, s.avx512f},
      tuner.tuned(),
      cpu_model_name() + ", family " + hex(s.family) + " model " + hex(s.model) + ", " + today()};
  std::printf("\nEach choice, from the row in force (\"%s\"):\n", start.name.c_str());
  for (const Verdict& verdict : tuner.verdicts()) {
    std::string tied;
    for (const std::string& name : verdict.tied) {
      tied += (tied.empty() ? "; within noise of it: " : ", ") + name;
    }
    std::printf("  %-36s %-12s -> %-12s %s%s\n", verdict.choice.c_str(), verdict.in_force.c_str(),
                verdict.chosen.c_str(),
                verdict.chosen != verdict.in_force
                    ? "faster beyond the noise"
                    : (verdict.within_noise ? "within noise" : "the fastest"),
                tied.c_str());
  }
  for (const std::string& note : tuner.notes()) {
    std::printf("Note: %s\n", note.c_str());
  }
  std::printf(
      "\nThe row for this CPU, end to end against the row in force and the plain loop "
      "(-O3 -march=native -fno-math-errno):\n");
  print_ratios(ratios);
  if (update) {
    std::printf("\nIn numeric/src/x86/profiles.cpp, replace the row \"%s\" with:\n\n%s\n", own.name,
                format_row(row).c_str());
  } else {
    std::printf(
        "\nIn numeric/src/x86/profiles.cpp, paste above the row \"%s\" (widen its model "
        "range where other models are alike):\n\n%s\n",
        first_covering(row.key).name, format_row(row).c_str());
  }
}

}  // namespace tune
