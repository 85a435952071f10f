#include "tuner.hpp"

#include "array_loops.hpp"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace tune {

namespace {

// A class of calls the whole row is checked on, and which of the row's
// choices bear on it, most likely first.
struct CallClass {
  std::string name;
  std::vector<Call> calls;
  bool memory;  // beyond the caches closest to the core
};

struct Field {
  const char* name;
  std::size_t (*value)(const detail::Profile& profile, bool avx512f);  // as a number
  void (*put_back)(detail::Profile& tuned, const detail::Profile& in_force, bool avx512f);
};

// The fields in the order they are put back: for calls in the caches, and
// for calls in memory.
const std::vector<Field>& fields(bool memory) {
  static const Field split{"split",
                           [](const detail::Profile& p, bool w) -> std::size_t {
                             return 256U * roots_of(p, w).split.refined +
                                    roots_of(p, w).split.instruction;
                           },
                           [](detail::Profile& t, const detail::Profile& f, bool w) {
                             roots_of(t, w).split = roots_of(f, w).split;
                           }};
  static const Field refined_from{
      "refined from", [](const detail::Profile& p, bool w) { return roots_of(p, w).refined_from; },
      [](detail::Profile& t, const detail::Profile& f, bool w) {
        roots_of(t, w).refined_from = roots_of(f, w).refined_from;
      }};
  static const Field width{
      "sq_n's 512-bit vectors up to",
      [](const detail::Profile& p, bool /*w*/) -> std::size_t { return p.sq_512_bit_up_to; },
      [](detail::Profile& t, const detail::Profile& f, bool /*w*/) {
        t.sq_512_bit_up_to = f.sq_512_bit_up_to;
      }};
  static const Field prefetch{
      "prefetch bytes",
      [](const detail::Profile& p, bool /*w*/) -> std::size_t { return p.prefetch_bytes; },
      [](detail::Profile& t, const detail::Profile& f, bool /*w*/) {
        t.prefetch_bytes = f.prefetch_bytes;
      }};
  static const Field streaming{
      "beyond the cache from",
      [](const detail::Profile& p, bool /*w*/) -> std::size_t { return p.beyond_cache_percent; },
      [](detail::Profile& t, const detail::Profile& f, bool /*w*/) {
        t.beyond_cache_percent = f.beyond_cache_percent;
      }};
  static const Field refined_beyond{"refined beyond the cache",
                                    [](const detail::Profile& p, bool /*w*/) -> std::size_t {
                                      return p.refined_beyond_cache ? 1 : 0;
                                    },
                                    [](detail::Profile& t, const detail::Profile& f, bool /*w*/) {
                                      t.refined_beyond_cache = f.refined_beyond_cache;
                                    }};
  static const std::vector<Field> in_caches = {refined_from, width,     split,
                                               prefetch,     streaming, refined_beyond};
  static const std::vector<Field> in_memory = {streaming, refined_beyond, prefetch,
                                               width,     split,          refined_from};
  return memory ? in_memory : in_caches;
}

}  // namespace

