#include <dlfcn.h>

#include <cstdio>

// Loads the shared library named by its argument, whose constructor calls the
// array functions, then has it call them again from main.
int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <shared library>\n", argv[0]);
    return 2;
  }
  void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    std::fprintf(stderr, "dlopen: %s\n", dlerror());
    return 2;
  }
  using Check = int (*)(const char*);
  using BeforeMain = int (*)();
  // POSIX makes a function pointer of dlsym's result.
  const auto check = reinterpret_cast<Check>(dlsym(library, "check_array_calls"));
  const auto before_main = reinterpret_cast<BeforeMain>(dlsym(library, "array_calls_before_main"));
  if (check == nullptr || before_main == nullptr) {
    std::fprintf(stderr, "dlsym: %s\n", dlerror());
    return 2;
  }
  const int at_load = before_main();
  const int in_main = check("in main");
  return at_load == 0 && in_main == 0 ? 0 : 1;
}
