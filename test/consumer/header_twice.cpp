// The public header must stand alone and survive being included twice.
#include <vemo/numeric.hpp>
#include <vemo/numeric.hpp>

int main() { return vemo::numeric::sq(1.0) > vemo::numeric::sqrt(1.0) ? 1 : 0; }
