#include <vemo/numeric.hpp>

#include <cstdio>

// Calls the scalar functions alone: the program must carry none of the
// array code.
int main() {
  std::printf("%g %g %g\n", vemo::numeric::sq(3.0), vemo::numeric::sqrt(9.0),
              vemo::numeric::sqrt(-9.0));
  return 0;
}
