#ifndef VEMO_NUMERIC_BENCH_TUNE_ROW_TEXT_HPP
#define VEMO_NUMERIC_BENCH_TUNE_ROW_TEXT_HPP

// A profile row as text: the C++ the tuner prints for profiles.cpp, and the
// text it reads back to start from (--from), either the name of a row of the
// table or a whole row in the printed form. What it reads comes from a
// command line, so the parser refuses, with a message, any row the table
// could not hold or the contract does not allow.

#include "x86/profile.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <optional>
#include <string>
#include <string_view>

namespace tune {

namespace detail = vemo::numeric::detail;

// A row as the tuner prints it and as profiles.cpp holds it, owning its strings.
struct RowText {
  std::string name;
  detail::CpuKey key;
  detail::Profile profile;
  std::string measured;  // on what, and when
};

bool operator==(const RowText& a, const RowText& b);
bool operator!=(const RowText& a, const RowText& b);

// "intel", "amd" or "other", as rows write the vendor and the tuner names one.
const char* vendor_name(detail::Vendor vendor);

// The row as the tuner prints it: four lines, each indented as in
// profiles.cpp and ending in a newline, the last in "},". Families and
// models are in hexadecimal, two digits at least; a length of `never` is
// the word.
//     {"amd_family_0x19_model_0x11",
//      {Vendor::amd, 0x19, 0x11, 0x11, true},
//      {{{1, 1}, 64}, {{1, 2}, 64}, 4096, 2048, 100, true},
//      "AMD EPYC, family 0x19 model 0x11, 2026-12-10"},
std::string format_row(const RowText& row);

// Reads `text`, at most 4096 bytes: either the exact name of a row of the
// table, which gives that row, or a whole row as format_row writes it, with
// any whitespace between tokens and the last comma optional. Numbers are
// decimal or 0x-hexadecimal, without sign or suffix. A row is refused unless
// the table could hold it: a name of 1 to 64 letters, digits and
// underscores; family and models up to 0xFFF, the first model no later than
// the last; splits on the menu of their instruction set; refined-from
// lengths of 1 or more, or never; a prefetch distance of at most 4 KiB; a
// beyond-cache percentage from 1 to 400; where measured, at most 200
// printable ASCII characters without quote or backslash. On a refusal,
// returns nothing and sets `error` to what is wrong and where.
std::optional<RowText> parse_row(std::string_view text, std::string& error);

// A row of the table as text.
RowText row_of(const detail::ProfileRow& row);

}  // namespace tune

#endif  // VEMO_NUMERIC_X86_KERNELS

#endif  // VEMO_NUMERIC_BENCH_TUNE_ROW_TEXT_HPP
