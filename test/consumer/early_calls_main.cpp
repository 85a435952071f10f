#include "early_calls.hpp"

// Checks what the static constructor found, then calls the array functions
// again, long, from main.
int main() {
  const int before_main = array_calls_before_main();
  const int in_main = check_array_calls("in main");
  return before_main == 0 && in_main == 0 ? 0 : 1;
}
