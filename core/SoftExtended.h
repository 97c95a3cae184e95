// The x87 extended format in software: its values and its arithmetic bit
// for bit as the x87 unit gives them at 64-bit precision, rounding to
// nearest even, every exception masked (control word 0x037F), written in
// plain integer C++ for targets whose long double is something else.
#pragma once

#include <bit>
#include <concepts>
#include <cstdint>
#include <type_traits>

// A value in the x87 extended layout: a 64-bit significand with an explicit
// integer bit (bit 63), the sign (bit 15 of signExponent) and a 15-bit
// exponent biased by 16383. Finite nonzero values are normal (integer bit
// set, exponent 1..32766) or subnormal (exponent 0, integer bit clear);
// exponent 32767 holds the infinities (significand 2^63) and the NaNs (any
// other significand with the integer bit; quiet ones also have bit 62).
// Every operation takes and gives these canonical encodings only.
//
// The arithmetic is the x87 unit's: + - * / and square root correctly
// rounded to 64 bits with gradual underflow and overflow to infinity;
// invalid operations (0/0, inf-inf, 0*inf, sqrt of a negative number) give
// the x87 default NaN, which is negative; a NaN operand comes back quieted,
// and of two NaNs the quiet one, else the one with the larger significand,
// else the positive one. Comparisons are unordered with a NaN and
// +0 == -0. No global state, no exception flags.
struct SoftExtended {
  std::uint64_t significand = 0;
  std::uint16_t signExponent = 0;

  constexpr SoftExtended() = default;

  // Integers convert exactly (every one up to 64 bits fits), and implicitly,
  // so that formulas mix them with extended operands: 2 * x, 1 / x, x + 1.
  template <std::integral I>

  requires(!std::same_as<I, bool>) constexpr SoftExtended(I value) {
    bool negative = false;
    std::uint64_t magnitude = static_cast<std::uint64_t>(value);
    if constexpr (std::is_signed_v<I>) {
      negative = value < 0;
      if (negative)
        magnitude = ~magnitude + 1; // two's complement, the most negative value too
    }
    if (magnitude == 0)
      return;
    const int shift = std::countl_zero(magnitude);
    significand = magnitude << shift;
    signExponent = static_cast<std::uint16_t>((negative ? 0x8000 : 0) | (16383 + 63 - shift));
  }

  // A double converts exactly (its subnormals become normal values; a
  // signalling NaN comes back quiet, as the x87 unit loads it).
  explicit SoftExtended(double value);

  // Rounded once to the nearest double, ties to even, double subnormals
  // included; overflow gives an infinity, a NaN keeps its sign and the top
  // of its significand.
  explicit operator double() const;

  // Truncated toward zero; for values whose integer part fits the type.
  template <std::integral I> explicit operator I() const {
    const std::uint64_t magnitude = TruncatedMagnitude();
    return static_cast<I>((signExponent & 0x8000) != 0 ? ~magnitude + 1 : magnitude);
  }

  // The value with these fields, as stored in memory.
  static constexpr SoftExtended FromBits(std::uint16_t signAndExponent, std::uint64_t bits) {
    SoftExtended x;
    x.significand = bits;
    x.signExponent = signAndExponent;
    return x;
  }

  // significand * 2^exponent for a nonzero significand, when that value is
  // exactly representable (constant tables and literals).
  static constexpr SoftExtended Exact(std::uint64_t significand, int exponent) {
    const int shift = std::countl_zero(significand);
    int field = exponent + 63 - shift + 16383;
    std::uint64_t bits = significand << shift;
    if (field <= 0) {
      bits >>= 1 - field;
      field = 0;
    }
    return FromBits(static_cast<std::uint16_t>(field), bits);
  }

  constexpr SoftExtended operator-() const {
    return FromBits(static_cast<std::uint16_t>(signExponent ^ 0x8000), significand);
  }

  constexpr SoftExtended operator+() const { return *this; }

  friend SoftExtended operator+(SoftExtended a, SoftExtended b) { return Add(a, b); }

