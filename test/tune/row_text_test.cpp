// The profile rows as text: every row of the table read back by its name and
// from the text format_row gives it, the ways of writing a row that read the
// same, and the rows refused, each with a message that names the fault.
// Nothing here depends on the CPU the tests run on.

#include "tune/row_text.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace {

namespace detail = vemo::numeric::detail;
using tune::format_row;
using tune::parse_row;

// A row as numeric_tune prints it, for the cases below to vary.
const std::string printed =
    "    {\"amd_family_0x19_model_0x11\",\n"
    "     {Vendor::amd, 0x19, 0x11, 0x11, true},\n"
    "     {{{1, 1}, 64}, {{1, 2}, never}, never, 2048, 100, true},\n"
    "     \"AMD EPYC, family 0x19 model 0x11, 2026-12-10\"},\n";

// `printed` with the first `from` in it replaced by `to`.
std::string with(const std::string& from, const std::string& to) {
  std::string text = printed;
  return text.replace(text.find(from), from.size(), to);
}

TEST(RowText, EveryTableRowReadsBackByNameAndFromItsText) {
  for (const detail::ProfileRow* row = detail::profile_rows_begin();
       row != detail::profile_rows_end(); ++row) {
    const tune::RowText expected = tune::row_of(*row);
    const std::string text = format_row(expected);
    std::string error;
    const auto by_name = parse_row(row->name, error);
    const auto from_text = parse_row(text, error);
    ASSERT_TRUE(by_name && from_text) << row->name << ": " << error;
    EXPECT_TRUE(*by_name == expected) << row->name;
    EXPECT_TRUE(*from_text == expected) << text;
    EXPECT_EQ(format_row(*from_text), text);
  }
}

TEST(RowText, ReadsThePrintedRowAndPrintsItAgain) {
  std::string error;
  const auto row = parse_row(printed, error);
  ASSERT_TRUE(row) << error;
  EXPECT_EQ(row->name, "amd_family_0x19_model_0x11");
  EXPECT_EQ(row->key.vendor, detail::Vendor::amd);
  EXPECT_EQ(row->key.family, 0x19U);
  EXPECT_EQ(row->key.first_model, 0x11U);
  EXPECT_EQ(row->key.last_model, 0x11U);
  EXPECT_TRUE(row->key.needs_avx512f);
  EXPECT_TRUE((row->profile.avx512f_roots.split == detail::Split{1, 1}));
  EXPECT_EQ(row->profile.avx512f_roots.refined_from, 64U);
  EXPECT_TRUE((row->profile.avx2_roots.split == detail::Split{1, 2}));
  EXPECT_EQ(row->profile.avx2_roots.refined_from, detail::never);
  EXPECT_EQ(row->profile.sq_512_bit_up_to, detail::never);
  EXPECT_EQ(row->profile.prefetch_bytes, 2048U);
  EXPECT_EQ(row->profile.beyond_cache_percent, 100U);
  EXPECT_TRUE(row->profile.refined_beyond_cache);
  EXPECT_EQ(row->measured, "AMD EPYC, family 0x19 model 0x11, 2026-12-10");
  EXPECT_EQ(format_row(*row), printed);
}

TEST(RowText, ReadsAnyWhitespaceEitherBaseAndNoLastComma) {
  const std::vector<std::string> variants = {
      std::string("{\"amd_family_0x19_model_0x11\",{Vendor::amd,0x19,0x11,0x11,true},") +
          "{{{1,1},64},{{1,2},never},never,2048,100,true},\"AMD EPYC, family 0x19 model 0x11, "
          "2026-12-10\"}",
      "\r\n\t" + with("\"},\n", "\"},\t\r\n\f\v"),
      with("\"},\n", "\"}"),
      with("Vendor::amd, 0x19, 0x11, 0x11", "Vendor ::\n amd , 25, 0X11, 17"),
      with("2048, 100", "0x800, 0x64"),
      with("{{{1, 1}, 64}", "{ { {\t1 ,1 } ,\n\n0x40 }"),
      printed + std::string(4096 - printed.size(), ' '),
  };
  for (const std::string& text : variants) {
    std::string error;
    const auto row = parse_row(text, error);
    ASSERT_TRUE(row) << text << "\n" << error;
    EXPECT_EQ(format_row(*row), printed) << text;
  }
}

