#include "ExactArithmetic.h"

#include "core/ParseNumber.h"
#include "core/PowersOfTen.h"
#include "core/PowersOfTenTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <utility>

namespace {

const double Inf = HUGE_VAL;

// Parses from a heap buffer of exactly the text's length, with no terminator
// (so that a read past the length shows up under the address sanitizer), and
// compares bit for bit, so that -0 and +0 differ.
bool Check(const std::string &text, double expected) {
  const std::vector<char> buffer(text.begin(), text.end());
  const double got = ParseNumber(buffer.data(), buffer.size());
  const bool same = std::memcmp(&got, &expected, sizeof got) == 0;
  EXPECT_TRUE(same) << '"' << text << "\" gave " << std::hexfloat << got << ", expected " << expected;
  return same;
}

void CheckAll(const std::vector<std::pair<std::string, double>> &cases) {
  for (const auto &[text, expected] : cases)
    Check(text, expected);
}

} // namespace

TEST(ParseNumberDecimal, BlanksSignsAndWhatEndsTheNumber) {
  CheckAll({
      {"", 0.0}, {"   ", 0.0}, {" 12 ", 12.0}, {"\t\r\n7", 7.0},
      {"\v7", 0.0}, {"\f7", 0.0}, // only space, tab, CR and LF are blanks
      {"1,5", 1.0}, {"1 000", 1.0}, {"12abc", 12.0}, {"1.5.2", 1.5}, {"0x1F", 0.0}, {"1.5E3.7", 1500.0},
      {".5", 0.5}, {"5.", 5.0}, {"007", 7.0}, {"0.000", 0.0}, {".", 0.0},
      {"1\xB5", 1.0}, {"\xA0" "5", 0.0}, {"1E\xB9", 1.0}, {std::string("12\0" "34", 5), 12.0},
      // Signs.
      {"-", -0.0}, {"-0", -0.0}, {"- 5", -0.0}, {"--5", -0.0}, {"-.", -0.0}, {"-\xFF", -0.0},
      {"-0.0e5", -0.0}, {"-&H10", -0.0}, // no sign before "&"
      {"+", 0.0}, {"+5", 5.0}, {"+-5", 0.0}, {"-.5", -0.5},
  });
  // Only the first `length` bytes are read.
  EXPECT_EQ(ParseNumber("12345", 3), 123.0);
  EXPECT_EQ(ParseNumber(nullptr, 0), 0.0);
}

TEST(ParseNumberDecimal, ExponentsDigitsAndRounding) {
  CheckAll({
      {"1e3", 1000.0}, {"1E+3", 1000.0}, {"1D3", 1000.0}, {"1d3", 1000.0}, {"2.5E-3", 0.0025},
      {"1 E5", 1.0}, {"E5", 0.0}, {"2E", 2.0}, {"2E+", 2.0}, {"1e+-3", 1.0}, {"0e999999", 0.0},
      {"1E00000000000000000000000000000000003", 1000.0}, // leading zeros do not saturate
      {"1E400", Inf}, {"1E-400", 0.0}, {"4.9406564584124654E-324", 0x1p-1074},
      {"1.7976931348623157E308", 0x1.fffffffffffffp+1023}, {"1.7976931348623159E308", Inf},
      // From 4933 in the decimal position on, a fixed 2^127, although a
      // slightly smaller text overflows to infinity.
      {"1E4932", 0x1p127}, {"9.99E4931", Inf}, {"-1E5000", -0x1p127}, {"1E99999", 0x1p127},
      {"1E-4932", 0.0}, {"-1E-5000", -0.0}, {"1E-99999999999999999999", 0.0},
      // Digits past the 18th are dropped, not rounded.
      {"12345678901234567891", 0x1.56a95319d63e1p+63},
      {"9007199254740993.0001", 0x1p53}, // 2^53 + 1 after truncation, ties to even
      {"0.000000000000000000000000000001234567890123456789", 0x1.90a3e33c69ac3p-100},
      // Rounded to 64 bits, then to double: beside a halfway point between
      // doubles, where one correct rounding gives the other neighbour.
      {"1.87577391565668820E25", 0x1.f08362789d05ap+83}, {"7.63594345073120274E21", 0x1.9df200bf7a4bep+72},
  });
}

// Texts of millions of characters: counters must not wrap, the exponent
// saturates at 9999 while it is read, and the parse stays linear.
TEST(ParseNumberDecimal, MillionsOfCharacters) {
  const std::string many9(3000000, '9'), manyZeros(4000000, '0');
  CheckAll({
      {"3.14159265358979323" + many9, 0x1.921fb54442d18p+1}, {many9, 0x1p127}, {"1E" + many9, 0x1p127},
      {"-0." + manyZeros + "1", -0.0}, {manyZeros + "1.5", 1.5},
      {"1" + manyZeros + "E-3999990", 0x1p127}, // the exponent counts as -9999 only
      {std::string("0.").append(9990, '0').append("15E99999"), 1.5e8},
  });
}

