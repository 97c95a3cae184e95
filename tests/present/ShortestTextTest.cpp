// The shortest spelling of a double: worked examples, then std::to_chars as the
// oracle over seeded random bit patterns and the values where the digits or the
// layout are hardest; the eight-digit groups and the 64x64-bit product. Built with
// CALVORA_SHORTEST_LONG the same groups make the long comparison: 1.5 billion
// random patterns (CALVORA_SHORTEST_LONG_COUNT), 2^16 significands at either edge
// of every binade, the lowest and highest 2^24 subnormals.
#include "present/ShortestText.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <tuple>

namespace {

#ifdef CALVORA_SHORTEST_LONG
const char *const LongCount = std::getenv("CALVORA_SHORTEST_LONG_COUNT");
const std::uint64_t RandomCount = LongCount ? std::strtoull(LongCount, nullptr, 10) : 1500000000,
                    BinadeEdge = 1 << 16, EndCount = 1 << 24;
#else
const std::uint64_t RandomCount = 3000000, BinadeEdge = 64, EndCount = 200000;
#endif

constexpr std::uint64_t FractionMask = (std::uint64_t{1} << 52) - 1;

double FromBits(std::uint64_t bits) { return std::bit_cast<double>(bits); }

std::uint64_t BitsOf(double value) { return std::bit_cast<std::uint64_t>(value); }

// Compares finite values with to_chars, counting them and reporting the first
// few disagreements with the bit pattern; at the end every check must have run.
struct OracleTally {
  std::uint64_t atLeast, checked = 0, disagreements = 0;

  void operator()(double value) {
    if (!std::isfinite(value))
      return;
    ++checked;
    char expected[64], actual[ShortestTextMax + 8];
    const std::string_view e(expected, std::to_chars(expected, expected + 64, value).ptr),
        a(actual, WriteShortestText(actual, value));
    if (e != a && ++disagreements <= 20)
      ADD_FAILURE() << "bits 0x" << std::hex << BitsOf(value) << ": to_chars \"" << e
                    << "\", ours \"" << a << "\"";
  }

  // Every double from `steps` below to `steps` above `value` (same sign), both signs.
  void BothSigns(double value, int steps) {
    for (const std::uint64_t bits : {BitsOf(value), BitsOf(-value)})
      for (int i = -steps; i <= steps; ++i) {
        const std::uint64_t b = bits + static_cast<std::uint64_t>(static_cast<std::int64_t>(i));
        if ((b >> 63) == (bits >> 63))
          (*this)(FromBits(b));
      }
  }

  ~OracleTally() {
    EXPECT_EQ(disagreements, 0u);
    EXPECT_GE(checked, atLeast);
  }
};

// The double nearest to the decimal text (only its neighbourhood matters).
double Parse(const std::string &text) { return std::strtod(text.c_str(), nullptr); }

// Fixed and scientific layouts and where they trade places, both exponent widths, "-0", exact
// integers past 2^53, a last-digit tie to even, the narrower interval above a power of two.
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
    char buffer[ShortestTextMax + 8];
    EXPECT_EQ(std::string(buffer, WriteShortestText(buffer, value)), text);
  }
}

// The digits and exponent the text spells (the companion's bounds too), no trailing zeros.
TEST(ShortestText, DigitsAndExponent) {
  // clang-format off
  const std::tuple<double, std::uint64_t, int> cases[] = {
      {-0.0, 0, 0}, {1000.0, 1, 3}, {-0.5, 5, -1}, {5e-324, 5, -324},
      {0x1p70, 11805916207174113, 5}, {159.15494309189535, 15915494309189535, -14}};
  // clang-format on
  for (const auto &[value, significand, exponent] : cases) {
    const ShortestDecimal d = ShortestDigits(value);
    EXPECT_TRUE(d.significand == significand && d.exponent == exponent) << value;
  }
}

TEST(ShortestText, RandomBitPatterns) {
  // Only the 1/2048 of patterns that are infinities or NaNs are left out.
  OracleTally tally{RandomCount - RandomCount / 1000};
  std::mt19937_64 random(20240611);
  for (std::uint64_t i = 0; i < RandomCount; ++i)
    tally(FromBits(random()));
}

