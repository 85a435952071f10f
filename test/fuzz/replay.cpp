// Runs a fuzz target once on each input file named on the command line, as
// libFuzzer does when given files: for ctest to replay the corpus through a
// target built by any compiler. Each input is in a block of its own size,
// so that AddressSanitizer, where built in, sees a read one past its end.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s <input file>...\n", argv[0]);
    return 2;
  }
  for (int i = 1; i < argc; ++i) {
    std::FILE* file = std::fopen(argv[i], "rb");
    std::vector<std::uint8_t> read;
    for (int c = 0; file != nullptr && (c = std::fgetc(file)) != EOF;) {
      read.push_back(static_cast<std::uint8_t>(c));
    }
    if (file == nullptr || std::ferror(file) != 0) {
      std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
      return 1;
    }
    std::fclose(file);
    const std::vector<std::uint8_t> input(read.begin(), read.end());  // allocated to its size
    std::fprintf(stderr, "%s\n", argv[i]);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%d inputs replayed\n", argc - 1);
  return 0;
}
