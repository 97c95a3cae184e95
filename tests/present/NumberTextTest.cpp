// Point cases of the number texts: worked examples, band edges, special
// values, digit rounding and every layout of the plain decimal text.
#include "present/NumberText.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <limits>
#include <string>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

struct FormatCase {
  double value;
  int places;
  const char* unit;
  const char* expected;
  int line;
};

void CheckFormats(const FormatCase* cases, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const FormatCase& c = cases[i];
    EXPECT_EQ(EngineeringFormatter(c.value, c.places, c.unit), c.expected)
        << "EngineeringFormatter(" << std::hexfloat << c.value << ", " << c.places << ") at line "
        << c.line;
  }
}

struct TextCase {
  long double value;
  const char* expected;
  int line;
};

void CheckTexts(const TextCase* cases, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const TextCase& c = cases[i];
    EXPECT_EQ(NumberText(c.value), c.expected)
        << "NumberText(" << std::hexfloat << c.value << ") at line " << c.line;
  }
}

double Below(double x) { return std::nextafter(x, 0.0); }

TEST(EngineeringFormatter, WorkedExamples) {
  const FormatCase cases[] = {
      {1234.5678, 4, "Ohms", " 1.2346 kOhms", __LINE__},
      {-1591.5494, 4, "Ohms", "-1.5915 kOhms", __LINE__},
      {470, 4, "Ohms", " 470 Ohms", __LINE__},
      {1000, 4, "Hz", " 1 kHz", __LINE__},
      {0.0123456, 2, "mhos", " 12.35 mmhos", __LINE__},
      {2.2e-9, 4, "F", " 2.2 nF", __LINE__},
      {1.5915494309189535e-7, 4, "F", " 159.1549 nF", __LINE__},
      {0.001, 4, "H", " 1000 uH", __LINE__},
      {1e-6, 4, "F", " 1 uF", __LINE__},
      {0, 4, "Ohms", " 0 aOhms", __LINE__},
      {999999.99996, 4, "Ohms", " 1000 kOhms", __LINE__},
      {1e30, 4, "Ohms", " 1E+18 TOhms", __LINE__},
  };
  CheckFormats(cases, std::size(cases));
}

// The bounds of the small bands and of "G" are single-precision values.
TEST(EngineeringFormatter, FloatBoundsAreTheDecimalLiterals) {
  EXPECT_EQ(static_cast<double>(1e-15f), 1.0000000036274937e-15);
  EXPECT_EQ(static_cast<double>(1e-12f), 9.999999960041972e-13);
  EXPECT_EQ(static_cast<double>(1e-9f), 9.999999717180685e-10);
  EXPECT_EQ(static_cast<double>(1e-6f), 9.999999974752427e-07);
  EXPECT_EQ(static_cast<double>(1e-3f), 0.0010000000474974513);
  EXPECT_EQ(static_cast<double>(1e12f), 999999995904.0);
}

// A value at a bound takes the next band up (" 1 <prefix>"); the double just
// below stays in the lower band and rounds to " 1000 <prefix>".
TEST(EngineeringFormatter, BandBounds) {
  const FormatCase cases[] = {
      {1.0000000036274937e-15, 4, "X", " 1 fX", __LINE__},
      {Below(1.0000000036274937e-15), 4, "X", " 1000 aX", __LINE__},
      {1e-15, 4, "X", " 1000 aX", __LINE__}, // 1e-15 lies below the float bound
      {9.999999960041972e-13, 4, "X", " 1 pX", __LINE__},
      {Below(9.999999960041972e-13), 4, "X", " 1000 fX", __LINE__},
      {9.999999717180685e-10, 4, "X", " 1 nX", __LINE__},
      {Below(9.999999717180685e-10), 4, "X", " 1000 pX", __LINE__},
      {9.999999974752427e-07, 4, "X", " 1 uX", __LINE__},
      {Below(9.999999974752427e-07), 4, "X", " 1000 nX", __LINE__},
      {0.0010000000474974513, 4, "X", " 1 mX", __LINE__},
      {Below(0.0010000000474974513), 4, "X", " 1000 uX", __LINE__},
      {1.0, 4, "X", " 1 X", __LINE__},
      {Below(1.0), 4, "X", " 1000 mX", __LINE__},
      {1000.0, 4, "X", " 1 kX", __LINE__},
      {Below(1000.0), 4, "X", " 1000 X", __LINE__},
      {1e6, 4, "X", " 1 MX", __LINE__},
      {Below(1e6), 4, "X", " 1000 kX", __LINE__},
      {1e9, 4, "X", " 1 GX", __LINE__},
      {Below(1e9), 4, "X", " 1000 MX", __LINE__},
      {999999995904.0, 4, "X", " 1 TX", __LINE__},
      {Below(999999995904.0), 4, "X", " 1000 GX", __LINE__},
      // Exact powers of ten on either side of the float bounds.
      {0.001, 4, "X", " 1000 uX", __LINE__},
      {1e-12, 4, "X", " 1 pX", __LINE__},
      {1e-9, 4, "X", " 1 nX", __LINE__},
      {1e-6, 4, "X", " 1 uX", __LINE__},
      {1e12, 4, "X", " 1 TX", __LINE__},
      // Negative values choose their band by magnitude.
      {-0.001, 4, "X", "-1000 uX", __LINE__},
      {-1e12, 4, "X", "-1 TX", __LINE__},
  };
  CheckFormats(cases, std::size(cases));
}

