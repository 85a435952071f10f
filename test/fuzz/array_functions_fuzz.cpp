// Differential fuzzing of the array functions. Each input picks a profile
// row (one of the table's, or one made up with every field in range), a
// CPU no wider than this one, a kernel of the menu this CPU runs, a length
// near the edges the kernels and the row draw, where x starts in its line
// and where y lies from it (in place, overlapping either way, apart), the
// rounding mode, DAZ and FTZ, whether inexact is raised already, and the
// elements, mostly of the kinds hardest to get right. sq_n and sqrt_n under
// that row, and the kernel called directly, must each give what the scalar
// functions give element by element on a copy of x: the same bits in y,
// nothing changed around it, the same flags and errno. Any difference
// aborts with a description of the call.

#include <vemo/numeric.hpp>

#include "kernel_menu.hpp"
#include "root_inputs.hpp"
#include "test_values.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS
#include "tune/row_text.hpp"
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

// Built with AddressSanitizer, the elements around the arrays are poisoned
// during a call, so that a kernel reading them is reported.
#if defined(__SANITIZE_ADDRESS__)
#define VEMO_NUMERIC_FUZZ_POISON 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VEMO_NUMERIC_FUZZ_POISON 1
#endif
#endif
#ifdef VEMO_NUMERIC_FUZZ_POISON
#include <sanitizer/asan_interface.h>
#endif

