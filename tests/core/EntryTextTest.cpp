// Where the number that an entry row reads ends: the corners of the
// decimal and radix forms, and, on the same texts and on random ones, the
// measure agrees with ParseNumber itself.
#include "core/EntryText.h"
#include "core/ParseNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

namespace {

using enum EntryTextKind;

constexpr std::size_t Whole = std::string::npos; // the number ends with the text

const struct {
  const char *text;
  EntryTextKind kind;
  std::size_t end;
} Cases[] = {
    // Blanks, and texts without a digit.
    {"", NoNumber, 0},
    {" \t\r\n", NoNumber, 4},
    {" 12", Number, Whole},
    {"junk", NoNumber, 0},
    {"-", NoNumber, 1},
    {"+", NoNumber, 1},
    {".", NoNumber, 1},
    {"-.e5", NoNumber, 2},
    {"- 5", NoNumber, 1},
    {"--5", NoNumber, 1},
    {"-&H10", NoNumber, 1},
    // Decimals.
    {"-0", Number, Whole},
    {".5", Number, Whole},
    {"5.", Number, Whole},
    {"+1.5", Number, Whole},
    {"12 ", TrailingText, 2},
    {"4,7", TrailingText, 1},
    {"4n7", TrailingText, 1},
    {"1kHz", TrailingText, 1},
    {"1.5.2", TrailingText, 3},
    {"0x1F", TrailingText, 1},
    {"1e3", Number, Whole},
    {"1E+3", Number, Whole},
    {"1D3", Number, Whole},
    {"1d-3", Number, Whole},
    {"1 E5", TrailingText, 1},
    // An exponent letter without digits is left over (a cut-off "2E-9").
    {"2E", TrailingText, 1},
    {"2E+", TrailingText, 1},
    {"2e-x", TrailingText, 1},
    // The range: ParseNumber stands in with 2^127 from 10^4932 on.
    {"1E4931", Number, Whole},
    {"1E4932", BeyondRange, Whole},
    {"0.1E4933", BeyondRange, Whole},
    {"1E99999", BeyondRange, Whole},
    {"1E-99999", Number, Whole},
    {"0E99999", Number, Whole},
    {"1E400", Number, Whole},
    {"12345678901234567891", Number, Whole},
    // Radix forms and their type suffixes.
    {"&H1F", Number, Whole},
    {"&h1f", Number, Whole},
    {"&17", Number, Whole},
    {"&Q17", Number, Whole},
    {"&B101", Number, Whole},
    {"&", NoNumber, 1},
    {"&H", NoNumber, 2},
    {"&HG", NoNumber, 2},
    {"&19", TrailingText, 2},
    {"&HFFFF&", Number, Whole},
    {"&HFFFFFFFF&&", Number, Whole},
    {"&HFFFF%", Number, Whole},
    {"&HFFFF?", Number, Whole},
    {"&HFFFF???", Number, Whole},
    {"&HFFFF????", TrailingText, 9},
    {"&HFFFF&&&", TrailingText, 8},
    {"&HFFFF&x", TrailingText, 7},
    // Beyond 64 bits, or bit 63 with "?", ParseNumber reads 0.
    {"&HFFFFFFFFFFFFFFFF", Number, Whole},
    {"&H10000000000000000", BeyondRange, Whole},
    {"&HFFFFFFFFFFFFFFFF?", BeyondRange, Whole},
    {"&H7FFFFFFFFFFFFFFF?", Number, Whole},
};

bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// What the measure claims of `text`, checked against ParseNumber: the
// number's end leaves the value as it is, text without a number reads as a
// zero, and a stand-in is 0 or 2^127.
void ExpectAgreesWithParseNumber(const std::string &text) {
  const EntryTextExtent extent = MeasureEntryText(text);
  const double value = ParseNumber(text);
  ASSERT_LE(extent.numberEnd, text.size()) << text;
  EXPECT_TRUE(SameBits(value, ParseNumber(text.substr(0, extent.numberEnd)))) << text;
  if (extent.kind != NoNumber) {
    EXPECT_EQ(extent.kind == TrailingText, extent.numberEnd < text.size()) << text;
  }
  if (extent.kind == NoNumber) {
    EXPECT_EQ(value, 0) << text;
  } else if (extent.kind == BeyondRange) {
    EXPECT_TRUE(value == 0 || std::fabs(value) == 0x1p127) << text;
  }
}

TEST(EntryText, DecimalAndRadixCorners) {
  for (const auto &c : Cases) {
    const EntryTextExtent extent = MeasureEntryText(c.text);
    EXPECT_EQ(extent.kind, c.kind) << "'" << c.text << "'";
    EXPECT_EQ(extent.numberEnd, c.end == Whole ? std::strlen(c.text) : c.end) << c.text;
    ExpectAgreesWithParseNumber(c.text);
  }
  // Long mantissas reach the range without an exponent, or stay short of
  // it. (Built by appending: mingw's -Wrestrict misreads "0." + text.)
  const std::string ones(4933, '1');
  std::string zeros(5002, '0'), leadingZero(4933, '1');
  zeros[1] = '.';
  zeros += '1';         // 0.000...01, 5000 zeros after the point
  leadingZero[0] = '0'; // 0111...1: 4932 significant digits
  EXPECT_EQ(MeasureEntryText(ones).kind, BeyondRange);
  EXPECT_EQ(MeasureEntryText(leadingZero).kind, Number);
  EXPECT_EQ(MeasureEntryText(leadingZero + ".5E1").kind, BeyondRange);
  EXPECT_EQ(MeasureEntryText(zeros).kind, Number);
  EXPECT_EQ(MeasureEntryText(zeros + "E9999").kind, BeyondRange); // 10^4998
  for (const std::string &text : {ones, leadingZero, zeros, zeros + "E9999", ones + "E-1"})
    ExpectAgreesWithParseNumber(text);
  // Only the view's bytes are read.
  EXPECT_EQ(MeasureEntryText(std::string_view("12x", 2)).kind, Number);
}

TEST(EntryText, RandomTextsAgreeWithParseNumber) {
  static constexpr char Alphabet[] = "0123456789000..++--eEdD&&HhOoBbQq%??, xF";
  std::mt19937 random(16);
  for (int trial = 0; trial < 200000; ++trial) {
    std::string text(random() % 12, ' ');
    for (char &c : text)
      c = Alphabet[random() % (sizeof Alphabet - 1)];
    ExpectAgreesWithParseNumber(text);
    if (HasFailure())
      return;
  }
}

} // namespace
