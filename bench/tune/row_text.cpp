#include "row_text.hpp"

#ifdef VEMO_NUMERIC_X86_KERNELS

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>

namespace tune {

namespace {

// The limits row_text.hpp gives.
constexpr std::size_t largest_text = 4096;
constexpr std::size_t largest_name = 64;
constexpr std::size_t largest_measured = 200;
// Far above any family or model CPUID can report (0x10E and 0xFF), and
// still short in the table.
constexpr std::uint64_t largest_family_or_model = 0xFFF;
// A length written as a number; the one above it is `never`, written as the
// word, so that every length reads back as it was written.
constexpr std::uint64_t largest_length = detail::never - 1;
constexpr std::uint64_t largest_split_part = std::numeric_limits<unsigned char>::max();

constexpr std::string_view spaces = " \t\n\r\f\v";

bool is_space(char c) { return spaces.find(c) != std::string_view::npos; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool is_word_char(char c) { return is_letter(c) || is_digit(c) || c == '_'; }

int hex_digit_value(char c) {
  if (is_digit(c)) {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  if (c >= 'A' && c <= 'F') {
    return c - 'A' + 10;
  }
  return -1;
}

// The names the tuner makes up (amd_family_0x1A_model_0x02) have capitals.
bool is_name(std::string_view text) {
  return !text.empty() && text.size() <= largest_name &&
         std::all_of(text.begin(), text.end(), is_word_char);
}

std::string hex_text(unsigned value) {
  std::array<char, 16> text{};
  std::snprintf(text.data(), text.size(), "0x%02X", value);
  return text.data();
}

std::string bool_text(bool value) { return value ? "true" : "false"; }

std::string length_text(std::size_t length) {
  return length == detail::never ? "never" : std::to_string(length);
}

std::string split_text(detail::Split split) {
  return std::to_string(split.refined) + ":" + std::to_string(split.instruction);
}

std::string choice_text(const detail::RootChoice& choice) {
  return "{{" + std::to_string(choice.split.refined) + ", " +
         std::to_string(choice.split.instruction) + "}, " + length_text(choice.refined_from) + "}";
}

// An instruction set's splits, as a row names them.
struct Menu {
  const char* set;
  const detail::Split* splits;
  std::size_t count;
};

constexpr Menu avx512f_menu{"AVX-512F", detail::avx512f_splits, detail::avx512f_split_count};
constexpr Menu avx2_menu{"AVX2", detail::avx2_splits, detail::avx2_split_count};

std::string menu_text(const Menu& menu) {
  std::string text;
  for (std::size_t i = 0; i < menu.count; ++i) {
    text += (i == 0 ? "" : ", ") + split_text(menu.splits[i]);
  }
  return text;
}

bool same_choice(const detail::RootChoice& a, const detail::RootChoice& b) {
  return a.split == b.split && a.refined_from == b.refined_from;
}

// Reads a row token by token, never past the end of the text. A read that
// fails leaves what it expected, and where, in error().
class RowReader {
 public:
  explicit RowReader(std::string_view text) : text_(text) {}

  [[nodiscard]] const std::string& error() const { return error_; }

  bool read_row(RowText& row) {
    return expect('{', "to open the row") && read_name(row.name) && expect(',', "after the name") &&
           read_key(row.key) && expect(',', "after the CPU key") && read_profile(row.profile) &&
           expect(',', "after the profile") &&
           read_string("the note on where it was measured", largest_measured, row.measured) &&
           expect('}', "to close the row") && read_end();
  }

 private:
  bool fail_at(std::size_t offset, const std::string& message) {
    error_ = message + " at offset " + std::to_string(offset);
    if (offset == text_.size()) {
      error_ += ", the end of the text";
    }
    return false;
  }
  bool fail(const std::string& message) { return fail_at(at_, message); }

  void skip_space() {
    while (at_ < text_.size() && is_space(text_[at_])) {
      ++at_;
    }
  }

  bool expect(char token, const std::string& why) {
    skip_space();
    if (at_ < text_.size() && text_[at_] == token) {
      ++at_;
      return true;
    }
    return fail(std::string("expected '") + token + "' " + why);
  }

  std::string_view read_word() {
    skip_space();
    token_at_ = at_;
    while (at_ < text_.size() && is_word_char(text_[at_])) {
      ++at_;
    }
    return text_.substr(token_at_, at_ - token_at_);
  }

  // A number up to `limit`, which is at most the largest uint64_t less one.
  bool read_number(const std::string& what, std::uint64_t limit, std::uint64_t& value) {
    skip_space();
    token_at_ = at_;
    if (at_ < text_.size() && (text_[at_] == '-' || text_[at_] == '+')) {
      return fail(what + " takes no sign");
    }
    if (at_ == text_.size() || !is_digit(text_[at_])) {
      return fail("expected " + what + ", a number");
    }
    unsigned base = 10;
    if (text_[at_] == '0' && at_ + 1 < text_.size() &&
        (text_[at_ + 1] == 'x' || text_[at_ + 1] == 'X')) {
      base = 16;
      at_ += 2;
    } else if (text_[at_] == '0' && at_ + 1 < text_.size() && is_digit(text_[at_ + 1])) {
      return fail(what + " has a leading zero, which C++ reads as octal");
    }
    value = 0;
    const std::size_t digits_at = at_;
    for (; at_ < text_.size() && hex_digit_value(text_[at_]) >= 0; ++at_) {
      const auto digit = static_cast<unsigned>(hex_digit_value(text_[at_]));
      if (digit >= base) {
        break;
      }
      if (digit > limit || value > (limit - digit) / base) {
        return fail_at(token_at_, "number out of range for " + what + " (at most " +
                                      std::to_string(limit) + ")");
      }
      value = value * base + digit;
    }
    if (at_ == digits_at ||
        (at_ < text_.size() && (is_word_char(text_[at_]) || text_[at_] == '.'))) {
      return fail_at(token_at_, "expected " + what +
                                    ", a whole number in decimal or 0x hexadecimal without suffix");
    }
    return true;
  }

  bool read_unsigned(const std::string& what, std::uint64_t limit, unsigned& value) {
    std::uint64_t number = 0;
    if (!read_number(what, limit, number)) {
      return false;
    }
    value = static_cast<unsigned>(number);
    return true;
  }

  bool read_length(const std::string& what, std::size_t& length) {
    skip_space();
    if (at_ < text_.size() && is_letter(text_[at_])) {
      if (read_word() != "never") {
        return fail_at(token_at_, "expected " + what + ", a number or never");
      }
      length = detail::never;
      return true;
    }
    std::uint64_t number = 0;
    if (!read_number(what, largest_length, number)) {
      return false;
    }
    length = static_cast<std::size_t>(number);
    return true;
  }

  bool read_bool(const std::string& what, bool& value) {
    const std::string_view word = read_word();
    if (word != "true" && word != "false") {
      return fail_at(token_at_, "expected true or false for " + what);
    }
    value = word == "true";
    return true;
  }

  bool read_string(const std::string& what, std::size_t longest, std::string& value) {
    skip_space();
    token_at_ = at_;
    const std::size_t quote_at = at_;
    if (at_ == text_.size() || text_[at_] != '"') {
      return fail("expected " + what + ", a string in quotes");
    }
    for (++at_; at_ < text_.size(); ++at_) {
      const char c = text_[at_];
      if (c == '"') {
        const std::size_t length = at_ - quote_at - 1;
        if (length > longest) {
          return fail_at(quote_at,
                         what + " is longer than " + std::to_string(longest) + " characters");
        }
        value = std::string(text_.substr(quote_at + 1, length));
        ++at_;
        return true;
      }
      if (c == '\n') {
        return fail_at(quote_at, what + " is not closed by a quote on its line");
      }
      if (c == '\\') {
        return fail(what + " may hold no backslash");
      }
      if (c < ' ' || c > '~') {
        return fail(what + " may hold printable ASCII characters only");
      }
    }
    return fail_at(quote_at, what + " is not closed by a quote");
  }

  bool read_name(std::string& name) {
    if (!read_string("the name", largest_name, name)) {
      return false;
    }
    if (!is_name(name)) {
      return fail_at(token_at_, "the name must be 1 to " + std::to_string(largest_name) +
                                    " letters, digits and underscores");
    }
    return true;
  }

  bool read_vendor(detail::Vendor& vendor) {
    const bool qualified = read_word() == "Vendor" && expect(':', "in Vendor::") &&
                           at_ < text_.size() && text_[at_] == ':';
    if (!qualified) {
      return fail_at(token_at_, "expected the vendor, Vendor::intel, Vendor::amd or Vendor::other");
    }
    ++at_;
    const std::string_view word = read_word();
    if (word == "intel") {
      vendor = detail::Vendor::intel;
    } else if (word == "amd") {
      vendor = detail::Vendor::amd;
    } else if (word == "other") {
      vendor = detail::Vendor::other;
    } else {
      return fail_at(token_at_, "the vendor must be Vendor::intel, Vendor::amd or Vendor::other");
    }
    return true;
  }

  bool read_key(detail::CpuKey& key) {
    if (!(expect('{', "to open the CPU key") && read_vendor(key.vendor) &&
          expect(',', "after the vendor") &&
          read_unsigned("the family", largest_family_or_model, key.family) &&
          expect(',', "after the family") &&
          read_unsigned("the first model", largest_family_or_model, key.first_model) &&
          expect(',', "after the first model") &&
          read_unsigned("the last model", largest_family_or_model, key.last_model))) {
      return false;
    }
    if (key.first_model > key.last_model) {
      return fail_at(token_at_, "the first model " + hex_text(key.first_model) +
                                    " is after the last model " + hex_text(key.last_model));
    }
    return expect(',', "after the last model") &&
           read_bool("whether the row needs AVX-512F", key.needs_avx512f) &&
           expect('}', "to close the CPU key");
  }

  bool read_split_part(const std::string& what, unsigned char& part) {
    std::uint64_t number = 0;
    if (!read_number(what, largest_split_part, number)) {
      return false;
    }
    part = static_cast<unsigned char>(number);
    return true;
  }

  bool read_choice(const Menu& menu, detail::RootChoice& choice) {
    const std::string set = menu.set;
    if (!(expect('{', "to open the " + set + " roots") &&
          expect('{', "to open the " + set + " split"))) {
      return false;
    }
    const std::size_t split_at = at_ - 1;
    if (!(read_split_part("the " + set + " split's refined vectors", choice.split.refined) &&
          expect(',', "in the " + set + " split") &&
          read_split_part("the " + set + " split's instruction vectors",
                          choice.split.instruction) &&
          expect('}', "to close the " + set + " split"))) {
      return false;
    }
    if (!detail::on_menu(choice.split, menu.splits, menu.count)) {
      return fail_at(split_at, "the " + set + " split " + split_text(choice.split) +
                                   " is not on the menu (" + menu_text(menu) + ")");
    }
    const std::string refined_from = "the " + set + " roots' refined-from length";
    if (!(expect(',', "after the " + set + " split") &&
          read_length(refined_from, choice.refined_from))) {
      return false;
    }
    if (choice.refined_from == 0) {
      return fail_at(token_at_, refined_from + " must be at least 1, or never");
    }
    return expect('}', "to close the " + set + " roots");
  }

  bool read_profile(detail::Profile& profile) {
    if (!(expect('{', "to open the profile") && read_choice(avx512f_menu, profile.avx512f_roots) &&
          expect(',', "after the AVX-512F roots") && read_choice(avx2_menu, profile.avx2_roots) &&
          expect(',', "after the AVX2 roots") &&
          read_length("sq_n's 512-bit limit", profile.sq_512_bit_up_to) &&
          expect(',', "after sq_n's 512-bit limit"))) {
      return false;
    }
    std::uint64_t prefetch = 0;
    if (!read_number("the prefetch distance", largest_length, prefetch)) {
      return false;
    }
    if (prefetch > detail::largest_prefetch_bytes) {
      return fail_at(token_at_, "prefetch distance " + std::to_string(prefetch) + " is beyond " +
                                    std::to_string(detail::largest_prefetch_bytes) + " bytes");
    }
    profile.prefetch_bytes = static_cast<std::size_t>(prefetch);
    std::uint64_t percent = 0;
    if (!(expect(',', "after the prefetch distance") &&
          read_number("the beyond-cache percentage", largest_length, percent))) {
      return false;
    }
    if (percent < 1 || percent > detail::largest_beyond_cache_percent) {
      return fail_at(token_at_, "beyond-cache percentage " + std::to_string(percent) +
                                    " is not from 1 to " +
                                    std::to_string(detail::largest_beyond_cache_percent));
    }
    profile.beyond_cache_percent = static_cast<unsigned>(percent);
    return expect(',', "after the beyond-cache percentage") &&
           read_bool("whether it refines beyond the cache", profile.refined_beyond_cache) &&
           expect('}', "to close the profile");
  }

  // After the row, a comma as in the table, and nothing but whitespace.
  bool read_end() {
    skip_space();
    if (at_ < text_.size() && text_[at_] == ',') {
      ++at_;
      skip_space();
    }
    return at_ == text_.size() || fail("unexpected text after the row");
  }

  std::string_view text_;
  std::size_t at_ = 0;
  std::size_t token_at_ = 0;  // where the last token read began
  std::string error_;
};

std::optional<RowText> row_named(std::string_view text, std::size_t name_at, std::string& error) {
  const std::size_t name_end = text.find_last_not_of(spaces) + 1;
  const std::string_view name = text.substr(name_at, name_end - name_at);
  if (!is_name(name)) {
    std::size_t bad = 0;
    while (bad < name.size() && bad < largest_name && is_word_char(name[bad])) {
      ++bad;
    }
    error = "expected the name of a row (1 to " + std::to_string(largest_name) +
            " letters, digits and underscores) or a row in braces at offset " +
            std::to_string(name_at + bad);
    return std::nullopt;
  }
  std::string names;
  for (const detail::ProfileRow* row = detail::profile_rows_begin();
       row != detail::profile_rows_end(); ++row) {
    if (name == row->name) {
      return row_of(*row);
    }
    names += (names.empty() ? "" : ", ") + std::string(row->name);
  }
  error = "no row is named \"" + std::string(name) + "\" (the rows: " + names + ")";
  return std::nullopt;
}

}  // namespace

bool operator==(const RowText& a, const RowText& b) {
  const detail::CpuKey& k = a.key;
  const detail::CpuKey& l = b.key;
  const detail::Profile& p = a.profile;
  const detail::Profile& q = b.profile;
  return a.name == b.name && k.vendor == l.vendor && k.family == l.family &&
         k.first_model == l.first_model && k.last_model == l.last_model &&
         k.needs_avx512f == l.needs_avx512f && same_choice(p.avx512f_roots, q.avx512f_roots) &&
         same_choice(p.avx2_roots, q.avx2_roots) && p.sq_512_bit_up_to == q.sq_512_bit_up_to &&
         p.prefetch_bytes == q.prefetch_bytes && p.beyond_cache_percent == q.beyond_cache_percent &&
         p.refined_beyond_cache == q.refined_beyond_cache && a.measured == b.measured;
}

bool operator!=(const RowText& a, const RowText& b) { return !(a == b); }

const char* vendor_name(detail::Vendor vendor) {
  switch (vendor) {
    case detail::Vendor::intel:
      return "intel";
    case detail::Vendor::amd:
      return "amd";
    case detail::Vendor::other:
      break;
  }
  return "other";
}

std::string format_row(const RowText& row) {
  const detail::CpuKey& key = row.key;
  const detail::Profile& p = row.profile;
  return "    {\"" + row.name + "\",\n" + "     {Vendor::" + vendor_name(key.vendor) + ", " +
         hex_text(key.family) + ", " + hex_text(key.first_model) + ", " + hex_text(key.last_model) +
         ", " + bool_text(key.needs_avx512f) + "},\n" + "     {" + choice_text(p.avx512f_roots) +
         ", " + choice_text(p.avx2_roots) + ", " + length_text(p.sq_512_bit_up_to) + ", " +
         std::to_string(p.prefetch_bytes) + ", " + std::to_string(p.beyond_cache_percent) + ", " +
         bool_text(p.refined_beyond_cache) + "},\n" + "     \"" + row.measured + "\"},\n";
}

std::optional<RowText> parse_row(std::string_view text, std::string& error) {
  if (text.size() > largest_text) {
    error = "the text is " + std::to_string(text.size()) + " bytes, more than the " +
            std::to_string(largest_text) + " a row may take";
    return std::nullopt;
  }
  const std::size_t first = text.find_first_not_of(spaces);
  if (first == std::string_view::npos) {
    error = "the text is empty: expected the name of a row or a row in braces";
    return std::nullopt;
  }
  if (text[first] != '{') {
    return row_named(text, first, error);
  }
  RowText row{};
  RowReader reader(text);
  if (!reader.read_row(row)) {
    error = reader.error();
    return std::nullopt;
  }
  return row;
}

RowText row_of(const detail::ProfileRow& row) {
  return RowText{row.name, row.key, row.profile, row.measured};
}

}  // namespace tune

#endif  // VEMO_NUMERIC_X86_KERNELS