// The lowest and highest significands of every binade (the scaling power of ten
// and the interval at their edges); every power of two, where that power
// changes, and of ten, where the digit count does.
TEST(ShortestText, EdgesOfEveryBinadeAndPowers) {
  OracleTally tally{2046 * 2 * BinadeEdge + 2098 * 2 * 9 + 632 * 2 * 17 - 22};
  for (std::uint64_t biased = 1; biased < 2047; ++biased)
    for (std::uint64_t f = 0; f < BinadeEdge; ++f) {
      tally(FromBits(biased << 52 | f));
      tally(FromBits(biased << 52 | (FractionMask - f)));
    }
  for (int e = -1074; e <= 1023; ++e)
    tally.BothSigns(std::ldexp(1.0, e), 4);
  for (int e = -323; e <= 308; ++e) // the neighbours below zero of the smallest are left out
    tally.BothSigns(Parse("1e" + std::to_string(e)), 8);
}

// Decimals of 1 to 17 digits (random ones and all nines, which round into the
// next decade) at every position where fixed and scientific trade places.
TEST(ShortestText, FixedAndScientificFlips) {
  OracleTally tally{17 * 61 * 20 * 2 * 2 * 4};
  std::mt19937_64 random(99);
  for (int digits = 1; digits <= 17; ++digits)
    for (int exponent = -30; exponent <= 30; ++exponent)
      for (int i = 0; i < 20; ++i) {
        std::string significand(1, static_cast<char>('1' + random() % 9));
        while (int(significand.size()) < digits)
          significand += static_cast<char>('0' + random() % 10);
        const std::string scale = "e" + std::to_string(exponent - (digits - 1));
        tally.BothSigns(Parse(significand + scale), 2);
        tally.BothSigns(Parse(std::string(static_cast<std::size_t>(digits), '9') + scale), 2);
      }
}

// Subnormals (the lowest and highest, random ones) and the largest values; past the
// smallest normal the edges of its binade go on. Integers of every size below 2^53
// (a path of their own) and around 2^53, where it ends.
TEST(ShortestText, EndsOfTheRangeAndIntegers) {
  OracleTally tally{4 * EndCount + 300000 + 200001 + 53 * 5000 + 4001};
  for (std::uint64_t f = 1; f <= EndCount; ++f) {
    tally(FromBits(f));
    tally(FromBits(FractionMask + 1 - f));
    tally.BothSigns(FromBits(BitsOf(DBL_MAX) - f + 1), 0);
  }
  std::mt19937_64 random(5);
  for (int i = 0; i < 300000; ++i)
    tally(FromBits(random() & (FractionMask | std::uint64_t{1} << 63)));
  for (int i = 0; i <= 200000; ++i)
    tally(i);
  for (int bits = 1; bits <= 53; ++bits)
    for (int i = 0; i < 5000; ++i) {
      const std::uint64_t top = std::uint64_t{1} << (bits - 1);
      tally(static_cast<double>(top | (random() & (top - 1))));
    }
  for (int i = -2000; i <= 2000; ++i)
    tally(9007199254740992.0 + 2.0 * i);
}

// Every eight-digit group, against a decimal counter stepped alongside.
TEST(ShortestText, EveryEightDigitGroup) {
  char counter[8] = {'0', '0', '0', '0', '0', '0', '0', '0'}, text[8];
  for (std::uint32_t x = 0; x < 100000000; ++x) {
    if (WriteEightDigits(text, x) != text + 8 || std::memcmp(text, counter, 8) != 0)
      FAIL() << x << " gave " << std::string(text, 8);
    for (int i = 7; i >= 0 && ++counter[i] > '9'; --i)
      counter[i] = '0';
  }
  EXPECT_EQ(std::string(counter, 8), "00000000") << "the counter wrapped round";
}

// The product from 32-bit halves at the carries' worst cases (all ones squared,
// carries out of both halves, zero), and against the compiler's 128-bit product.
TEST(ShortestText, MultiplyBy32BitHalves) {
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
  for (int i = 0; i < 1000000; ++i) { // random widths: short operands and sparse bits too
    const std::uint64_t a = random() >> (random() % 64), b = random() >> (random() % 64);
    const unsigned __int128 expected = static_cast<unsigned __int128>(a) * b;
    const Product128 p = MultiplyBy32BitHalves(a, b);
    ASSERT_TRUE(p.high == std::uint64_t(expected >> 64) && p.low == std::uint64_t(expected))
        << a << " " << b;
  }
#endif
}

} // namespace