TEST(ParseNumberRadix, DigitsSizeAndSuffix) {
  CheckAll({
      {"&H1F", 31.0}, {"&h1f", 31.0}, {"&B101", 5.0}, {"&b101", 5.0}, {"&O17", 15.0}, {"&Q17", 15.0},
      {"&q7", 7.0}, {"&17", 15.0}, {"  &H10", 16.0}, {"&19", 1.0}, {"&H1\xC1", 1.0},
      {"&", 0.0}, {"&H", 0.0}, {"&HG", 0.0}, {"& H1", 0.0}, {"&8", 0.0}, {"&B2", 0.0},
      // The sign follows from the leading digit, the suffix and the size.
      {"&HFFFF", -1.0}, {"&H8000", -32768.0}, {"&H7FFF", 32767.0}, {"&HFFFF%", -1.0},
      {"&H0FFFF", 65535.0}, {"&HFFFF&", 65535.0}, {"&HFFFF???", 65535.0}, {"&HFFFF&&", 65535.0},
      {"&H10000", 65536.0}, {"&H80000000", -0x1p31}, {"&HFFFFFFFF&", -1.0}, {"&HFFFFFFFF&&", 0x1p32 - 1},
      {"&H0FFFFFFFF", 0x1p32 - 1}, {"&H100000000", 0x1p32}, {"&HFFFFFFFFFFFFFFFF&&", -1.0},
      {"&H0FFFFFFFFFFFFFFFF", -1.0}, {"&H7FFFFFFFFFFFFFFF?", 0x1p63},
      {"&H8000000000000000?", 0.0}, {"&H08000000000000000?", 0.0}, // "?" wins over a leading zero
      // A bit pushed out of 64 gives zero; leading zeros never do.
      {"&H1FFFFFFFFFFFFFFFF", 0.0}, {"&H00000000000000000000001", 1.0},
      {"&B" + std::string(64, '1'), -1.0}, {"&B" + std::string(65, '1'), 0.0},
      {"&O1777777777777777777777", -1.0}, {"&O2000000000000000000000", 0.0},
  });
}

// Seeded random texts against exact integer arithmetic, rounded to 64 bits
// at each step where the program rounds, then to double.
TEST(ParseNumberDecimal, RandomTextsMatchExactArithmetic) {
  std::mt19937_64 random(20240611);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random); };
  for (int trial = 0; trial < 20000; ++trial) {
    const int count = pick(1, 24); // significant digits, the first one non-zero
    std::string digits(1, char('1' + pick(0, 8)));
    while (int(digits.size()) < count)
      digits += char('0' + pick(0, 9));
    // The point after `point` digits, after leading zeros if negative, or left out.
    const int point = pick(-40, count + 1), exponent = pick(-360, 330);
    const std::size_t at = std::size_t(std::clamp(point, 0, count));
    std::string text = pick(0, 1) ? "-" : "";
    if (point < 0)
      text.append("0.").append(std::size_t(-point), '0').append(digits);
    else
      text.append(digits, 0, at).append(point > count ? "" : ".").append(digits, at);
    text.append(pick(0, 1) ? "E" : "d").append(std::to_string(exponent));

    const int kept = std::min(count, 18), scale = std::min(point, count) + exponent - kept;
    const std::uint64_t m = std::stoull(digits.substr(0, std::size_t(kept)));
    const Binary power = ExtendedPowerOfTen(std::abs(scale));
    const Binary exact = scale >= 0 ? ExtendedProduct({m, 0}, power)
                                    : RoundQuotient(MakeBig(m), MakeBig(power.significand), -power.exponent);
    const double expected = text[0] == '-' ? -ToDouble(exact) : ToDouble(exact);
    ASSERT_TRUE(Check(text, expected));
  }
}

// Each constant must be the exact power rounded to the nearest value with a
// 64-bit significand; a mismatch prints the corrected constant.
TEST(PowersOfTenTable, EveryEntryIsTheNearestExtendedValue) {
  for (int i = 0; i < PowersOfTenTableSize; ++i) {
    const long double nearest = ToLongDouble(ExtendedPowerOfTen(8 << i));
    EXPECT_EQ(PowersOfTenTable[i], nearest) << "10^" << (8 << i) << " should be " << std::hexfloat << nearest;
  }
}

// Exact while the power fits 64 bits (up to 10^27); beyond, every product
// rounds and the result must be that of the documented order, bit for bit.
TEST(PowerOfTen, FollowsTheMultiplicationOrderBitForBit) {
  std::vector<int> powers{31, 40, 100, 255, 308, 325, 343, 1000, 2047, 4095, 4096, 4097, 4500, 4932};
  for (int n = 0; n <= 28; ++n)
    powers.push_back(n);
  for (int n : powers)
    EXPECT_EQ(PowerOfTen(n), ToLongDouble(ExtendedPowerOfTen(n))) << "10^" << n;
  // Past the extended range, including exponents the table cannot spell.
  for (int n : {4933, 8192, 12287, 12288, 100000, 2147483647})
    EXPECT_TRUE(std::isinf(PowerOfTen(n))) << "10^" << n;
}
