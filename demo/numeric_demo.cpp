#include <vemo/numeric.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

int main(int /*argc*/, char* /*argv*/[]) {
  const double x1 = 2.0;
  const double sq_x1 = vemo::numeric::sq(x1);
  std::cout << "x1 =\t" << x1 << " ,\t vemo::numeric::sq(x1) = " << sq_x1 << "\n";

  const double x2 = -2.0;
  const double sq_x2 = vemo::numeric::sq(x2);
  std::cout << "x2 =\t" << x2 << " ,\t vemo::numeric::sq(x2) = " << sq_x2 << "\n";

  const double y1 = 2.0;
  const double sqrt_y1 = vemo::numeric::sqrt(y1);
  std::cout << "y1 =\t" << y1 << " ,\t vemo::numeric::sqrt(y1) = " << sqrt_y1 << "\n";

  const double y2 = -2.0;
  const double sqrt_y2 = vemo::numeric::sqrt(y2);
  std::cout << "y2 =\t" << y2 << " ,\t vemo::numeric::sqrt(y2) = " << sqrt_y2 << "\n";

  // Output is buffered, so a full disk or a closed stdout only shows up here.
  std::cout.flush();
  if (!std::cout) {
    const int error = errno;
    std::cerr << "numeric_demo: write error";
    if (error != 0) {
      std::cerr << ": " << std::strerror(error);
    }
    std::cerr << "\n";
    return EXIT_FAILURE;
  }
  return 0;
}
