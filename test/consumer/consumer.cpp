#include <vemo/numeric.hpp>

#include <cstdio>

// Prints results the test compares, so that a link of the wrong thing fails.
int main() {
  std::printf("%g %g %g\n", vemo::numeric::sq(-3.0), vemo::numeric::sqrt(2.25),
              vemo::numeric::sqrt(-1.0));
  return 0;
}
