#include <vemo/numeric.hpp>

#include <cstdio>

#ifdef VEMO_NUMERIC_FOUND_VERSION
static_assert(VEMO_NUMERIC_VERSION == VEMO_NUMERIC_FOUND_VERSION,
              "the header's version differs from the version of the package that was found");
#endif

// Prints results the test compares, so that a link of the wrong thing fails.
int main() {
  std::printf("%g %g %g\n", vemo::numeric::sq(-3.0), vemo::numeric::sqrt(2.25),
              vemo::numeric::sqrt(-1.0));
  return 0;
}