  friend SoftExtended operator-(SoftExtended a, SoftExtended b) { return Subtract(a, b); }

  friend SoftExtended operator*(SoftExtended a, SoftExtended b) { return Multiply(a, b); }

  friend SoftExtended operator/(SoftExtended a, SoftExtended b) { return Divide(a, b); }

  SoftExtended &operator+=(SoftExtended b) { return *this = Add(*this, b); }

  SoftExtended &operator-=(SoftExtended b) { return *this = Subtract(*this, b); }

  SoftExtended &operator*=(SoftExtended b) { return *this = Multiply(*this, b); }

  SoftExtended &operator/=(SoftExtended b) { return *this = Divide(*this, b); }

  friend bool operator==(SoftExtended a, SoftExtended b) {
    if (a.IsNaN() || b.IsNaN())
      return false;
    return (a.significand == b.significand && a.signExponent == b.signExponent) ||
           (a.IsZero() && b.IsZero());
  }

  friend bool operator!=(SoftExtended a, SoftExtended b) { return !(a == b); }

  friend bool operator<(SoftExtended a, SoftExtended b) { return Less(a, b); }

  friend bool operator>(SoftExtended a, SoftExtended b) { return Less(b, a); }

  friend bool operator<=(SoftExtended a, SoftExtended b) { return Less(a, b) || a == b; }

  friend bool operator>=(SoftExtended a, SoftExtended b) { return Less(b, a) || a == b; }

  constexpr bool IsNaN() const {
    return (signExponent & 0x7FFF) == 0x7FFF && (significand << 1) != 0;
  }

  constexpr bool IsZero() const { return (signExponent & 0x7FFF) == 0 && significand == 0; }

  constexpr bool IsNegative() const { return (signExponent & 0x8000) != 0; }

  static SoftExtended Add(SoftExtended a, SoftExtended b);
  static SoftExtended Subtract(SoftExtended a, SoftExtended b);
  static SoftExtended Multiply(SoftExtended a, SoftExtended b);
  static SoftExtended Divide(SoftExtended a, SoftExtended b);

private:
  // a < b with NaNs unordered and the zeros equal.
  static bool Less(SoftExtended a, SoftExtended b) {
    if (a.IsNaN() || b.IsNaN() || (a.IsZero() && b.IsZero()))
      return false;
    if (a.IsNegative() != b.IsNegative())
      return a.IsNegative();
    // Same sign: canonical encodings order by magnitude as (exponent,
    // significand) does, subnormals and the infinity included.
    const bool smaller = (a.signExponent & 0x7FFF) != (b.signExponent & 0x7FFF)
                             ? (a.signExponent & 0x7FFF) < (b.signExponent & 0x7FFF)
                             : a.significand < b.significand;
    const bool larger = (a.signExponent & 0x7FFF) != (b.signExponent & 0x7FFF)
                            ? (a.signExponent & 0x7FFF) > (b.signExponent & 0x7FFF)
                            : a.significand > b.significand;
    return a.IsNegative() ? larger : smaller;
  }

  std::uint64_t TruncatedMagnitude() const;
};

// The square root, correctly rounded (-0 for -0, the default NaN below it).
SoftExtended SquareRoot(SoftExtended x);

// Whether `x` carries a minus sign (-0 and negative NaNs included).
constexpr bool SignBit(SoftExtended x) { return x.IsNegative(); }

// |x|: the sign bit cleared, as the x87 unit's fabs does (NaNs too).
constexpr SoftExtended Abs(SoftExtended x) {
  return SoftExtended::FromBits(static_cast<std::uint16_t>(x.signExponent & 0x7FFF), x.significand);
}

// The neighbours of `x`: the next value toward -infinity and toward
// +infinity (from an infinity toward the other, the largest finite value;
// -infinity below and +infinity above stay; a NaN comes back quiet).
SoftExtended NextBelow(SoftExtended x);
SoftExtended NextAbove(SoftExtended x);

// x rounded to an integer, ties to even, keeping the sign of a zero result;
// infinities stay, NaNs come back quiet.
SoftExtended RoundToInteger(SoftExtended x);