namespace {

using namespace test_values;
using ScalarFunction = double (*)(double x) noexcept;

constexpr std::size_t max_length = 4096;
constexpr std::size_t line = 8;  // doubles in a 64-byte line

// The input as a stream of little-endian numbers; past its end, zeros.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t next(std::size_t count) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i, ++at_) {
      value |= std::uint64_t{at_ < size_ ? data_[at_] : 0U} << (8 * i);
    }
    return value;
  }
  [[nodiscard]] std::vector<std::uint8_t> rest() const {
    return at_ < size_ ? std::vector<std::uint8_t>(data_ + at_, data_ + size_)
                       : std::vector<std::uint8_t>{};
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

// value modulo count, where a size_t holds it.
std::size_t below(std::uint64_t value, std::size_t count) {
  return static_cast<std::size_t>(value % count);
}

// The fields of a profile row and of the CPU it runs on. Read on every
// target, so that an input means the same elsewhere; used on x86 alone.
struct RowBytes {
  std::uint64_t table_row, tier, cache, avx512f_split, avx512f_from, avx2_split, avx2_from,
      sq_512_bit_up_to, prefetch, percent, refined_beyond_cache;
};

RowBytes row_bytes(Bytes& bytes) {
  RowBytes r{};
  for (std::uint64_t* field :
       {&r.table_row, &r.tier, &r.avx512f_split, &r.avx2_split, &r.refined_beyond_cache}) {
    *field = bytes.next(1);
  }
  for (std::uint64_t* field :
       {&r.cache, &r.avx512f_from, &r.avx2_from, &r.sq_512_bit_up_to, &r.prefetch, &r.percent}) {
    *field = bytes.next(2);
  }
  return r;
}

// What the call is made under: the lengths where its path changes (where
// the dispatch's choices do, and one and two stretches of each split on
// the menus), and its description.
struct Under {
  std::vector<std::size_t> edges;
  std::string description;
  kernel_menu::ArrayFunction sq_n = vemo::numeric::sq_n;
  kernel_menu::ArrayFunction sqrt_n = vemo::numeric::sqrt_n;
};

#ifdef VEMO_NUMERIC_X86_KERNELS
namespace detail = vemo::numeric::detail;

// A length of 1 to max_length, or, an eighth of the time, never.
std::size_t length_or_never(std::uint64_t value) {
  return value % 8 == 0 ? detail::never : 1 + static_cast<std::size_t>(value / 8 % max_length);
}

Under under_row(const RowBytes& r) {
  const detail::ProfileRow* const rows = detail::profile_rows_begin();
  const auto row_count = static_cast<std::size_t>(detail::profile_rows_end() - rows);
  tune::RowText row{"fuzzed", {detail::Vendor::other, 0, 0, 0, false}, {}, "made up"};
  if (r.table_row % 2 == 0) {
    row = tune::row_of(rows[r.table_row / 2 % row_count]);
  } else {
    detail::Profile& p = row.profile;
    p.avx512f_roots = {detail::avx512f_splits[r.avx512f_split % detail::avx512f_split_count],
                       length_or_never(r.avx512f_from)};
    p.avx2_roots = {detail::avx2_splits[r.avx2_split % detail::avx2_split_count],
                    length_or_never(r.avx2_from)};
    p.sq_512_bit_up_to = length_or_never(r.sq_512_bit_up_to);
    p.prefetch_bytes = below(r.prefetch, detail::largest_prefetch_bytes + 1);
    p.beyond_cache_percent =
        1 + static_cast<unsigned>(r.percent % detail::largest_beyond_cache_percent);
    p.refined_beyond_cache = r.refined_beyond_cache % 2 != 0;
  }
  std::string error;
  if (!tune::parse_row(tune::format_row(row), error)) {
    std::fprintf(stderr, "fuzz_array_functions: a row out of range: %s\n%s", error.c_str(),
                 tune::format_row(row).c_str());
    std::abort();
  }
  // This CPU, or one with fewer of its instruction sets, and a cache of
  // any size up to 4 MiB, which brings the calls beyond the cache within
  // reach of the lengths tried.
  detail::CpuDescription cpu = detail::cpu();
  const std::uint64_t tier = r.tier % 4;
  cpu.signature.avx512f = cpu.signature.avx512f && tier == 0;
  cpu.signature.fma = cpu.signature.fma && tier <= 1;
  cpu.signature.avx2 = cpu.signature.avx2 && tier <= 2;
  if (r.cache != 0) {
    cpu.last_level_cache_bytes = static_cast<std::size_t>(r.cache) * 64;
  }
  const detail::ProfileRow table_form{"fuzzed", row.key, row.profile, "made up"};
  const detail::Dispatch d = detail::make_dispatch(cpu, table_form);
  const std::string features = std::string(cpu.signature.avx2 ? "AVX2" : "SSE2") +
                               (cpu.signature.fma ? ", FMA" : "") +
                               (cpu.signature.avx512f ? ", AVX-512F" : "");
  Under under{{d.sq_narrower_from, d.refined_from, d.apart_beyond_from, d.overlapping_beyond_from},
              "sq_n and sqrt_n dispatched on a CPU with " + features +
                  " and a last-level cache of " + std::to_string(cpu.last_level_cache_bytes) +
                  " bytes, under the row\n" + tune::format_row(row)};
  for (const std::size_t stretches : {std::size_t{1}, std::size_t{2}}) {
    for (const detail::Split split : detail::avx512f_splits) {
      under.edges.push_back(stretches * 8 * (std::size_t{split.refined} + split.instruction));
    }
    for (const detail::Split split : detail::avx2_splits) {
      under.edges.push_back(stretches * 4 * (std::size_t{split.refined} + split.instruction));
    }
  }
  under.sq_n = [d](const double* x, std::size_t n, double* y) { detail::sq_n_under(d, x, n, y); };
  under.sqrt_n = [d](const double* x, std::size_t n, double* y) {
    detail::sqrt_n_under(d, x, n, y);
  };
  return under;
}
#endif

// A length of 0 to max_length: any, or within 4 of an edge: those of the
// call, vector widths, the shortest calls that take a kernel, that take its
// loop, and that align y, and one and two of the blocks that overlapping
// arrays are copied in.
std::size_t length(Bytes& bytes, const std::vector<std::size_t>& call_edges) {
  const std::uint64_t how = bytes.next(1);
  const std::uint64_t pick = bytes.next(2);
  if (how % 4 == 0) {
    return below(pick, max_length + 1);
  }
  std::vector<std::size_t> edges = {2, 4, 8, 16, 64, 256, 512};
  edges.insert(edges.end(), call_edges.begin(), call_edges.end());
  const std::size_t edge = std::min(edges[below(pick, edges.size())], max_length);
  const auto delta = static_cast<std::ptrdiff_t>(how / 4 % 9) - 4;
  return static_cast<std::size_t>(
      std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(edge) + delta, 0, max_length));
}

// Where x and y lie in a buffer of `size` doubles whose first is at the
// start of a line: between at least a line of guard elements.
struct Layout {
  std::size_t x_at;
  std::size_t y_at;
  std::size_t size;
  std::string description;
};

