#include <vemo/numeric.hpp>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace {

// Writes one line; the caller's result is computed before any of it is written.
void write_line(const char* label, double input, const char* middle, double result) {
  std::cout << label << input << middle << result << "\n";
}

}  // namespace

int main(int /*argc*/, char* /*argv*/[]) {
  const double x1 = 2.0;
  write_line("x1 =\t", x1, " ,\t vemo::numeric::sq(x1) = ", vemo::numeric::sq(x1));
  const double x2 = -2.0;
  write_line("x2 =\t", x2, " ,\t vemo::numeric::sq(x2) = ", vemo::numeric::sq(x2));
  const double y1 = 2.0;
  write_line("y1 =\t", y1, " ,\t vemo::numeric::sqrt(y1) = ", vemo::numeric::sqrt(y1));
  const double y2 = -2.0;
  write_line("y2 =\t", y2, " ,\t vemo::numeric::sqrt(y2) = ", vemo::numeric::sqrt(y2));

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
