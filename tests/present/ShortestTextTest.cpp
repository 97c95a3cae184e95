// The shortest spelling of a double: worked examples, then std::to_chars as
// the oracle over seeded random bit patterns and the values where the digits
// or the layout are hardest to get right (powers of two and ten and their
// neighbours, the fixed/scientific flips, subnormals, the ends of the range,
// integers, 17-digit values), and the eight-digit groups and the 64x64-bit
// product it is built on.
#include "ShortestTextOracle.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

constexpr std::uint64_t FractionMask = (std::uint64_t{1} << 52) - 1;

// Every double from `steps` below to `steps` above `value` (same sign), for
// both signs of `value`.
void CompareBothSigns(OracleTally &tally, double value, int steps) {
  for (const std::uint64_t bits : {BitsOf(value), BitsOf(-value)})
    for (int i = -steps; i <= steps; ++i) {
      const std::uint64_t b = bits + static_cast<std::uint64_t>(static_cast<std::int64_t>(i));
      if ((b >> 63) == (bits >> 63))
        CompareWithToChars(tally, FromBits(b));
    }
}

// The double nearest to the decimal text (only its neighbourhood matters).
double Parse(const std::string &text) { return std::strtod(text.c_str(), nullptr); }

// A random decimal significand of exactly `digits` digits.
std::string RandomDigits(std::mt19937_64 &random, int digits) {
  std::string text(1, static_cast<char>('1' + random() % 9));
  for (int i = 1; i < digits; ++i)
    text += static_cast<char>('0' + random() % 10);
  return text;
}

// Fixed and scientific layouts and where they trade places, both exponent
// widths, "-0", exact integers past 2^53, a last-digit tie to even, and the
// shortest digits of the narrower interval just above a power of two.
TEST(ShortestText, WorkedExamples) {
  // clang-format off
  const std::pair<double, const char *> cases[] = {
      {-0.0, "-0"}, {-2.5, "-2.5"}, {10000.0, "10000"}, {100000.0, "1e+05"}, {123456.0, "123456"},
      {1e22, "1e+22"}, {0.001, "0.001"}, {0.0001, "1e-04"}, {0.00012, "0.00012"},
      {1.5e-5, "1.5e-05"}, {0.1 + 0.2, "0.30000000000000004"}, {1e100, "1e+100"},
      {123456789012345680000.0, "123456789012345683968"},
      {1316436775194682.25, "1316436775194682.2"}, {1316436775194682.75, "1316436775194682.8"},
      {5e-324, "5e-324"}, {0x1p-1022, "2.2250738585072014e-308"},
      {DBL_MAX, "1.7976931348623157e+308"},
  };
  // clang-format on
  for (const auto &[value, text] : cases) {
    EXPECT_EQ(ShortestTextOf(value), text);
    EXPECT_EQ(ToCharsText(value), text) << "the oracle itself";
  }
}

// The digits and exponent the text spells (and the companion's bounds are
// built from), without trailing zeros; the oracle groups below show them
// right wherever the text is.
TEST(ShortestText, DigitsAndExponent) {
  const struct {
    double value;
    std::uint64_t significand;
    int exponent;
  } cases[] = {{-0.0, 0, 0},
               {1000.0, 1, 3},
               {-0.5, 5, -1},
               {5e-324, 5, -324},
               {0x1p70, 11805916207174113, 5},
               {159.15494309189535, 15915494309189535, -14}};

  for (const auto &c : cases) {
    const ShortestDecimal d = ShortestDigits(c.value);
    EXPECT_TRUE(d.significand == c.significand && d.exponent == c.exponent) << c.value;
  }
}

TEST(ShortestText, RandomBitPatterns) {
  OracleTally tally;
  std::mt19937_64 random(20240611);
  const int count = 3000000;
  for (int i = 0; i < count; ++i)
    CompareWithToChars(tally, FromBits(random()));
  // Only the 1/2048 of patterns that are infinities or NaNs are left out.
  ExpectAllAgreed(tally, count - count / 1000);
}

// Every binary exponent, where the power of ten used for scaling changes,
// and every decimal one, where the digit count does.
TEST(ShortestText, PowersOfTwoAndTenAndTheirNeighbours) {
  OracleTally tally;
  for (int e = -1074; e <= 1023; ++e)
    CompareBothSigns(tally, std::ldexp(1.0, e), 4);
  for (int e = -323; e <= 308; ++e)
    CompareBothSigns(tally, Parse("1e" + std::to_string(e)), 8);
  // The biggest significand at every exponent: just below a power of two.
  for (std::uint64_t biased = 1; biased < 2047; ++biased)
    CompareWithToChars(tally, FromBits(biased << 52 | FractionMask));
  ExpectAllAgreed(tally, 2098 * 2 * 9 + 632 * 2 * 17);
}

