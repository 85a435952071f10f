#include "pace.hpp"

#include "page_arrays.hpp"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#ifdef __linux__
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace tune {

namespace {

constexpr std::size_t pace_length = 1024;
constexpr int pace_rounds = 7;

double spread(const std::vector<double>& paces) {
  const auto [slowest, fastest] = std::minmax_element(paces.begin(), paces.end());
  return paces.empty() ? 0.0 : *fastest / *slowest - 1.0;
}

std::string range_of(const char* what, const std::vector<double>& paces) {
  const auto [slowest, fastest] = std::minmax_element(paces.begin(), paces.end());
  std::array<char, 160> text{};
  std::snprintf(text.data(), text.size(), "%s %.2f to %.2f billion a second (%+.0f%%)", what,
                *slowest, *fastest, 100.0 * spread(paces));
  return text.data();
}

}  // namespace

PaceWatch::PaceWatch(const detail::CpuDescription& cpu, const detail::Profile& profile)
    : cpu_(cpu), refined_(profile), instruction_(profile) {
  roots_of(refined_, cpu.signature.avx512f).refined_from = 1;
  roots_of(instruction_, cpu.signature.avx512f).refined_from = detail::never;
}

void PaceWatch::sample() {
  static const Arrays arrays(pace_length, Kind::positive);
  const Call call{pace_length, true, false, Kind::positive, false};
  const std::size_t calls = (std::size_t{1} << 18U) / pace_length;
  std::vector<std::vector<Way>> ways = {
      {way_of("refined", call_under(dispatch_under(cpu_, refined_), call), arrays.x(), pace_length,
              arrays.y(), calls),
       way_of("instruction", call_under(dispatch_under(cpu_, instruction_), call), arrays.x(),
              pace_length, arrays.y(), calls)}};
  time_in_rounds(ways, pace_rounds);
  refined_paces_.push_back(ways[0][0].billions_per_second());
  instruction_paces_.push_back(ways[0][1].billions_per_second());

#ifdef __linux__
  const auto seconds_of = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + 1e-6 * static_cast<double>(t.tv_usec);
  };
  // The first line of /proc/stat sums every CPU's time in clock ticks:
  // user, nice, system, idle, iowait, irq, softirq, steal.
  std::ifstream stat("/proc/stat");
  std::string line;
  std::getline(stat, line);
  std::istringstream fields(line);
  std::string label;
  std::array<unsigned long long, 7> ticks_in{};
  fields >> label;
  for (unsigned long long& field : ticks_in) {
    fields >> field;
  }
  // All but idle and iowait.
  const unsigned long long busy_ticks =
      ticks_in[0] + ticks_in[1] + ticks_in[2] + ticks_in[5] + ticks_in[6];
  const long ticks = sysconf(_SC_CLK_TCK);
  const long cpus = sysconf(_SC_NPROCESSORS_ONLN);
  rusage own{};
  getrusage(RUSAGE_SELF, &own);
  const Clocks now{
      static_cast<double>(busy_ticks) / static_cast<double>(ticks),
      seconds_of(own.ru_utime) + seconds_of(own.ru_stime),
      std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(),
      static_cast<unsigned>(cpus), fields && ticks > 0 && cpus > 0};
  if (!first_.known) {
    first_ = now;
  } else if (now.known && now.cpus > 1) {
    // The system's own work on this CPU (interrupts) counts as the others'.
    other_cpu_seconds_ = (now.wall - first_.wall) * (now.cpus - 1);
    other_busy_seconds_ =
        std::clamp((now.all_busy - first_.all_busy) - (now.own_busy - first_.own_busy), 0.0,
                   other_cpu_seconds_);
  }
#endif
}

namespace {

// Whether paces[first, end) are each within largest_pace_change of the
// fastest of all.
bool held(const std::vector<double>& paces, std::size_t first, std::size_t end) {
  const double fastest = *std::max_element(paces.begin(), paces.end());
  return first < end && end <= paces.size() &&
         std::all_of(paces.begin() + static_cast<std::ptrdiff_t>(first),
                     paces.begin() + static_cast<std::ptrdiff_t>(end), [fastest](double pace) {
                       return fastest / pace - 1.0 <= largest_pace_change;
                     });
}

}  // namespace

bool PaceWatch::held_since(std::size_t first) const {
  return held(refined_paces_, first, samples()) && held(instruction_paces_, first, samples());
}

void PaceWatch::accept_since(std::size_t first) { accepted_.emplace_back(first, samples()); }

bool PaceWatch::steady() const {
  return std::all_of(accepted_.begin(), accepted_.end(),
                     [this](const std::pair<std::size_t, std::size_t>& sweep) {
                       return held(refined_paces_, sweep.first, sweep.second) &&
                              held(instruction_paces_, sweep.first, sweep.second);
                     }) &&
         (other_busy_seconds_ < 0.0 ||
          other_busy_seconds_ <= largest_other_cpus_busy * other_cpu_seconds_);
}

std::string PaceWatch::summary() const {
  std::string text = "over " + std::to_string(refined_paces_.size()) + " samples at " +
                     std::to_string(pace_length) + " doubles, " +
                     range_of("refined roots", refined_paces_) + ", " +
                     range_of("the instruction's", instruction_paces_);
  if (other_busy_seconds_ >= 0.0 && other_cpu_seconds_ > 0.0) {
    std::array<char, 80> busy{};
    std::snprintf(busy.data(), busy.size(), "; the other CPUs busy %.0f%% of the time",
                  100.0 * other_busy_seconds_ / other_cpu_seconds_);
    text += busy.data();
  }
  return text;
}

}  // namespace tune
