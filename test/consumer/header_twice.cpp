// The public header must stand alone and survive being included twice.
// clang-format off (it would drop the second include)
#include <vemo/numeric.hpp>
#include <vemo/numeric.hpp>
// clang-format on

double hypotenuse_of_square(double side) { return vemo::numeric::sqrt(2.0 * vemo::numeric::sq(side)); }
