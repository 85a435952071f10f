#include "row.hpp"

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

std::string length_in_row(std::size_t length) {
  return length == detail::never ? "never" : std::to_string(length);
}

std::string choice_in_row(const detail::RootChoice& choice) {
  return "{{" + std::to_string(choice.split.refined) + ", " +
         std::to_string(choice.split.instruction) + "}, " + length_in_row(choice.refined_from) +
         "}";
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

void print_row(const detail::CpuDescription& cpu, const Tuned& tuned) {
  const detail::CpuSignature& s = cpu.signature;
  const std::string vendor = s.vendor == detail::Vendor::intel ? "intel"
                             : s.vendor == detail::Vendor::amd ? "amd"
                                                               : "other";
  const detail::Profile& p = tuned.profile;
  std::printf("\nThe row for this CPU (widen its model range where other models are alike):\n\n");
  std::printf("    {\"%s_family_%s_model_%s\",\n", vendor.c_str(), hex(s.family).c_str(),
              hex(s.model).c_str());
  std::printf("     {Vendor::%s, %s, %s, %s, %s},\n", vendor.c_str(), hex(s.family).c_str(),
              hex(s.model).c_str(), hex(s.model).c_str(), s.avx512f ? "true" : "false");
  std::printf("     {%s, %s, %s, %zu, %u, %s},\n", choice_in_row(p.avx512f_roots).c_str(),
              choice_in_row(p.avx2_roots).c_str(), length_in_row(p.sq_512_bit_up_to).c_str(),
              p.prefetch_bytes, p.beyond_cache_percent, p.refined_beyond_cache ? "true" : "false");
  std::printf("     \"%s, family %s model %s, %s\"},\n\n", cpu_model_name().c_str(),
              hex(s.family).c_str(), hex(s.model).c_str(), today().c_str());
  std::printf(
      "Its gains, in speed, over the row this CPU takes now (\"%s\") and over the plain "
      "loop (-O3 -march=native -fno-math-errno):\n",
      detail::profile_row_for(cpu.signature).name);
  for (const Gain& gain : tuned.gains) {
    std::printf("  %-36s %5.2fx  %5.2fx\n", gain.where.c_str(), gain.over_library, gain.over_loop);
  }
  for (const std::string& note : tuned.notes) {
    std::printf("Note: %s\n", note.c_str());
  }
}

}  // namespace tune
