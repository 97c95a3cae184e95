// Exact integer arithmetic for the test oracles: unbounded unsigned
// integers and correct rounding of an exact quotient to a binary format.
// Deliberately independent of long double, so that it can judge it.
#pragma once

#include <cstdint>
#include <vector>

struct BigUint {
  std::vector<std::uint32_t> limbs; // least significant first, no leading zeros

  static BigUint From(std::uint64_t v);
  int BitLength() const;
  bool Bit(int i) const;

  bool IsZero() const { return limbs.empty(); }
};

int Compare(const BigUint &a, const BigUint &b);
BigUint Mul(const BigUint &a, const BigUint &b);
BigUint ShiftLeft(const BigUint &a, int bits);
BigUint Sub(const BigUint &a, const BigUint &b); // requires a >= b
// Quotient and remainder of a / b, b non-zero.
void DivMod(const BigUint &a, const BigUint &b, BigUint &quotient, BigUint &remainder);
BigUint ExactPowerOfTen(int n);

// A finite binary value significand * 2^exponent.
struct Binary {
  std::uint64_t significand = 0;
  int exponent = 0;
};

// num / den * 2^exp2 rounded to nearest (ties to even) with `bits` significant
// bits (at most 64); no bit below 2^minExp is kept (gradual underflow).
Binary RoundQuotient(const BigUint &num, const BigUint &den, int exp2, int bits, int minExp);

// Rounds an extended value to double, with subnormals and overflow to inf.
double RoundToDouble(Binary v);

// The exact significand and exponent of a finite positive long double.
Binary Decompose(long double v);

// Lowest exponent of a subnormal extended value's last bit.
inline constexpr int ExtendedMinExponent = -16445;

// a * b and a / b, each exact result rounded once to a 64-bit significand.
Binary ExtendedProduct(Binary a, Binary b);
Binary ExtendedQuotient(Binary a, Binary b);

// 10^n (n >= 0) built the program's way: 10^(n mod 8) exactly, then times
// the correctly rounded 10^8, 10^16, ..., 10^4096 for the bits of n div 8 in
// increasing order, then one extra 10^4096 when n > 4096, rounding each step.
Binary ExtendedPowerOfTen(int n);
