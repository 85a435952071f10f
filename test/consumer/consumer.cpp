#include <vemo/numeric.hpp>

#include <cstdio>
#include <cstring>

#ifdef VEMO_NUMERIC_FOUND_VERSION
static_assert(VEMO_NUMERIC_VERSION == VEMO_NUMERIC_FOUND_VERSION,
              "the header's version differs from the version of the package that was found");
#endif

// Prints results the test compares, so that a link of the wrong thing fails.
int main() {
  const double x[] = {-3.0, 2.25};
  double squares[2];
  double roots[2];
  vemo::numeric::sq_n(x, 2, squares);
  vemo::numeric::sqrt_n(x, 2, roots);
  std::printf("%g %g %g %g %g %g\n", vemo::numeric::sq(-3.0), vemo::numeric::sqrt(2.25),
              vemo::numeric::sqrt(-1.0), squares[0], roots[0], roots[1]);
  return std::strlen(vemo::numeric::array_kernel()) != 0 ? 0 : 1;
}
