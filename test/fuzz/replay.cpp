// Runs a fuzz target once on each input file named on the command line, or
// in a folder named there, as libFuzzer does with -runs=0: for ctest to
// replay the corpus through a target built by any compiler. Arguments that
// start with '-' are libFuzzer's options, and ignored. Each input is in a
// block of its own size, so that AddressSanitizer, where built in, sees a
// read one past its end.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  std::vector<fs::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const fs::path argument = argv[i];
    if (argv[i][0] == '-') {
      continue;
    }
    std::error_code error;
    if (fs::is_directory(argument, error)) {
      for (const fs::directory_entry& entry : fs::directory_iterator(argument, error)) {
        inputs.push_back(entry.path());
      }
    } else {
      inputs.push_back(argument);
    }
    if (error) {
      std::fprintf(stderr, "%s: cannot read %s: %s\n", argv[0], argv[i], error.message().c_str());
      return 1;
    }
  }
  if (inputs.empty()) {
    std::fprintf(stderr, "usage: %s <input file or folder>... (none found)\n", argv[0]);
    return 2;
  }
  std::sort(inputs.begin(), inputs.end());
  for (const fs::path& path : inputs) {
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
      std::fprintf(stderr, "%s: cannot open %s\n", argv[0], path.string().c_str());
      return 1;
    }
    const std::vector<char> read(std::istreambuf_iterator<char>(file), {});
    const std::vector<std::uint8_t> input(read.begin(), read.end());  // allocated to its size
    std::fprintf(stderr, "%s\n", path.string().c_str());
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%zu inputs replayed\n", inputs.size());
  return 0;
}
