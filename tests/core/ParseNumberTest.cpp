#include "ExactArithmetic.h"

#include "core/ParseNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Bit-for-bit equality, so that -0 and +0 differ.
bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Parses from a heap buffer of exactly the text's length, with no terminator,
// so that a read past the length shows up under the address sanitizer.
double ParseExact(const std::string &text) {
  std::vector<char> buffer(text.begin(), text.end());
  return ParseNumber(buffer.data(), buffer.size());
}

struct Case {
  std::string text;
  double expected;
};

void CheckAll(const std::vector<Case> &cases) {
  for (const Case &c : cases) {
    const double got = ParseExact(c.text);
    EXPECT_TRUE(Same(got, c.expected)) << "text \"" << c.text << "\" gave " << got << " ("
                                       << std::hexfloat << got << "), expected " << c.expected;
  }
}

const double Inf = HUGE_VAL;

} // namespace

TEST(ParseNumberDecimal, BlanksSeparatorsAndTrailingText) {
  CheckAll({
      {"", 0.0},
      {"   ", 0.0},
      {" 12 ", 12.0},
      {"\t\r\n7", 7.0},
      {"\v7", 0.0},
      {"\f7", 0.0}, // only space, tab, CR and LF are blanks
      {"1,5", 1.0},
      {"1 000", 1.0},
      {"12abc", 12.0},
      {"1.5.2", 1.5},
      {".5", 0.5},
      {"5.", 5.0},
      {"007", 7.0},
      {"0.000", 0.0},
      {".", 0.0},
      {"0x1F", 0.0},
      {"1e3abc", 1000.0},
      {"1.5E3.7", 1500.0},
  });
}

TEST(ParseNumberDecimal, Signs) {
  CheckAll({
      {"-", -0.0},
      {"-0", -0.0},
      {"- 5", -0.0},
      {"+", 0.0},
      {"+5", 5.0},
      {"--5", -0.0},
      {"-.5", -0.5},
      {"-.", -0.0},
      {"-0.0e5", -0.0},
      {"-&H10", -0.0}, // no sign before "&"
      {"+-5", 0.0},
  });
}

TEST(ParseNumberDecimal, Exponents) {
  CheckAll({
      {"1e3", 1000.0},
      {"1E+3", 1000.0},
      {"1D3", 1000.0},
      {"1d3", 1000.0},
      {"2.5E-3", 0.0025},
      {"1 E5", 1.0},
      {"E5", 0.0},
      {"2E", 2.0},
      {"2E+", 2.0},
      {"2e-", 2.0},
      {"1e+-3", 1.0},
      {"0e999999", 0.0},
      {"1E00000000000000000000000000000000003", 1000.0}, // leading zeros do not saturate
      {"1E400", Inf},
      {"1E-400", 0.0},
      {"1E-324", 0.0},
      {"4.9406564584124654E-324", 0x1p-1074},
      {"1.7976931348623157E308", 0x1.fffffffffffffp+1023},
      {"1.7976931348623159E308", Inf},
      // Beyond 4932 in the decimal position: a fixed 2^127, even though a
      // slightly smaller text overflows to infinity.
      {"1E4932", 0x1p127},
      {"9.99E4931", Inf},
      {"1E4931", Inf},
      {"1E5000", 0x1p127},
      {"1E99999", 0x1p127},
      {"-1E5000", -0x1p127},
      {"1E10000", 0x1p127},
      {"1E-4932", 0.0},
      {"1E-5000", 0.0},
      {"-1E-5000", -0.0},
      {"1E-99999999999999999999", 0.0},
  });
}

// Digits past the 18th are counted for the scale but dropped, not rounded.
TEST(ParseNumberDecimal, LongMantissas) {
  CheckAll({
      {"12345678901234567891", 0x1.56a95319d63e1p+63},
      {"9007199254740993.0001", 0x1p53}, // 2^53 + 1 exactly after truncation, ties to even
      {"3.14159265358979323846264338327950288", 0x1.921fb54442d18p+1},
      {"0.000000000000000000000000000001234567890123456789", 0x1.90a3e33c69ac3p-100},
  });
}

// The value is rounded to 64 bits first, then to double; these texts lie just
// beside a halfway point between doubles, so a single correct rounding gives
// the other neighbour.
TEST(ParseNumberDecimal, RoundsTwice) {
  CheckAll({
      {"1.87577391565668820E25", 0x1.f08362789d05ap+83},
      {"7.63594345073120274E21", 0x1.9df200bf7a4bep+72},
      {"1.97126160335711689E10", 0x1.25bda998648e0p+34},
      {"6.57351494055522522E11", 0x1.321a67934f0b8p+39},
  });
}

TEST(ParseNumberDecimal, AnyByteEndsTheNumber) {
  CheckAll({
      {"1\xB5", 1.0},
      {"\xA0"
       "5",
       0.0},
      {"\xB2", 0.0},
      {"-\xFF", -0.0},
      {"1E\xB9", 1.0},
      {"\x80"
       "1",
       0.0},
      {"9\x80", 9.0},
      {std::string("12\0"
                   "34",
                   5),
       12.0},
      {std::string("\0"
                   "5",
                   2),
       0.0},
      {std::string(" \0"
                   "5",
                   3),
       0.0},
  });
  // Only the first `length` bytes are read.
  EXPECT_EQ(ParseNumber("12345", 3), 123.0);
  EXPECT_EQ(ParseNumber(nullptr, 0), 0.0);
}

