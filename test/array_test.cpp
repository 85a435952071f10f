// sq_n and sqrt_n, and every kernel behind them that this CPU can run, called
// directly: the scalar functions' bits and flags, at every length, alignment
// and overlap they allow, without touching memory outside the arrays.
#include <vemo/numeric.hpp>

#include "array_kernels.hpp"
#include "kernel_menu.hpp"
#include "test_values.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iostream>
#include <string>
#include <vector>

// Emscripten has mmap, but its mprotect changes nothing: WebAssembly's memory
// has no pages to protect, so guard pages would guard nothing there.
#if __has_include(<sys/mman.h>) && __has_include(<unistd.h>) && !defined(__EMSCRIPTEN__)
#include <sys/mman.h>
#include <unistd.h>
#define VEMO_NUMERIC_TEST_GUARD_PAGES 1
#endif

namespace {

using namespace test_values;
using kernel_menu::ArrayFunction;
using kernel_menu::Kernel;
using ScalarFunction = double (*)(double x) noexcept;

struct Function {
  const char* name;
  ArrayFunction array;
  ScalarFunction scalar;
};

// A few widths of the widest vector (eight doubles) and a bit: every length
// up to this one is tried in every way.
constexpr std::size_t max_length = 3 * 8 + 3;
constexpr std::size_t max_offset = 8;  // start positions within a 64-byte line

#ifdef VEMO_NUMERIC_X86_KERNELS
// Lengths beyond max_length around one and two whole stretches of every
// split on the menus, where a refined kernel's loops hand over to each
// other.
std::vector<std::size_t> stretch_lengths() {
  namespace detail = vemo::numeric::detail;
  std::vector<std::size_t> lengths;
  const auto add_around = [&](std::size_t stretch) {
    for (const std::size_t whole : {stretch, 2 * stretch}) {
      for (const std::size_t n : {whole - 1, whole, whole + 1}) {
        if (n > max_length && std::find(lengths.begin(), lengths.end(), n) == lengths.end()) {
          lengths.push_back(n);
        }
      }
    }
  };
  for (const detail::Split split : detail::avx512f_splits) {
    add_around(std::size_t{8} * (split.refined + split.instruction));
  }
  for (const detail::Split split : detail::avx2_splits) {
    add_around(std::size_t{4} * (split.refined + split.instruction));
  }
  std::sort(lengths.begin(), lengths.end());
  return lengths;
}
#endif

// Every length up to max_length, then the longer ones that the kernels'
// stretches call for.
std::vector<std::size_t> lengths_to_try() {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= max_length; ++n) {
    lengths.push_back(n);
  }
#ifdef VEMO_NUMERIC_X86_KERNELS
  const std::vector<std::size_t> longer = stretch_lengths();
  lengths.insert(lengths.end(), longer.begin(), longer.end());
#endif
  return lengths;
}

std::size_t longest_tried() { return lengths_to_try().back(); }

// The kernels the running CPU supports; says once which ran and which not.
const std::vector<Kernel>& runnable_kernels() {
  static const std::vector<Kernel> runnable = [] {
    std::vector<Kernel> kernels;
    std::string ran;
    std::string not_run;
    for (const Kernel& kernel : kernel_menu::all_kernels()) {
      (kernel.supported ? ran : not_run) += " " + kernel.name;
      if (kernel.supported) {
        kernels.push_back(kernel);
      }
    }
    std::cout << "[ kernels  ] array_kernel(): " << vemo::numeric::array_kernel()
              << "; profile: " << vemo::numeric::array_profile() << "; run:" << ran
              << "; not supported by this CPU:" << (not_run.empty() ? " none" : not_run) << '\n';
    return kernels;
  }();
  return runnable;
}

std::vector<Function> functions_of(const Kernel& kernel) {
  std::vector<Function> functions = {{"sqrt_n", kernel.sqrt_n, vemo::numeric::sqrt}};
  if (kernel.sq_n != nullptr) {
    functions.push_back({"sq_n", kernel.sq_n, vemo::numeric::sq});
  }
  return functions;
}

std::vector<std::uint64_t> bits_of_all(const std::vector<double>& values) {
  std::vector<std::uint64_t> bits;
  bits.reserve(values.size());
  for (const double value : values) {
    bits.push_back(bits_of(value));
  }
  return bits;
}