TEST(EngineeringFormatter, SpecialValues) {
  const FormatCase cases[] = {
      {0.0, 4, "Ohms", " 0 aOhms", __LINE__},
      {-0.0, 2, "mhos", " 0 amhos", __LINE__},
      {NaN, 4, "Ohms", " 0 aOhms", __LINE__},
      {-NaN, 4, "Ohms", " 0 aOhms", __LINE__},
      {Inf, 4, "Ohms", " 9.99999999999999E+998 TOhms", __LINE__},
      {-Inf, 4, "H", "-9.99999999999999E+998 TH", __LINE__},
      {DBL_MAX, 4, "", " 1.79769313486232E+296 T", __LINE__},
      {-DBL_MAX, 18, "", "-1.79769313486232E+296 T", __LINE__},
      {DBL_MIN, 4, "F", " 0 aF", __LINE__},
      {std::numeric_limits<double>::denorm_min(), 18, "F", " 0 aF", __LINE__},
      {-std::numeric_limits<double>::denorm_min(), 4, "F", " 0 aF", __LINE__},
  };
  CheckFormats(cases, std::size(cases));
}

TEST(EngineeringFormatter, BeyondThePrefixes) {
  const FormatCase cases[] = {
      {1e-20, 4, "", " .01 a", __LINE__},
      {4.99e-23, 4, "", " 0 a", __LINE__},
      {-4.99e-23, 4, "", " 0 a", __LINE__}, // rounds to -0, shown without sign
      {5.01e-23, 4, "", " .0001 a", __LINE__},
      {-5.01e-23, 4, "", "-.0001 a", __LINE__},
      {1e27, 4, "", " 1E+15 T", __LINE__},
      {9.99e26, 4, "", " 999000000000000 T", __LINE__},
      {1e30, 4, "Ohms", " 1E+18 TOhms", __LINE__},
  };
  CheckFormats(cases, std::size(cases));
}

// A scaled value that rounds up to 1000 keeps its band.
TEST(EngineeringFormatter, RoundingToAThousandKeepsTheBand) {
  const FormatCase cases[] = {
      {999999.99996, 4, "Ohms", " 1000 kOhms", __LINE__},
      {-999.99996, 4, "Ohms", "-1000 Ohms", __LINE__},
      {0.99999996, 4, "Ohms", " 1000 mOhms", __LINE__},
      {999.6e-9, 0, "F", " 1000 nF", __LINE__},
      {999.4e-9, 0, "F", " 999 nF", __LINE__},
  };
  CheckFormats(cases, std::size(cases));
}