TEST(ParseNumberRadix, DigitsAndRadixLetters) {
  CheckAll({
      {"&H1F", 31.0},
      {"&h1f", 31.0},
      {"&17", 15.0},
      {"&B101", 5.0},
      {"&b101", 5.0},
      {"&O17", 15.0},
      {"&Q17", 15.0},
      {"&q7", 7.0},
      {"  &H10", 16.0},
      {"&", 0.0},
      {"&H", 0.0},
      {"&HG", 0.0},
      {"&19", 1.0},
      {"&8", 0.0},
      {"&B2", 0.0},
      {"&H\xC1", 0.0},
      {"&H1\xC1", 1.0},
      {"& H1", 0.0},
  });
}

TEST(ParseNumberRadix, SignBySizeAndSuffix) {
  CheckAll({
      {"&HFFFF", -1.0},
      {"&H8000", -32768.0},
      {"&H7FFF", 32767.0},
      {"&HFFFF%", -1.0},
      {"&H0FFFF", 65535.0},
      {"&HFFFF&", 65535.0},
      {"&HFFFF?", 65535.0},
      {"&HFFFF???", 65535.0},
      {"&HFFFF&&", 65535.0},
      {"&H10000", 65536.0},
      {"&H80000000", -2147483648.0},
      {"&HFFFFFFFF", -1.0},
      {"&HFFFFFFFF&", -1.0},
      {"&HFFFFFFFF&&", 4294967295.0},
      {"&H0FFFFFFFF", 4294967295.0},
      {"&H100000000", 4294967296.0},
      {"&HFFFFFFFFFFFFFFFF", -1.0},
      {"&H0FFFFFFFFFFFFFFFF", -1.0},
      {"&H8000000000000000?", 0.0},
      {"&H08000000000000000?", 0.0},
      {"&H7FFFFFFFFFFFFFFF?", 0x1p63},
      {"&HFFFFFFFFFFFFFFFF&&", -1.0},
  });
}

TEST(ParseNumberRadix, SixtyFourBitOverflowGivesZero) {
  CheckAll({
      {"&H1FFFFFFFFFFFFFFFF", 0.0},
      {"&H00000000000000000000001", 1.0}, // leading zeros never overflow
      {std::string("&B").append(64, '1'), -1.0},
      {std::string("&B").append(65, '1'), 0.0},
      {"&O1777777777777777777777", -1.0},
      {"&O2000000000000000000000", 0.0},
  });
}

// Texts of millions of characters: the counters must not wrap, the exponent
// saturates at 9999, and the parse stays linear.
TEST(ParseNumberDecimal, MillionsOfCharacters) {
  const std::string many9(3000000, '9');
  const std::string manyZeros(4000000, '0');
  CheckAll({
      {"3.14159265358979323" + many9, 0x1.921fb54442d18p+1},
      {many9, 0x1p127},
      {"-" + many9 + ".5", -0x1p127},
      {"0." + manyZeros + "1", 0.0},
      {"-0." + manyZeros + "1", -0.0},
      {manyZeros + "1.5", 1.5},
      {"0." + manyZeros, 0.0},
      {"1" + manyZeros + "E-3999990", 0x1p127}, // the exponent counts as -9999 only
      {std::string("0.").append(9990, '0').append("15E99999"), 1.5e8},
      {"1E" + many9, 0x1p127},
  });
}

// Random texts against an exact oracle: the mantissa and scale come from how
// the text was built, and the value is formed with exact integers, rounded to
// 64 bits at each step the program rounds, then to double.
TEST(ParseNumberDecimal, RandomTextsMatchExactArithmetic) {
  std::mt19937_64 random(20240611);
  const auto pick = [&](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(random);
  };
  for (int trial = 0; trial < 20000; ++trial) {
    // Significant digits, the first one non-zero.
    const int count = pick(1, 24);
    std::string digits(1, char('1' + pick(0, 8)));
    for (int i = 1; i < count; ++i)
      digits += char('0' + pick(0, 9));
    // Place the point inside, before (with leading zeros) or leave it out.
    std::string text = pick(0, 1) ? "-" : "";
    long long position = count;
    switch (pick(0, 2)) {
    case 0:
      text += digits;
      break;
    case 1: {
      const int before = pick(0, count);
      text += digits.substr(0, std::size_t(before)) + "." + digits.substr(std::size_t(before));
      position = before;
      break;
    }
    default: {
      const int zeros = pick(0, 40);
      text.append("0.").append(std::size_t(zeros), '0').append(digits);
      position = -zeros;
    }
    }
    const int exponent = pick(-360, 330);
    text.append(pick(0, 1) ? "E" : "d").append(std::to_string(exponent));

    const int kept = count < 18 ? count : 18;
    const std::uint64_t m = std::stoull(digits.substr(0, std::size_t(kept)));
    const int scale = int(position + exponent - kept);
    const Binary mantissa{m, 0};
    Binary extended = mantissa;
    if (scale > 0)
      extended = ExtendedProduct(mantissa, ExtendedPowerOfTen(scale));
    else if (scale < 0)
      extended = ExtendedQuotient(mantissa, ExtendedPowerOfTen(-scale));
    double expected = RoundToDouble(extended);
    if (text[0] == '-')
      expected = -expected;
    const double got = ParseExact(text);
    ASSERT_TRUE(Same(got, expected))
        << "text " << text << " gave " << std::hexfloat << got << ", expected " << expected;

    // The result also stays within one double step of the correctly rounded
    // truncated value.
    const BigUint exactM = BigUint::From(m);
    const Binary correct =
        scale >= 0
            ? RoundQuotient(Mul(exactM, ExactPowerOfTen(scale)), BigUint::From(1), 0, 53, -1074)
            : RoundQuotient(exactM, ExactPowerOfTen(-scale), 0, 53, -1074);
    const double nearest = std::copysign(RoundToDouble(correct), expected);
    ASSERT_TRUE(got == nearest || std::nextafter(got, -Inf) == nearest ||
                std::nextafter(got, Inf) == nearest)
        << "text " << text;
  }
}
