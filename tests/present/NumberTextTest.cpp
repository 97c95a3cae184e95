// The number texts: worked examples, band edges, special values, ties, digit
// rounding and every layout, then a comparison with an exact decimal oracle
// on seeded random inputs.
#include "present/NumberText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double C159n = 1.5915494309189535e-7; // 159.15494309189535 nF

TEST(EngineeringFormatter, Cases) {
  struct Case { double value; int places; const char* unit; const char* expected; };
  const Case cases[] = {
      {1234.5678, 4, "Ohms", " 1.2346 kOhms"}, {-1591.5494, 4, "Ohms", "-1.5915 kOhms"},
      {470, 4, "Ohms", " 470 Ohms"}, {1000, 4, "Hz", " 1 kHz"}, {0.0123456, 2, "mhos", " 12.35 mmhos"},
      {2.2e-9, 4, "F", " 2.2 nF"}, {C159n, 4, "F", " 159.1549 nF"}, {0.001, 4, "H", " 1000 uH"},
      {1e-6, 4, "F", " 1 uF"}, {0, 4, "Ohms", " 0 aOhms"}, {1e30, 4, "Ohms", " 1E+18 TOhms"},
      {999999.99996, 4, "Ohms", " 1000 kOhms"}, // rounding up to 1000 keeps the band
      // Powers of ten against the single-precision bounds; the band goes by magnitude.
      {1e-15, 4, "X", " 1000 aX"}, {1e-12, 4, "X", " 1 pX"}, {-1e12, 4, "X", "-1 TX"},
      // Special values, and magnitudes beyond the prefixes.
      {-0.0, 2, "mhos", " 0 amhos"}, {NaN, 4, "Ohms", " 0 aOhms"},
      {Inf, 4, "Ohms", " 9.99999999999999E+998 TOhms"}, {-Inf, 4, "H", "-9.99999999999999E+998 TH"},
      {-DBL_MAX, 18, "", "-1.79769313486232E+296 T"}, {1e27, 4, "", " 1E+15 T"},
      {1e-20, 4, "", " .01 a"}, {-4.99e-23, 4, "", " 0 a"}, {-5.01e-23, 4, "", "-.0001 a"},
      // Any int is a number of places.
      {C159n, INT_MAX, "F", " 159.154943091895 nF"}, {C159n, -1, "F", " 160 nF"}, {-C159n, INT_MIN, "F", " 0 nF"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(EngineeringFormatter(c.value, c.places, c.unit), c.expected) << c.value << " " << c.places;
}

// A magnitude at a bound takes the next band up; the double just below it
// stays in the band and rounds to 1000.
TEST(EngineeringFormatter, BandBounds) {
  struct Bound { double at; const char* below; const char* above; };
  const Bound bounds[] = {
      {1.0000000036274937e-15, " 1000 a", " 1 f"}, {9.999999960041972e-13, " 1000 f", " 1 p"},
      {9.999999717180685e-10, " 1000 p", " 1 n"},  {9.999999974752427e-07, " 1000 n", " 1 u"},
      {0.0010000000474974513, " 1000 u", " 1 m"},  {1.0, " 1000 m", " 1 "},
      {1000.0, " 1000 ", " 1 k"},                  {1e6, " 1000 k", " 1 M"},
      {1e9, " 1000 M", " 1 G"},                    {999999995904.0, " 1000 G", " 1 T"},
  };
  for (const Bound& b : bounds) {
    EXPECT_EQ(EngineeringFormatter(b.at, 4, ""), b.above) << b.at;
    EXPECT_EQ(EngineeringFormatter(std::nextafter(b.at, 0.0), 4, ""), b.below) << b.at;
  }
}

TEST(RoundDecimals, Cases) {
  struct Case { double value; int places; long double expected; };
  const Case cases[] = {
      // Ties go to the even neighbour.
      {0.125, 2, 0.12L}, {0.375, 2, 0.38L}, {2.5, 0, 2}, {-2.5, 0, -2}, {250, -2, 200}, {5e17, -18, 0},
      // Places outside -18..18 count as -18 or 18.
      {6e17, INT_MIN, 1e18L}, {0.1, INT_MAX, 0.100000000000000006L},
      // The result stays in extended precision and keeps the sign of a zero.
      {0.1, 1, 0.1L}, {-0.001, 2, -0.0L}, {-0.4, 0, -0.0L},
      {Inf, 4, Inf}, {-Inf, INT_MIN, -Inf},
  };
  for (const Case& c : cases) {
    const long double r = RoundDecimals(c.value, c.places);
    EXPECT_EQ(r, c.expected) << c.value << " to " << c.places;
    EXPECT_EQ(std::signbit(r), std::signbit(c.expected)) << c.value << " to " << c.places;
  }
  EXPECT_TRUE(std::isnan(RoundDecimals(-NaN, INT_MAX)));
  // Scaling in double would overflow here.
  EXPECT_EQ(static_cast<double>(RoundDecimals(DBL_MAX, 18)), DBL_MAX);
  EXPECT_EQ(static_cast<double>(RoundDecimals(-DBL_MAX, -18)), -DBL_MAX);
}

TEST(NumberText, Cases) {
  struct Case { long double value; const char* expected; };
  const Case cases[] = {
      {0.5L, " .5"}, {-45.0L, "-45"}, {1234567.891L, " 1234567.891"},
      {-0.0L, " 0"}, {-std::numeric_limits<long double>::quiet_NaN(), " 0"},
      {std::numeric_limits<long double>::infinity(), " 9.99999999999999E+998"},
      {-std::numeric_limits<long double>::infinity(), "-9.99999999999999E+998"},
      {LDBL_MAX, " 1.18973149535723E+4932"},
      {-std::numeric_limits<long double>::denorm_min(), "-3.64519953188247E-4951"},
      // Every layout, at its limits.
      {1234.0L, " 1234"}, {470.0L, " 470"}, {999999999999999.0L, " 999999999999999"},
      {12.3456L, " 12.3456"}, {0.05L, " .05"}, {-0.25L, "-.25"}, {1e-15L, " .000000000000001"},
      {1e15L, " 1E+15"}, {-1.5e20L, "-1.5E+20"}, {1234567890123456.0L, " 1.23456789012346E+15"},
      {1e-16L, " 1E-16"}, {0.0123456789012345L, " 1.23456789012345E-2"}, {1e-1000L, " 1E-1000"},
      // Fifteen digits, rounded on the 16th alone: 5 rounds up only after an odd 15th digit.
      {100000000000000.5L, " 100000000000000"}, {100000000000001.5L, " 100000000000002"},
      {100000000000000.53125L, " 100000000000000"}, {1.0000000000000151, " 1.00000000000002"},
      {100000000000000.4L, " 100000000000000"}, {100000000000000.6L, " 100000000000001"},
      {std::numeric_limits<double>::denorm_min(), " 4.94065645841246E-324"}, // 4.9406564584124654
      // A carry through all fifteen digits raises the exponent.
      {0.9999999999999999, " 1"}, {999999999999999.9L, " 1E+15"}, {-9.999999999999999e-16L, "-.000000000000001"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(NumberText(c.value), c.expected) << std::hexfloat << c.value;
}

// An extended ulp either side of a power of ten changes no digit.
TEST(NumberText, NextToPowersOfTen) {
  for (long double power = 1e-40L; power < 1e40L; power *= 10) {
    EXPECT_EQ(NumberText(std::nextafter(power, 2 * power)), NumberText(power)) << power;
    EXPECT_EQ(NumberText(std::nextafter(power, 0.0L)), NumberText(power)) << power;
  }
}

// The oracle expands a value exactly in decimal (its 64-bit significand times
// a power of two, in base-10^9 big integers: 2^-k is 5^k × 10^-k) and applies
// the digit and layout rules to digit strings. |x| = 0.digits × 10^exponent.
std::string ExactDigits(long double x, int& exponent) {
  int twoExp = 0;
  const long double fraction = std::frexp(std::fabs(x), &twoExp);
  const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 64));
  twoExp -= 64;
  constexpr std::uint64_t Base = 1000000000;
  std::vector<std::uint64_t> limbs = {significand % Base, significand / Base % Base, significand / Base / Base};
  for (int left = std::abs(twoExp); left > 0; left -= 13) {
    std::uint64_t factor = 1, carry = 0;
    for (int i = 0; i < std::min(left, 13); ++i)
      factor *= twoExp > 0 ? 2 : 5;
    for (std::uint64_t& limb : limbs) {
      carry += limb * factor;
      limb = carry % Base;
      carry /= Base;
    }
    for (; carry != 0; carry /= Base)
      limbs.push_back(carry % Base);
  }
  std::string digits = std::to_string(limbs.back()); // never 0: the significand is at least 2^63
  for (std::size_t i = limbs.size() - 1; i-- > 0;)
    digits.append(std::to_string(Base + limbs[i]), 1, 9);
  exponent = static_cast<int>(digits.size()) + std::min(twoExp, 0);
  return digits;
}

// The text rules applied to the digits of an integer n, |x| = n × 10^(e - size):
// 15 kept, rounded on the 16th alone, trailing zeros dropped, then laid out.
std::string OracleText(bool negative, const std::string& n, int e) {
  std::string kept = n.substr(0, 15);
  if (n[15] > '5' || (n[15] == '5' && (kept.back() - '0') % 2 == 1))
    kept = std::to_string(std::stoull(kept) + 1);
  e += static_cast<int>(kept.size()) - 15;
  kept.erase(kept.find_last_not_of('0') + 1);
  const int k = static_cast<int>(kept.size());
  std::string text(1, negative ? '-' : ' ');
  if (e > 15 || k - e > 15) {
    text.append(kept, 0, 1).append(k > 1 ? "." : "").append(kept, 1).append(e > 0 ? "E+" : "E-");
    return text.append(std::to_string(std::abs(e - 1)));
  }
  const auto count = [](int i) { return static_cast<std::size_t>(std::max(i, 0)); };
  std::string plain(count(-e), '0');
  plain.append(kept).append(count(e - k), '0');
  text.append(plain, 0, count(e));
  return count(e) < plain.size() ? text.append(1, '.').append(plain, count(e)) : text;
}

// Scaling to 18 digits in extended precision may miss the exact 18th digit by
// a unit: the texts of the nearest 18-digit integer and its two neighbours are
// all accepted.
std::set<std::string> OracleTexts(long double x) {
  int exponent = 0;
  const std::string digits = ExactDigits(x, exponent) + std::string(19, '0');
  const std::uint64_t nearest = std::stoull(digits.substr(0, 18)) + (digits[18] >= '5' ? 1 : 0);
  std::set<std::string> texts;
  for (std::uint64_t i = nearest - 1; i <= nearest + 1; ++i) {
    const std::string n = std::to_string(i);
    texts.insert(OracleText(std::signbit(x), n, exponent + static_cast<int>(n.size()) - 18));
  }
  return texts;
}

TEST(NumberTextOracle, SeededRandomValues) {
  std::mt19937_64 rng(20240611);
  const auto below = [&rng](int n) { return static_cast<int>(rng() % static_cast<std::uint64_t>(n)); };
  int checked = 0, nearBoundary = 0;
  const auto check = [&](long double x) {
    const std::set<std::string> texts = OracleTexts(x);
    ++checked;
    nearBoundary += texts.size() > 1 ? 1 : 0;
    EXPECT_EQ(texts.count(NumberText(x)), 1u) << std::hexfloat << x << ": " << NumberText(x) << ", not "
                                              << *texts.begin();
  };
  for (int i = 0; i < 4000; ++i) {
    // 64-bit significands: around the usual magnitudes, where every layout
    // occurs; rounded to doubles of every exponent; the whole extended range.
    const bool negative = below(2) == 1;
    const long double significand = static_cast<long double>(rng() | 1ULL << 63) * (negative ? -1 : 1);
    check(std::ldexp(significand, below(140) - 70 - 63));
    check(static_cast<double>(std::ldexp(significand, below(2097) - 1074 - 63)));
    if (i % 20 == 0)
      check(std::ldexp(significand, below(32829) - 16445 - 63));
    // Short decimals as RoundDecimals hands them over: the 18 digits sit next
    // to ...000 or ...999 and the 15-digit rounding must absorb the difference.
    const std::string text = std::to_string(rng() % 100000000000ULL) + "e" + std::to_string(below(60) - 30);
    const double value = std::strtod(text.c_str(), nullptr);
    const long double rounded = RoundDecimals(negative ? -value : value, below(23) - 2);
    if (rounded != 0)
      check(rounded);
  }
  // Near-boundary inputs must stay rare, or the comparison proves little.
  EXPECT_LE(nearBoundary * 100, checked) << nearBoundary << " near a rounding boundary";
}

} // namespace