Layout layout(Bytes& bytes, std::size_t n) {
  const std::size_t x_in_line = below(bytes.next(1), line);
  const std::uint64_t how = bytes.next(1);
  const std::uint64_t pick = bytes.next(2);
  std::size_t distance = 0;
  bool y_first = false;
  if (how % 4 == 3 || (how % 4 != 0 && n < 2)) {
    // Apart, by up to a few lines more than they need.
    distance = n + static_cast<std::size_t>(pick % 64);
    y_first = how / 4 % 2 != 0;
  } else if (how % 4 != 0) {
    // Overlapping: within a vector, near the whole length, near a copied
    // block, or anywhere.
    const auto p = static_cast<std::size_t>(pick / 4);
    const std::array<std::size_t, 4> candidates = {1 + p % 8, n - 1 - std::min(n - 2, p % 8),
                                                   252 + p % 9, 1 + p % (n - 1)};
    distance = std::clamp<std::size_t>(candidates[pick % 4], 1, n - 1);
    y_first = how % 4 == 2;
  }
  const std::size_t x_at = line + (y_first ? (distance + line - 1) / line * line : 0) + x_in_line;
  const std::size_t y_at = y_first ? x_at - distance : x_at + distance;
  const std::string y = distance == 0
                            ? "in place"
                            : std::to_string(distance) + (y_first ? " before x" : " after x") +
                                  (distance >= n ? " (apart)" : " (overlapping)");
  return {x_at, y_at, std::max(x_at, y_at) + n + line,
          "n " + std::to_string(n) + ", x at element " + std::to_string(x_in_line) +
              " of its line, y " + y};
}

// n elements, each of the kind that the input's remaining bytes name in
// turn, or a special value.
std::vector<double> elements(Bytes& bytes, std::size_t n) {
  const std::array<double, 16> specials = {
      // zeros, infinities and NaNs
      0.0, -0.0, inf, -inf, quiet_nan, quiet_nan_with_payload, signalling_nan_with_payload,
      // at the ends of the range, where squares overflow and underflow, and simple ones
      tiny, -tiny, limits::min(), -limits::min(), limits::max(), 0x1p-537, 0x1p512, 1.0, -2.0};
  constexpr auto kind_count = static_cast<std::size_t>(root_inputs::Kind::count);
  std::uint64_t state = bytes.next(8);
  const std::vector<std::uint8_t> kinds = bytes.rest();
  std::vector<double> values(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::size_t byte = kinds.empty() ? i : kinds[i % kinds.size()];
    const std::size_t kind = byte % (kind_count + 1);
    values[i] = kind == kind_count
                    ? specials[byte / (kind_count + 1) % specials.size()]
                    : root_inputs::input_of(static_cast<root_inputs::Kind>(kind), state);
  }
  return values;
}

// One call, from the same buffer, environment and flags as the scalar calls.
struct Call {
  const std::vector<double>& x;
  const Layout& at;
  bool inexact_before;
  std::string description;
};

[[noreturn]] void fail(const std::string& what, const Call& call) {
  std::fprintf(stderr, "fuzz_array_functions: %s\n  %s\n  %s\n", what.c_str(),
               call.at.description.c_str(), call.description.c_str());
  std::abort();
}

std::string hex(std::uint64_t value) {
  std::array<char, 24> text{};
  std::snprintf(text.data(), text.size(), "0x%016llx", static_cast<unsigned long long>(value));
  return text.data();
}

