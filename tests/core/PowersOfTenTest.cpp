#include "ExactArithmetic.h"

#include "core/PowersOfTen.h"
#include "core/PowersOfTenTable.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

namespace {

// Hex-float text of m * 2^e with m normalised to 64 bits, as the table holds it.
std::string Literal(Binary b) {
  while (b.significand != 0 && !(b.significand >> 63)) {
    b.significand <<= 1;
    --b.exponent;
  }
  char text[64];
  std::snprintf(text, sizeof text, "0x1.%016llxp%+dL",
                static_cast<unsigned long long>(b.significand << 1), b.exponent + 63);
  return text;
}

bool SameBinary(Binary a, Binary b) {
  return std::ldexp(static_cast<long double>(a.significand), a.exponent) ==
         std::ldexp(static_cast<long double>(b.significand), b.exponent);
}

} // namespace

// Each table constant must be the exact power rounded to the nearest value
// with a 64-bit significand; a mismatch prints the corrected row.
TEST(PowersOfTenTable, EveryEntryIsTheNearestExtendedValue) {
  for (int i = 0; i < PowersOfTenTableSize; ++i) {
    const int power = 8 << i;
    const Binary nearest =
        RoundQuotient(ExactPowerOfTen(power), BigUint::From(1), 0, 64, ExtendedMinExponent);
    const Binary actual = Decompose(PowersOfTenTable[i]);
    EXPECT_TRUE(SameBinary(actual, nearest)) << "10^" << power << ": table has " << Literal(actual)
                                             << ", nearest is " << Literal(nearest);
  }
}

// Up to 10^27 every power fits a 64-bit significand, so the product of the
// recipe must be the exact power.
TEST(PowerOfTen, ExactWhileThePowerFitsTheSignificand) {
  for (int n = 0; n <= 27; ++n) {
    const Binary exact =
        RoundQuotient(ExactPowerOfTen(n), BigUint::From(1), 0, 64, ExtendedMinExponent);
    EXPECT_TRUE(SameBinary(Decompose(PowerOfTen(n)), exact)) << "10^" << n;
  }
}

// Beyond that, each multiplication rounds: the result must be bit for bit the
// product taken in the documented order, which the number texts rely on too.
TEST(PowerOfTen, FollowsTheMultiplicationOrderBitForBit) {
  for (int n :
       {28, 29, 31, 40, 100, 255, 308, 309, 325, 343, 1000, 2047, 4095, 4096, 4097, 4500, 4932})
    EXPECT_TRUE(SameBinary(Decompose(PowerOfTen(n)), ExtendedPowerOfTen(n)))
        << "10^" << n << ": got " << Literal(Decompose(PowerOfTen(n))) << ", expected "
        << Literal(ExtendedPowerOfTen(n));
}

TEST(PowerOfTen, RangeEnds) {
  EXPECT_EQ(PowerOfTen(0), 1.0L);
  EXPECT_TRUE(std::isfinite(PowerOfTen(4932)));
  // Past the extended range, including exponents the table cannot spell.
  for (int n : {4933, 5000, 8192, 12287, 12288, 100000, 2147483647})
    EXPECT_TRUE(std::isinf(PowerOfTen(n))) << "10^" << n;
}
