// Fuzzing of the tuner's row parser, which reads what a command line gives
// it: any text is refused with a message naming a place within it, or
// accepted whole, so that the same text with a word after it is refused,
// and the row accepted, printed, reads back as the same row and prints the
// same text. Reads past the text are AddressSanitizer's to report.

#include "tune/row_text.hpp"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

[[noreturn]] void fail(const char* what, std::string_view text, const std::string& detail) {
  std::fprintf(stderr, "fuzz_row_text: %s\n--- text:\n%.*s\n--- %s\n", what,
               static_cast<int>(text.size()), text.data(), detail.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto row = tune::parse_row(text, error);
  if (!row) {
    const std::size_t at = error.rfind(" at offset ");
    if (error.empty() ||
        (at != std::string::npos && std::strtoull(error.c_str() + at + 11, nullptr, 10) > size)) {
      fail("refused without saying where within the text", text, "error: " + error);
    }
    return 0;
  }
  if (tune::parse_row(std::string(text) + " x", error)) {
    fail("accepted with a word after it", text, "");
  }
  const std::string printed = tune::format_row(*row);
  const auto again = tune::parse_row(printed, error);
  if (!again || *again != *row || tune::format_row(*again) != printed) {
    fail("accepted, but printed it does not read back the same", text,
         "printed:\n" + printed + (again ? "printed again:\n" + tune::format_row(*again) : error));
  }
  return 0;
}
