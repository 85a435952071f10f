// The public header must stand alone and survive being included twice.
// clang-format off (it would merge the two)
#include <vemo/numeric.hpp>
// clang-format on

int main() { return vemo::numeric::sq(1.0) > vemo::numeric::sqrt(1.0) ? 1 : 0; }