// Any int is a valid number of places: above 18 counts as 18, and negative
// places round to tens, hundreds, ... down to -18.
TEST(EngineeringFormatter, AnyPlaces) {
  const FormatCase cases[] = {
      {1.5915494309189535e-7, 0, "F", " 159 nF", __LINE__},
      {1.5915494309189535e-7, 18, "F", " 159.154943091895 nF", __LINE__},
      {1.5915494309189535e-7, INT_MAX, "F", " 159.154943091895 nF", __LINE__},
      {1.5915494309189535e-7, -1, "F", " 160 nF", __LINE__},
      {1.5915494309189535e-7, -3, "F", " 0 nF", __LINE__},
      {-1.5915494309189535e-7, INT_MIN, "F", " 0 nF", __LINE__},
      {1e30, -18, "Ohms", " 1E+18 TOhms", __LINE__},
  };
  CheckFormats(cases, std::size(cases));
}

TEST(RoundDecimals, TiesGoToEven) {
  const TextCase cases[] = {
      {RoundDecimals(0.125, 2), " .12", __LINE__},
      {RoundDecimals(0.375, 2), " .38", __LINE__},
      {RoundDecimals(2.5, 0), " 2", __LINE__},
      {RoundDecimals(3.5, 0), " 4", __LINE__},
      {RoundDecimals(-2.5, 0), "-2", __LINE__},
      {RoundDecimals(250, -2), " 200", __LINE__},
      {RoundDecimals(350, -2), " 400", __LINE__},
      {RoundDecimals(-0.001, 2), " 0", __LINE__},
      {RoundDecimals(-0.4, 0), " 0", __LINE__},
  };
  CheckTexts(cases, std::size(cases));
}

TEST(RoundDecimals, SpecialValuesAndPlaces) {
  EXPECT_TRUE(std::isinf(RoundDecimals(Inf, 4)) && RoundDecimals(Inf, 4) > 0);
  EXPECT_TRUE(std::isinf(RoundDecimals(-Inf, INT_MIN)) && RoundDecimals(-Inf, INT_MIN) < 0);
  EXPECT_TRUE(std::isnan(RoundDecimals(NaN, 4)));
  EXPECT_TRUE(std::isnan(RoundDecimals(-NaN, INT_MAX)));
  // A value that rounds to zero keeps its sign.
  EXPECT_TRUE(std::signbit(RoundDecimals(-0.001, 2)));
  EXPECT_EQ(RoundDecimals(-0.0, 0), 0.0L);
  // Places beyond 18 give exactly the 18-place result.
  EXPECT_EQ(RoundDecimals(0.1, 19), RoundDecimals(0.1, 18));
  EXPECT_EQ(RoundDecimals(0.1, INT_MAX), RoundDecimals(0.1, 18));
  EXPECT_EQ(RoundDecimals(123456.789, INT_MIN), RoundDecimals(123456.789, -18));
  EXPECT_EQ(RoundDecimals(123456.789, -3), 123000.0L);
  EXPECT_EQ(RoundDecimals(5e17, -18), 0.0L);
  EXPECT_EQ(RoundDecimals(6e17, -18), 1e18L);
  // The extreme doubles stay finite.
  EXPECT_EQ(static_cast<double>(RoundDecimals(DBL_MAX, 18)), DBL_MAX);
  EXPECT_EQ(static_cast<double>(RoundDecimals(-DBL_MAX, -18)), -DBL_MAX);
  EXPECT_EQ(RoundDecimals(std::numeric_limits<double>::denorm_min(), 18), 0.0L);
}

TEST(NumberText, WorkedExamples) {
  const TextCase cases[] = {
      {0.5L, " .5", __LINE__},
      {-45.0L, "-45", __LINE__},
      {1234567.891L, " 1234567.891", __LINE__},
  };
  CheckTexts(cases, std::size(cases));
}

TEST(NumberText, SpecialValues) {
  const TextCase cases[] = {
      {0.0L, " 0", __LINE__},
      {-0.0L, " 0", __LINE__},
      {std::numeric_limits<long double>::quiet_NaN(), " 0", __LINE__},
      {-std::numeric_limits<long double>::quiet_NaN(), " 0", __LINE__},
      {std::numeric_limits<long double>::infinity(), " 9.99999999999999E+998", __LINE__},
      {-std::numeric_limits<long double>::infinity(), "-9.99999999999999E+998", __LINE__},
      {LDBL_MAX, " 1.18973149535723E+4932", __LINE__},
      {LDBL_MIN, " 3.36210314311209E-4932", __LINE__},
      {std::numeric_limits<long double>::denorm_min(), " 3.64519953188247E-4951", __LINE__},
      {-std::numeric_limits<long double>::denorm_min(), "-3.64519953188247E-4951", __LINE__},
      {DBL_MAX, " 1.79769313486232E+308", __LINE__},
      // 4.940656458412465441...: a 16th digit 5 after an even 15th rounds down.
      {std::numeric_limits<double>::denorm_min(), " 4.94065645841246E-324", __LINE__},
  };
  CheckTexts(cases, std::size(cases));
}

