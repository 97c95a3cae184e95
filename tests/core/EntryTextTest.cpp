// Where an entry row's number ends: decimal and radix corners, and agreement with ParseNumber.
#include "core/EntryText.h"
#include "core/ParseNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <tuple>

namespace {

using enum EntryTextKind;

constexpr std::size_t Whole = std::string::npos; // the number ends with the text

// The text up to the number's end reads the same; no number reads 0; a stand-in is 0 or 2^127.
void ExpectAgreesWithParseNumber(const std::string &text) {
  const EntryTextExtent extent = MeasureEntryText(text);
  const double value = ParseNumber(text), front = ParseNumber(text.substr(0, extent.numberEnd));
  ASSERT_LE(extent.numberEnd, text.size()) << text;
  EXPECT_EQ(std::memcmp(&value, &front, sizeof value), 0) << text;
  EXPECT_EQ(extent.kind == TrailingText, extent.kind != NoNumber && extent.numberEnd < text.size())
      << text;
  EXPECT_TRUE(extent.kind != NoNumber || value == 0) << text;
  EXPECT_TRUE(extent.kind != BeyondRange || value == 0 || std::fabs(value) == 0x1p127) << text;
}

TEST(EntryText, DecimalAndRadixCorners) {
  // Long mantissas: 4933 ones, 0111...1 (4932 significant digits), 0.000...01 (5000 zeros).
  const std::string ones(4933, '1'), leadingZero = std::string(ones).replace(0, 1, "0"),
                                     zeros = std::string(5002, '0').replace(1, 1, ".").append("1");
  // clang-format off
  const std::tuple<std::string, EntryTextKind, std::size_t> cases[] = {
      // Blanks, and texts without a digit.
      {"", NoNumber, 0}, {" \t\r\n", NoNumber, 4}, {" 12", Number, Whole}, {"junk", NoNumber, 0},
      {"-", NoNumber, 1}, {"+", NoNumber, 1}, {".", NoNumber, 1}, {"-.e5", NoNumber, 2},
      {"- 5", NoNumber, 1}, {"--5", NoNumber, 1}, {"-&H10", NoNumber, 1},
      // Decimals, and what follows them.
      {"-0", Number, Whole}, {".5", Number, Whole}, {"5.", Number, Whole}, {"+1.5", Number, Whole},
      {"12 ", TrailingText, 2}, {"4,7", TrailingText, 1}, {"4n7", TrailingText, 1},
      {"1kHz", TrailingText, 1}, {"1.5.2", TrailingText, 3}, {".5.2", TrailingText, 2},
      {"0x1F", TrailingText, 1}, {"1 E5", TrailingText, 1},
      // Each exponent letter; without digits it is left over (a cut-off "2E-9").
      {"1e3", Number, Whole}, {"1E+3", Number, Whole}, {"1D3", Number, Whole},
      {"1d-3", Number, Whole}, {"2E", TrailingText, 1}, {"2E+", TrailingText, 1},
      {"2e-x", TrailingText, 1},
      // The range: ParseNumber stands in with 2^127 from 10^4932 on.
      {"1E4931", Number, Whole}, {"1E4932", BeyondRange, Whole}, {"0.1E4933", BeyondRange, Whole},
      {"0.01E4933", Number, Whole}, {"1E99999", BeyondRange, Whole}, {"1E-99999", Number, Whole},
      {"0E99999", Number, Whole}, {"1E400", Number, Whole}, {"12345678901234567891", Number, Whole},
      {ones, BeyondRange, Whole}, {leadingZero, Number, Whole}, {ones + "E-1", Number, Whole},
      {leadingZero + ".5E1", BeyondRange, Whole}, {zeros, Number, Whole},
      {zeros + "E9999", BeyondRange, Whole}, // 10^4998
      // Radix forms and their type suffixes.
      {"&H1F", Number, Whole}, {"&h1f", Number, Whole}, {"&17", Number, Whole},
      {"&Q17", Number, Whole}, {"&B101", Number, Whole}, {"&", NoNumber, 1}, {"&H", NoNumber, 2},
      {"&HG", NoNumber, 2}, {"&19", TrailingText, 2}, {"&HFFFF&", Number, Whole},
      {"&HFFFFFFFF&&", Number, Whole}, {"&HFFFF%", Number, Whole}, {"&HFFFF?", Number, Whole},
      {"&HFFFF???", Number, Whole}, {"&HFFFF????", TrailingText, 9},
      {"&HFFFF&&&", TrailingText, 8}, {"&HFFFF&x", TrailingText, 7},
      // Beyond 64 bits, or bit 63 with "?", ParseNumber reads 0.
      {"&HFFFFFFFFFFFFFFFF", Number, Whole}, {"&H10000000000000000", BeyondRange, Whole},
      {"&HFFFFFFFFFFFFFFFF?", BeyondRange, Whole}, {"&H7FFFFFFFFFFFFFFF?", Number, Whole}};
  // clang-format on
  for (const auto &[text, kind, end] : cases) {
    const EntryTextExtent extent = MeasureEntryText(text);
    EXPECT_EQ(extent.kind, kind) << "'" << text.substr(0, 40) << "' of " << text.size();
    EXPECT_EQ(extent.numberEnd, end == Whole ? text.size() : end) << text.substr(0, 40);
    ExpectAgreesWithParseNumber(text);
  }
  EXPECT_EQ(MeasureEntryText(std::string_view("12x", 2)).kind, Number); // only the view's bytes
}

TEST(EntryText, RandomTextsAgreeWithParseNumber) {
  static constexpr char Alphabet[] = "0123456789000..++--eEdD&&HhOoBbQq%??, xF";
  std::mt19937 random(16);
  for (int trial = 0; trial < 200000 && !HasFailure(); ++trial) {
    std::string text(random() % 12, ' ');
    for (char &c : text)
      c = Alphabet[random() % (sizeof Alphabet - 1)];
    ExpectAgreesWithParseNumber(text);
  }
}

} // namespace