// Runs `function` from x[0, n) into y_buffer at y_offset, and checks all of
// y_buffer: the scalar results of x as it was before the call in the array,
// and nothing changed around it. x may point into y_buffer, in place or
// overlapping y in any other way.
void expect_scalar_bits(const Function& function, const double* x, std::size_t n,
                        std::vector<double>& y_buffer, std::size_t y_offset) {
  std::vector<double> expected = y_buffer;
  for (std::size_t i = 0; i < n; ++i) {
    expected[y_offset + i] = function.scalar(x[i]);
  }
  function.array(x, n, y_buffer.data() + y_offset);
  EXPECT_EQ(bits_of_all(y_buffer), bits_of_all(expected)) << "n " << n << ", y at " << y_offset;
}

// The kernels are listed narrowest first; the functions take the widest this
// CPU runs, and array_kernel() names it. (Kernels of roots alone and those
// with streaming stores are paths within a kernel.)
TEST(ArrayKernels, TheWidestIsNamed) {
  std::string widest;
  for (const Kernel& kernel : runnable_kernels()) {
    const bool streaming = kernel.name.find("_streaming") != std::string::npos;
    const bool dispatched = kernel.name == "dispatched" || kernel.name.rfind("under_", 0) == 0;
    if (kernel.sq_n != nullptr && !streaming && !dispatched) {
      widest = kernel.name;
    }
  }
  EXPECT_EQ(vemo::numeric::array_kernel(), widest);
}

#ifdef VEMO_NUMERIC_X86_KERNELS
// Each kind of CPU takes the profile row measured on it; those that must
// not fall into a row measured elsewhere (Zen 3 desktops, Zen 4 with
// AVX-512F hidden, Zen 5's mobile parts with half-width units) and those no
// row knows take the default.
TEST(CpuProfiles, EachSignatureTakesItsRow) {
  using vemo::numeric::detail::Vendor;
  struct Case {
    const char* cpu;
    vemo::numeric::detail::CpuSignature signature;  // vendor, family, model, AVX2, FMA, AVX-512F
    const char* row;
  };
  const std::vector<Case> cases = {
      {"Intel Xeon with AVX-512F", {Vendor::intel, 0x6, 0xA7, true, true, true}, "intel_avx512f"},
      {"Intel Core without AVX-512F", {Vendor::intel, 0x6, 0x97, true, true, false}, "default"},
      {"AMD EPYC Zen 3", {Vendor::amd, 0x19, 0x01, true, true, false}, "amd_zen3_server"},
      {"AMD Ryzen Zen 3", {Vendor::amd, 0x19, 0x21, true, true, false}, "default"},
      {"AMD EPYC Zen 4", {Vendor::amd, 0x19, 0x11, true, true, true}, "amd_zen4"},
      {"AMD Zen 4 with AVX-512F hidden", {Vendor::amd, 0x19, 0x11, true, true, false}, "default"},
      {"AMD EPYC Zen 5", {Vendor::amd, 0x1A, 0x02, true, true, true}, "amd_zen5_server"},
      {"AMD Ryzen AI Zen 5 (mobile)", {Vendor::amd, 0x1A, 0x24, true, true, true}, "default"},
      {"a CPU no row knows", {Vendor::other, 0x6, 0x0F, true, true, true}, "default"},
  };
  for (const Case& c : cases) {
    EXPECT_STREQ(vemo::numeric::detail::profile_row_for(c.signature).name, c.row) << c.cpu;
  }
  // And the row this CPU took is the one array_profile() names.
  EXPECT_STREQ(vemo::numeric::array_profile(),
               vemo::numeric::detail::profile_row_for(vemo::numeric::detail::cpu().signature).name);
}

// What CPUID says, read once, agrees with the compiler's runtime, which
// asks the same questions of the CPU and the operating system.
TEST(CpuProfiles, FeaturesAgreeWithTheCompilersRuntime) {
  __builtin_cpu_init();
  const vemo::numeric::detail::CpuSignature& cpu = vemo::numeric::detail::cpu().signature;
  EXPECT_EQ(cpu.avx2, __builtin_cpu_supports("avx2") != 0);
  EXPECT_EQ(cpu.fma, __builtin_cpu_supports("fma") != 0);
  EXPECT_EQ(cpu.avx512f, __builtin_cpu_supports("avx512f") != 0);
}
#endif

