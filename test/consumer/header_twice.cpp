// The public header must stand alone and survive being included twice. The
// second include is kept from clang-format, which would drop it.
// clang-format off
#include <vemo/numeric.hpp>
#include <vemo/numeric.hpp>
// clang-format on

double hypotenuse_of_square(double side) {
  return vemo::numeric::sqrt(2.0 * vemo::numeric::sq(side));
}