TEST(RowText, RefusesWithAMessageNamingTheFault) {
  struct Refused {
    std::string text;
    std::string message_has;
  };
  const std::vector<Refused> cases = {
      {"", "empty"},
      {" \n\t ", "empty"},
      {"%&*", "expected the name of a row"},
      {"default row", "or a row in braces at offset 7"},
      {"DEFAULT", "no row is named \"DEFAULT\""},
      {"{garbage}", "expected the name, a string"},
      {with("{{1, 1}, 64}", "{{2, 2}, 64}"), "AVX-512F split 2:2 is not on the menu"},
      {with("{{1, 2}, never}", "{{2, 5}, never}"),
       "AVX2 split 2:5 is not on the menu (1:0, 1:2, 1:1)"},
      {with("{{1, 1}, 64}", "{{1, 256}, 64}"), "out of range"},
      {with("2048", "-2048"), "no sign"},
      {with("amd, 0x19", "amd, -0x19"), "no sign"},
      {with("amd, 0x19", "amd, 99999999999999999999999"), "out of range for the family"},
      {with("2048", "99999999999999999999999"), "out of range for the prefetch"},
      {with("amd, 0x19", "amd, 0x1000"), "out of range for the family (at most 4095)"},
      {with("amd, 0x19", "amd, 031"), "octal"},
      {with("amd, 0x19", "amd, 0x"), "whole number"},
      {with("2048", "2048u"), "whole number"},
      {with("2048", "4097"), "prefetch distance 4097 is beyond 4096 bytes"},
      {with("100, true}", "0, true}"), "percentage 0 is not from 1 to 400"},
      {with("100, true}", "401, true}"), "percentage 401 is not from 1 to 400"},
      {with("0x11, 0x11", "0x12, 0x11"), "first model 0x12 is after the last model 0x11"},
      {with("64}", "0}"), "refined-from length must be at least 1"},
      {with("never}", "nevermore}"), "a number or never"},
      {with("Vendor::amd", "Vendor::via"), "vendor must be"},
      {with("Vendor::amd", "amd"), "expected the vendor"},
      {with("true}", "1}"), "true or false"},
      {with("amd_family", "amd-family"), "the name must be"},
      {with("amd_family", std::string(64, 'a')), "the name is longer than 64"},
      {with("AMD EPYC", "AMD\\EPYC"), "no backslash"},
      {with("AMD EPYC", "AMD\tEPYC"), "printable ASCII"},
      {with("AMD EPYC", std::string(200, 'A')), "longer than 200"},
      {with("2026-12-10\"", "2026-12-10"), "not closed"},
      {printed.substr(0, printed.rfind('"')), "not closed by a quote at offset 146"},
      {with("\"},\n", "\"}, x\n"), "unexpected text after the row"},
      {printed + ",", "unexpected text after the row"},
      // A row the size limit alone refuses.
      {printed + std::string(std::size_t{100} * 1024 - printed.size(), ' '),
       "102400 bytes, more than the 4096"},
  };
  for (const Refused& refused : cases) {
    std::string error;
    EXPECT_FALSE(parse_row(refused.text, error)) << refused.text;
    EXPECT_NE(error.find(refused.message_has), std::string::npos)
        << refused.text << "\ngave: " << error;
  }
}

TEST(RowText, RefusesEveryTruncatedRow) {
  const std::size_t row_end = printed.rfind('}');
  for (std::size_t length = 0; length <= row_end; ++length) {
    // Each prefix alone in its allocation, so that a read past its end is
    // one past the block, for AddressSanitizer to see.
    const std::vector<char> prefix(printed.begin(),
                                   printed.begin() + static_cast<std::ptrdiff_t>(length));
    std::string error;
    EXPECT_FALSE(parse_row({prefix.data(), prefix.size()}, error)) << length;
    EXPECT_FALSE(error.empty()) << length;
  }
}

}  // namespace

#endif  // VEMO_NUMERIC_X86_KERNELS