TEST(ArrayKernels, GiveTheScalarBitsAtEveryLengthAndAlignment) {
  const std::vector<double> values = sweep_inputs();
  const double untouched = from_bits(0x7FF4'0000'DEAD'BEEF);  // a NaN no function makes
  const std::vector<std::size_t> lengths = lengths_to_try();
  const std::size_t longest = longest_tried();
  const std::size_t buffer_size = max_offset + longest + max_offset;
  std::size_t next_value = 0;  // each array takes the next values of the sweep
  for (const Kernel& kernel : runnable_kernels()) {
    for (const Function& function : functions_of(kernel)) {
      SCOPED_TRACE(kernel.name + " " + function.name);
      function.array(nullptr, 0, nullptr);
      std::vector<double> sweep_results(values.size());
      expect_scalar_bits(function, values.data(), values.size(), sweep_results, 0);
      // Overlapping by less and by more than the blocks a kernel copies.
      for (const std::size_t shift : {std::size_t{1}, std::size_t{300}}) {
        for (const std::size_t y_at : {std::size_t{0}, 2 * shift}) {
          std::vector<double> shared(values.size() + 2 * shift);
          std::copy(values.begin(), values.end(),
                    shared.begin() + static_cast<std::ptrdiff_t>(shift));
          expect_scalar_bits(function, shared.data() + shift, values.size(), shared, y_at);
        }
      }

      // Every length and pair of start positions, apart and in place.
      for (const std::size_t n : lengths) {
        if (HasFailure()) {
          break;
        }
        for (std::size_t x_offset = 0; x_offset < max_offset; ++x_offset) {
          SCOPED_TRACE("x at " + std::to_string(x_offset));
          std::vector<double> x_buffer(buffer_size, untouched);
          next_value = (next_value + longest) % (values.size() - longest);
          std::copy_n(values.data() + next_value, n, x_buffer.data() + x_offset);
          for (std::size_t y_offset = 0; y_offset < max_offset; ++y_offset) {
            std::vector<double> y_buffer(buffer_size, untouched);
            expect_scalar_bits(function, x_buffer.data() + x_offset, n, y_buffer, y_offset);
          }
          // Overlapping: y that many elements before or after x, at every
          // shift up to max_length and the last one.
          for (std::size_t shift = 1; shift < n;
               shift = shift < max_length || shift == n - 1 ? shift + 1 : n - 1) {
            for (const std::size_t y_at :
                 {longest + x_offset - shift, longest + x_offset + shift}) {
              std::vector<double> shared(longest, untouched);
              shared.insert(shared.end(), x_buffer.begin(), x_buffer.end());
              shared.resize(shared.size() + longest, untouched);
              expect_scalar_bits(function, shared.data() + longest + x_offset, n, shared, y_at);
            }
          }
          expect_scalar_bits(function, x_buffer.data() + x_offset, n, x_buffer, x_offset);
        }
      }
    }
  }
}

#ifdef VEMO_NUMERIC_TEST_GUARD_PAGES
// Pages that fault on any access, on both sides of two pages for the arrays:
// a kernel that reads or writes even one element beyond either end crashes.
class GuardedPages {
 public:
  GuardedPages() : page_(static_cast<std::size_t>(sysconf(_SC_PAGESIZE))) {
    void* mapped = mmap(nullptr, 5 * page_, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped != MAP_FAILED) {
      base_ = static_cast<char*>(mapped);
      if (mprotect(base_ + page_, page_, PROT_READ | PROT_WRITE) != 0 ||
          mprotect(base_ + 3 * page_, page_, PROT_READ | PROT_WRITE) != 0) {
        base_ = nullptr;
      }
    }
  }
  GuardedPages(const GuardedPages&) = delete;
  GuardedPages& operator=(const GuardedPages&) = delete;
  ~GuardedPages() {
    if (base_ != nullptr) {
      munmap(base_, 5 * page_);
    }
  }
  [[nodiscard]] bool ok() const { return base_ != nullptr; }
  // The first and the last n elements of the input page and the output page.
  [[nodiscard]] double* input_start() const { return reinterpret_cast<double*>(base_ + page_); }
  [[nodiscard]] double* input_end(std::size_t n) const {
    return reinterpret_cast<double*>(base_ + 2 * page_) - n;
  }
  [[nodiscard]] double* output_start() const {
    return reinterpret_cast<double*>(base_ + 3 * page_);
  }
  [[nodiscard]] double* output_end(std::size_t n) const {
    return reinterpret_cast<double*>(base_ + 4 * page_) - n;
  }

 private:
  std::size_t page_;
  char* base_ = nullptr;
};

TEST(ArrayKernels, TouchNothingBeyondEitherEnd) {
  const GuardedPages pages;
  ASSERT_TRUE(pages.ok()) << "mmap or mprotect failed";
  // Any values will do: only where the kernels reach matters.
  const std::vector<std::size_t> lengths = lengths_to_try();
  const std::size_t longest = longest_tried();
  std::fill_n(pages.input_start(), longest, -2.0);
  std::fill_n(pages.input_end(longest), longest, -2.0);
  for (const Kernel& kernel : runnable_kernels()) {
    for (const Function& function : functions_of(kernel)) {
      for (const std::size_t n : lengths) {
        // Either end of x against a guard page, with y's at the same end or
        // the other (so with other alignments), and in place.
        for (double* x : {pages.input_start(), pages.input_end(n)}) {
          function.array(x, n, pages.output_start());
          function.array(x, n, pages.output_end(n));
          function.array(x, n, x);
        }
      }
    }
  }
}
#endif

// Taken together, the array call gives the bits and raises exactly the flags
// of the scalar calls, wherever in the array the value that raises them lies,
// and leaves errno alone: in every rounding mode, on x86 with subnormals
// treated as zero (DAZ) or flushed to zero (FTZ), and with inexact raised
// before the call or not.
TEST(ArrayKernels, RaiseTheScalarFlagsAndKeepErrno) {
  if (!arithmetic_records_flags()) {
    GTEST_SKIP() << no_flags_recorded;
  }
  const std::vector<double> inputs = {
      // NaNs
      quiet_nan, -quiet_nan, quiet_nan_with_payload, signalling_nan_with_payload,
      // outside the root's domain
      -inf, -2.0, -tiny,
      // exact, rounded, underflowing and overflowing squares and roots
      -0.0, 0.0, tiny, 1e-200, 1e200, 2.0, 1.0 + limits::epsilon(), inf};
  constexpr std::size_t n = 13;  // through the first and last steps of every kernel
  for (const Environment& environment : all_environments()) {
    const ScopedEnvironment in(environment);
    ASSERT_TRUE(in.set()) << "cannot round " << environment.name;
    for (const Kernel& kernel : runnable_kernels()) {
      for (const Function& function : functions_of(kernel)) {
        SCOPED_TRACE(kernel.name + " " + function.name + ", rounding " + environment.name);
        for (const double input : inputs) {
          for (std::size_t position = 0; position < n; ++position) {
            // The array starts at a different place in a cache line each time.
            const std::size_t offset = position % max_offset;
            std::vector<double> x(offset + n, 1.0);  // exact under both functions
            std::vector<double> scalar_y(n);
            std::vector<double> array_y(offset + n);
            const double* array = x.data() + offset;
            x[offset + position] = input;

            const bool inexact_before = position % 2 != 0;
            const Raised scalar = raised_by(
                [&] {
                  for (std::size_t i = 0; i < n; ++i) {
                    scalar_y[i] = function.scalar(array[i]);
                  }
                },
                inexact_before);
            const Raised by_array = raised_by(
                [&] { function.array(array, n, array_y.data() + offset); }, inexact_before);
            EXPECT_EQ(by_array.error, 0);
            const std::vector<double> array_results(
                array_y.begin() + static_cast<std::ptrdiff_t>(offset), array_y.end());
            EXPECT_EQ(bits_of_all(array_results), bits_of_all(scalar_y))
                << "0x" << std::hex << bits_of(input) << " at " << std::dec << position;
            EXPECT_EQ(by_array.flags, scalar.flags)
                << "0x" << std::hex << bits_of(input) << " at " << std::dec << position;
          }
        }
      }
    }
  }
}

}  // namespace