TEST(NumberText, Layouts) {
  const TextCase cases[] = {
      // Integers: the digits, padded with zeros up to 15 integer digits.
      {1234.0L, " 1234", __LINE__},
      {470.0L, " 470", __LINE__},
      {1000.0L, " 1000", __LINE__},
      {1e14L, " 100000000000000", __LINE__},
      {999999999999999.0L, " 999999999999999", __LINE__},
      // Point inside the digits.
      {12.3456L, " 12.3456", __LINE__},
      {-1.5L, "-1.5", __LINE__},
      {12345678901234.5L, " 12345678901234.5", __LINE__},
      // Below one: no leading zero, at most 15 decimals.
      {0.0012L, " .0012", __LINE__},
      {-0.25L, "-.25", __LINE__},
      {0.05L, " .05", __LINE__},
      {0.123456789012345L, " .123456789012345", __LINE__},
      {1e-15L, " .000000000000001", __LINE__},
      // Exponent form beyond 15 integer digits or 15 decimals.
      {1e15L, " 1E+15", __LINE__},
      {1e18L, " 1E+18", __LINE__},
      {1.5e20L, " 1.5E+20", __LINE__},
      {-1.5e20L, "-1.5E+20", __LINE__},
      {1234567890123456.0L, " 1.23456789012346E+15", __LINE__},
      {1e-16L, " 1E-16", __LINE__},
      {1.5e-15L, " 1.5E-15", __LINE__},
      {0.0123456789012345L, " 1.23456789012345E-2", __LINE__},
      {1e-300L, " 1E-300", __LINE__},
      {1e300L, " 1E+300", __LINE__},
      {1e-1000L, " 1E-1000", __LINE__},
  };
  CheckTexts(cases, std::size(cases));
}

// Fifteen digits are kept, rounded on the 16th alone: 5 rounds up only after
// an odd 15th digit, even when non-zero digits follow it.
TEST(NumberText, SixteenthDigit) {
  const TextCase cases[] = {
      {100000000000000.5L, " 100000000000000", __LINE__},     // tie, even 15th
      {100000000000001.5L, " 100000000000002", __LINE__},     // tie, odd 15th
      {100000000000000.53125L, " 100000000000000", __LINE__}, // 5 then 3125
      {1.0000000000000051, " 1", __LINE__},                   // 5 then 1...
      {1.0000000000000151, " 1.00000000000002", __LINE__},    // 5 after odd 1
      {100000000000000.4L, " 100000000000000", __LINE__},
      {100000000000000.6L, " 100000000000001", __LINE__},
      // A carry through all fifteen digits raises the exponent.
      {0.9999999999999999, " 1", __LINE__},
      {999999999999999.9L, " 1E+15", __LINE__},
      {-9.999999999999999e-16L, "-.000000000000001", __LINE__},
  };
  CheckTexts(cases, std::size(cases));
}

// Values one extended ulp from a power of ten must neither lose a digit nor
// shift the exponent.
TEST(NumberText, NextToPowersOfTen) {
  for (int p = -40; p <= 40; ++p) {
    const long double power = std::pow(10.0L, static_cast<long double>(p));
    const std::string exact = NumberText(power);
    const long double up = std::nextafter(power, std::numeric_limits<long double>::infinity());
    const long double down = std::nextafter(power, 0.0L);
    EXPECT_EQ(NumberText(up), exact) << "10^" << p << " + ulp";
    EXPECT_EQ(NumberText(down), exact) << "10^" << p << " - ulp";
    EXPECT_EQ(exact.substr(0, 2), p < 0 && p >= -15 ? " ." : " 1") << "10^" << p;
  }
}

} // namespace