void check(const std::string& name, const kernel_menu::ArrayFunction& array, ScalarFunction scalar,
           const Call& call) {
  const double untouched = from_bits(0x7FF4'0000'DEAD'BEEF);  // a NaN no function makes
  const std::size_t n = call.x.size();
  std::vector<double> storage(call.at.size + line - 1, untouched);
  const auto skip = static_cast<std::size_t>(
      (64 - reinterpret_cast<std::uintptr_t>(storage.data()) % 64) % 64 / sizeof(double));
  double* const buffer = storage.data() + skip;
  std::copy(call.x.begin(), call.x.end(), buffer + call.at.x_at);
  std::vector<double> expected = storage;
  const Raised by_scalar = raised_by(
      [&] {
        for (std::size_t i = 0; i < n; ++i) {
          expected[skip + call.at.y_at + i] = scalar(call.x[i]);
        }
      },
      call.inexact_before);
#ifdef VEMO_NUMERIC_FUZZ_POISON
  const std::size_t from = std::min(call.at.x_at, call.at.y_at) + skip;
  const std::size_t to = std::max(call.at.x_at, call.at.y_at) + skip + n;
  ASAN_POISON_MEMORY_REGION(storage.data(), from * sizeof(double));
  ASAN_POISON_MEMORY_REGION(storage.data() + to, (storage.size() - to) * sizeof(double));
#endif
  const Raised by_array = raised_by([&] { array(buffer + call.at.x_at, n, buffer + call.at.y_at); },
                                    call.inexact_before);
#ifdef VEMO_NUMERIC_FUZZ_POISON
  ASAN_UNPOISON_MEMORY_REGION(storage.data(), storage.size() * sizeof(double));
#endif
  std::size_t i = 0;
  while (i < storage.size() && bits_of(storage[i]) == bits_of(expected[i])) {
    ++i;
  }
  if (i < storage.size()) {
    const auto y_index = static_cast<std::ptrdiff_t>(i - skip - call.at.y_at);
    std::string what = name + ": element ";
    if (y_index < 0) {
      what += std::to_string(-y_index) + " before y";
    } else if (y_index >= static_cast<std::ptrdiff_t>(n)) {
      what += std::to_string(y_index - static_cast<std::ptrdiff_t>(n)) + " after y's end";
    } else {
      what += "y[" + std::to_string(y_index) + "] (of x " +
              hex(bits_of(call.x[static_cast<std::size_t>(y_index)])) + ")";
    }
    fail(what + " is " + hex(bits_of(storage[i])) + ", expected " + hex(bits_of(expected[i])),
         call);
  }
  if (by_array.flags != by_scalar.flags || by_array.error != 0) {
    fail(name + ": raised flags " + hex(static_cast<unsigned>(by_array.flags)) + " and errno " +
             std::to_string(by_array.error) + ", where the scalar calls raise " +
             hex(static_cast<unsigned>(by_scalar.flags)),
         call);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::vector<kernel_menu::Kernel> kernels = [] {
    std::vector<kernel_menu::Kernel> runnable;
    for (kernel_menu::Kernel& kernel : kernel_menu::all_kernels()) {
      if (kernel.supported) {
        runnable.push_back(std::move(kernel));
      }
    }
    return runnable;
  }();
  static const std::vector<Environment> environments = all_environments();
  static const bool flags_recorded = arithmetic_records_flags();

  Bytes bytes(data, size);
  const kernel_menu::Kernel& kernel = kernels[below(bytes.next(1), kernels.size())];
  [[maybe_unused]] const RowBytes row = row_bytes(bytes);
#ifdef VEMO_NUMERIC_X86_KERNELS
  const Under under = under_row(row);
#else
  const Under under{{}, "no profile rows on this target"};
#endif
  const std::uint64_t environment_byte = bytes.next(1);
  const Environment& environment = environments[below(environment_byte, environments.size())];
  const bool inexact_before = environment_byte / 64 % 2 != 0;
  const std::size_t n = length(bytes, under.edges);
  const Layout at = layout(bytes, n);
  const std::vector<double> x = elements(bytes, n);

  const ScopedEnvironment in(environment);
  if (!in.set()) {
    std::fprintf(stderr, "fuzz_array_functions: cannot round %s\n", environment.name.c_str());
    std::abort();
  }
  const Call call{x, at, inexact_before && flags_recorded,
                  "rounding " + environment.name +
                      (inexact_before ? ", inexact raised before the call; " : "; ") +
                      under.description};
  check("sq_n as dispatched", under.sq_n, vemo::numeric::sq, call);
  check("sqrt_n as dispatched", under.sqrt_n, vemo::numeric::sqrt, call);
  if (kernel.sq_n) {
    check(kernel.name + " sq_n", kernel.sq_n, vemo::numeric::sq, call);
  }
  check(kernel.name + " sqrt_n", kernel.sqrt_n, vemo::numeric::sqrt, call);
  return 0;
}