// Decimals of every length from 1 to 17 digits placed at every decimal
// position where fixed and scientific trade places (1e-5 and below, 1e15
// to 1e22 and above), and their neighbours.
TEST(ShortestText, FixedAndScientificFlips) {
  OracleTally tally;
  std::mt19937_64 random(99);
  for (int digits = 1; digits <= 17; ++digits)
    for (int exponent = -30; exponent <= 30; ++exponent)
      for (int i = 0; i < 20; ++i) {
        const std::string significand = RandomDigits(random, digits);
        const int scale = exponent - (digits - 1);
        CompareBothSigns(tally, Parse(significand + "e" + std::to_string(scale)), 2);
        // A significand of all nines rounds into the next decade.
        CompareBothSigns(
            tally,
            Parse(std::string(static_cast<std::size_t>(digits), '9') + "e" + std::to_string(scale)),
            2);
      }
  ExpectAllAgreed(tally, 17 * 61 * 20 * 2 * 2 * 4);
}

// Subnormals (the lowest and highest 200,000 and random ones), around the
// smallest normal, where the spacing stops shrinking, and the largest values.
TEST(ShortestText, EndsOfTheRange) {
  OracleTally tally;
  for (std::uint64_t f = 1; f <= 200000; ++f) {
    CompareWithToChars(tally, FromBits(f));
    CompareWithToChars(tally, FromBits(FractionMask + 1 - f));
    CompareBothSigns(tally, FromBits(BitsOf(DBL_MAX) - f + 1), 0);
  }
  std::mt19937_64 random(5);
  for (int i = 0; i < 300000; ++i)
    CompareWithToChars(tally, FromBits(random() & (FractionMask | std::uint64_t{1} << 63)));
  CompareBothSigns(tally, DBL_MIN, 64);
  CompareBothSigns(tally, std::numeric_limits<double>::denorm_min(), 8);
  ExpectAllAgreed(tally, 800000 + 300000 + 2 * 129);
}

// Integers of every size below 2^53 (written exactly), around 2^53, and
// those above it that fixed notation writes out in full (the 17-digit
// decimals there are FixedAndScientificFlips').
TEST(ShortestText, Integers) {
  OracleTally tally;
  for (int i = 0; i <= 200000; ++i)
    CompareWithToChars(tally, i);
  std::mt19937_64 random(53);
  for (int bits = 1; bits <= 53; ++bits)
    for (int i = 0; i < 5000; ++i) {
      const std::uint64_t top = std::uint64_t{1} << (bits - 1);
      CompareWithToChars(tally, static_cast<double>(top | (random() & (top - 1))));
    }
  for (int i = -2000; i <= 2000; ++i)
    CompareWithToChars(tally, 9007199254740992.0 + 2.0 * i);
  for (int shift = 1; shift <= 22; ++shift)
    for (int i = 0; i < 5000; ++i) {
      const std::uint64_t c = (std::uint64_t{1} << 52) | (random() & FractionMask);
      CompareBothSigns(tally, std::ldexp(static_cast<double>(c), shift), 0);
    }
  ExpectAllAgreed(tally, 200001 + 53 * 5000 + 4001 + 22 * 5000 * 2);
}

// Every eight-digit group, against a decimal counter stepped alongside.
TEST(ShortestText, EveryEightDigitGroup) {
  char counter[8] = {'0', '0', '0', '0', '0', '0', '0', '0'};
  char text[8];
  for (std::uint32_t x = 0; x < 100000000; ++x) {
    if (WriteEightDigits(text, x) != text + 8 || std::memcmp(text, counter, 8) != 0)
      FAIL() << x << " gave " << std::string(text, 8);
    for (int i = 7; i >= 0 && ++counter[i] > '9'; --i)
      counter[i] = '0';
  }
  EXPECT_EQ(std::string(counter, 8), "00000000") << "the counter wrapped round";
}

// The product from 32-bit halves, against the compiler's 128-bit product
// where it has one, and at the carries' worst cases everywhere.
TEST(ShortestText, MultiplyBy32BitHalves) {
  // The carries' worst cases: all ones squared, carries out of both halves, zero.
  const std::uint64_t ones = ~std::uint64_t{0},
                      cases[][4] = {{ones, ones, ones - 1, 1},
                                    {0xFFFFFFFF00000001, 0x00000001FFFFFFFF, 0x00000001FFFFFFFD,
                                     0x00000002FFFFFFFF},
                                    {ones, 0, 0, 0}};
  for (const auto &c : cases) {
    const Product128 p = MultiplyBy32BitHalves(c[0], c[1]);
    EXPECT_TRUE(p.high == c[2] && p.low == c[3]) << c[0] << " " << c[1];
  }
#if defined(__SIZEOF_INT128__)
  std::mt19937_64 random(128);
  for (int i = 0; i < 1000000; ++i) {
    // Random widths so that short operands and sparse bits come up too.
    const std::uint64_t a = random() >> (random() % 64);
    const std::uint64_t b = random() >> (random() % 64);
    const unsigned __int128 expected = static_cast<unsigned __int128>(a) * b;
    const Product128 p = MultiplyBy32BitHalves(a, b);
    ASSERT_EQ(p.high, static_cast<std::uint64_t>(expected >> 64)) << a << " " << b;
    ASSERT_EQ(p.low, static_cast<std::uint64_t>(expected)) << a << " " << b;
  }
#endif
}

} // namespace
