#include "early_calls.hpp"

#include <vemo/numeric.hpp>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <vector>

// The array functions called as a program's static constructor would call
// them: before main, and before any initialiser of the library's own that a
// build might bring. Linked into a program ahead of the archive, this
// constructor runs first; in a shared library it runs as the library loads.

namespace {

std::uint64_t bits(double value) {
  std::uint64_t b;
  std::memcpy(&b, &value, sizeof b);
  return b;
}

// x[0] and x[n - 1] are 2.0; the elements between run through negative
// values, fractions and large ones, so that every kind of kernel step works.
std::vector<double> inputs(std::size_t n) {
  std::vector<double> x(n);
  for (std::size_t i = 0; i < n; ++i) {
    x[i] = (static_cast<double>(i) - static_cast<double>(n) / 3) * 0.37e3;
  }
  x[0] = 2.0;
  x[n - 1] = 2.0;
  return x;
}

// Calls `array` on n elements and compares each result's bits with the
// scalar function's; prints the first and the last result. Returns the
// number of elements that differ.
int compare(const char* when, const char* name, void (*array)(const double*, std::size_t, double*),
            double (*scalar)(double), std::size_t n) {
  const std::vector<double> x = inputs(n);
  std::vector<double> y(n);
  array(x.data(), n, y.data());
  int wrong = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (bits(y[i]) != bits(scalar(x[i]))) {
      if (wrong == 0) {
        std::fprintf(stderr, "%s: %s of %lu doubles: y[%lu] = %.17g, not %.17g\n", when, name,
                     static_cast<unsigned long>(n), static_cast<unsigned long>(i), y[i],
                     scalar(x[i]));
      }
      ++wrong;
    }
  }
  std::printf("%s: %s of %lu doubles: y[0] = %.17g, y[%lu] = %.17g%s\n", when, name,
              static_cast<unsigned long>(n), y[0], static_cast<unsigned long>(n - 1), y[n - 1],
              wrong == 0 ? "" : " WRONG");
  return wrong;
}

int calls_before_main = -1;

struct CallsBeforeMain {
  CallsBeforeMain() { calls_before_main = check_array_calls("static constructor"); }
} const early;

}  // namespace

int check_array_calls(const char* when) {
  const char* kernel = vemo::numeric::array_kernel();
  const char* profile = vemo::numeric::array_profile();
  std::printf("%s: array_kernel() = %s, array_profile() = %s\n", when, kernel, profile);
  int wrong = std::strlen(kernel) == 0 || std::strlen(profile) == 0 ? 1 : 0;
  // Short calls, calls that take the refined roots where a CPU has them,
  // and a call of more than twice the last stretch of every kernel.
  for (const std::size_t n : {std::size_t{8}, std::size_t{1000}, std::size_t{100000}}) {
    wrong += compare(when, "sq_n", vemo::numeric::sq_n, vemo::numeric::sq, n);
    wrong += compare(when, "sqrt_n", vemo::numeric::sqrt_n, vemo::numeric::sqrt, n);
  }
  return wrong;
}

int array_calls_before_main() { return calls_before_main; }