std::vector<ClassRatio> Tuner::end_to_end(const detail::Profile& tuned,
                                          const detail::Profile& reference) const {
  std::vector<CallClass> classes;
  const auto add = [&](const std::string& name, const std::vector<std::size_t>& sizes,
                       bool memory) {
    for (const bool roots : {false, true}) {
      for (const bool in_place : {false, true}) {
        CallClass c{std::string(roots ? "sqrt_n" : "sq_n") + ", " + name +
                        (in_place ? ", in place" : ", apart"),
                    {},
                    memory};
        for (const std::size_t n : sizes) {
          // In place, memory's classes take one array of both arrays' room.
          c.calls.push_back({in_place && memory ? 2 * n : n, roots, in_place, Kind::mixed, false});
        }
        classes.push_back(std::move(c));
      }
    }
  };
  add("1 to 64 doubles", {1, 3, 8, 17, 64}, false);
  add("L1 (1,024 doubles)", {1024}, false);
  add("L2 (16,384 doubles)", {16384}, false);
  add("the last-level cache (a quarter)", {apart_doubles(25)}, true);
  add("beyond the cache (twice)", {apart_doubles(200)}, true);

  const detail::Dispatch tuned_dispatch = dispatch_under(cpu_, tuned);
  const detail::Dispatch reference_dispatch = dispatch_under(cpu_, reference);
  std::vector<std::unique_ptr<Arrays>> arrays;
  std::vector<std::vector<Way>> in_caches;
  std::vector<std::vector<Way>> in_memory;
  std::vector<std::pair<bool, std::size_t>> where;  // per call: in memory, and its index there
  for (const CallClass& c : classes) {
    for (const Call& call : c.calls) {
      arrays.push_back(std::make_unique<Arrays>(call.n, call.kind));
      const Arrays& a = *arrays.back();
      std::memcpy(a.y(), a.x(), call.n * sizeof(double));
      const double* x = call.in_place ? a.y() : a.x();
      const ArrayFunction loop = call.roots ? sqrt_loop_native : sq_loop_native;
      std::vector<Way> ways = {
          way_of("tuned", call_under(tuned_dispatch, call), x, call.n, a.y(), calls_for(call.n)),
          way_of("reference", call_under(reference_dispatch, call), x, call.n, a.y(),
                 calls_for(call.n)),
          way_of("loop", loop, x, call.n, a.y(), calls_for(call.n))};
      std::vector<std::vector<Way>>& group = c.memory ? in_memory : in_caches;
      where.emplace_back(c.memory, group.size());
      group.push_back(std::move(ways));
    }
  }
  time_in_rounds(in_caches, settings_.rounds);
  time_in_rounds(in_memory, settings_.memory_rounds);

  std::vector<ClassRatio> ratios;
  std::size_t next = 0;
  for (const CallClass& c : classes) {
    std::vector<std::vector<double>> tuned_times;
    std::vector<std::vector<double>> reference_times;
    std::vector<std::vector<double>> loop_times;
    for (std::size_t k = 0; k < c.calls.size(); ++k, ++next) {
      const std::vector<Way>& ways =
          (where[next].first ? in_memory : in_caches)[where[next].second];
      tuned_times.push_back(way_named(ways, "tuned").seconds_per_element);
      reference_times.push_back(way_named(ways, "reference").seconds_per_element);
      loop_times.push_back(way_named(ways, "loop").seconds_per_element);
    }
    const std::vector<double> t = across_configurations(tuned_times);
    ratios.push_back({c.name, compare(across_configurations(reference_times), t),
                      compare(across_configurations(loop_times), t).speedup});
  }
  return ratios;
}

std::vector<ClassRatio> Tuner::keep_no_slower() {
  const bool avx512f = cpu_.signature.avx512f;
  const double slower_than = 1.0 / (1.0 + settings_.minimum_effect);
  for (;;) {
    std::vector<ClassRatio> ratios = end_to_end(tuned_, start_.profile);
    const ClassRatio* slower = nullptr;
    for (const ClassRatio& ratio : ratios) {
      if (ratio.over_in_force.high < slower_than) {
        slower = &ratio;
        break;
      }
    }
    if (slower == nullptr) {
      return ratios;
    }
    const bool memory = slower->name.find("cache") != std::string::npos;
    const Field* cause = nullptr;
    for (const Field& field : fields(memory)) {
      if (field.value(tuned_, avx512f) != field.value(start_.profile, avx512f)) {
        cause = &field;
        break;
      }
    }
    if (cause == nullptr) {
      notes_.push_back(slower->name + ": slower than the row in force, though no choice differs");
      return ratios;
    }
    cause->put_back(tuned_, start_.profile, avx512f);
    notes_.push_back(std::string(cause->name) + ": kept in force, as the row was slower in " +
                     slower->name);
    std::printf("  %s: %.3f [%.3f, %.3f] of the row in force; %s put back\n", slower->name.c_str(),
                slower->over_in_force.speedup, slower->over_in_force.low,
                slower->over_in_force.high, cause->name);
  }
}

}  // namespace tune
