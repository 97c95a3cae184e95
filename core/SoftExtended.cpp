#include "core/SoftExtended.h"

#include "core/WideInteger.h"

#include <cmath>
#include <cstring>
#include <utility>

namespace {

constexpr int Bias = 16383;
constexpr int MaxExponent = 0x7FFF; // infinities and NaNs
constexpr std::uint64_t IntegerBit = std::uint64_t(1) << 63;
constexpr std::uint64_t QuietBit = std::uint64_t(1) << 62;
constexpr std::uint64_t Half = IntegerBit; // the round bit of a low word

inline int ExponentOf(SoftExtended x) { return x.signExponent & 0x7FFF; }

inline bool IsInfinity(SoftExtended x) {
  return ExponentOf(x) == MaxExponent && x.significand == IntegerBit;
}

inline SoftExtended Pack(bool negative, int exponent, std::uint64_t significand) {
  return SoftExtended::FromBits(
      static_cast<std::uint16_t>((negative ? 0x8000 : 0) | static_cast<unsigned>(exponent)),
      significand);
}

inline SoftExtended Zero(bool negative) { return Pack(negative, 0, 0); }

inline SoftExtended Infinity(bool negative) { return Pack(negative, MaxExponent, IntegerBit); }

// The x87 unit's answer to an invalid operation ("real indefinite").
inline SoftExtended DefaultNaN() { return Pack(true, MaxExponent, IntegerBit | QuietBit); }

inline SoftExtended Quiet(SoftExtended x) {
  x.significand |= QuietBit;
  return x;
}

// The NaN an operation with a NaN operand gives: of two NaNs the quiet one,
// else the one with the larger significand, else the positive one; quieted.
SoftExtended PropagateNaN(SoftExtended a, SoftExtended b) {
  if (!a.IsNaN())
    return Quiet(b);
  if (!b.IsNaN())
    return Quiet(a);
  const bool aQuiet = (a.significand & QuietBit) != 0, bQuiet = (b.significand & QuietBit) != 0;
  if (aQuiet != bQuiet)
    return Quiet(aQuiet ? a : b);
  if (a.significand != b.significand)
    return Quiet(a.significand > b.significand ? a : b);
  return Quiet(a.IsNegative() ? b : a);
}

// A finite nonzero value as significand * 2^(exponent - Bias - 63) with the
// integer bit set: a subnormal one is normalised to an exponent below 1.
struct Unpacked {
  bool negative;
  int exponent;
  std::uint64_t significand;
};

inline Unpacked Unpack(SoftExtended x) {
  const int exponent = ExponentOf(x);
  if (exponent != 0)
    return {x.IsNegative(), exponent, x.significand};
  const int shift = std::countl_zero(x.significand);
  return {x.IsNegative(), 1 - shift, x.significand << shift};
}

// (high, low) >> count for count >= 1, with every bit shifted out folded
// into the lowest bit of low (the sticky bit), so that rounding still sees
// whether anything nonzero lay below.
[[gnu::always_inline]] inline void ShiftRightSticky(std::uint64_t &high, std::uint64_t &low,
                                                    int count) {
  if (count >= 128) {
    low = (high | low) != 0;
    high = 0;
  } else if (count >= 64) {
    const std::uint64_t lost = count == 64 ? low : low | (high << (128 - count));
    low = (count == 64 ? high : high >> (count - 64)) | (lost != 0);
    high = 0;
  } else {
    low = (high << (64 - count)) | (low >> count) | ((low << (64 - count)) != 0);
    high >>= count;
  }
}

// The value (high + low / 2^64) * 2^(exponent - Bias - 63), high's top bit
// set, rounded once to the nearest extended value (ties to even): low's top
// bit is the round bit, the rest decides above or exactly half. Too small
// for a normal value it is shifted to the subnormal position first, so that
// gradual underflow rounds once; too large it becomes an infinity.
[[gnu::always_inline]] inline SoftExtended RoundAndPack(bool negative, int exponent,
                                                        std::uint64_t high, std::uint64_t low) {
  if (exponent >= MaxExponent)
    return Infinity(negative);
  const bool tiny = exponent <= 0;
  if (tiny) {
    ShiftRightSticky(high, low, 1 - exponent);
    exponent = 0;
  }
  if (low > Half || (low == Half && (high & 1) != 0)) {
    if (++high == 0) { // carried out of the significand: 2^64 = 2^63 * 2
      high = IntegerBit;
      if (++exponent >= MaxExponent)
        return Infinity(negative);
    }
  }
  // A subnormal that rounded up to 2^-16382 is the smallest normal value.
  if (tiny && (high & IntegerBit) != 0)
    exponent = 1;
  return Pack(negative, exponent, high);
}

// |a| < |b| for finite values.
inline bool MagnitudeBelow(const Unpacked &a, const Unpacked &b) {
  return a.exponent != b.exponent ? a.exponent < b.exponent : a.significand < b.significand;
}

// a + b for non-NaN operands.
[[gnu::always_inline]] inline SoftExtended AddNumbers(SoftExtended a, SoftExtended b) {
  // Step 1: infinities, then zeros (x + 0 = x; the sum of two zeros is -0
  // only when both are).
  if (ExponentOf(a) == MaxExponent || ExponentOf(b) == MaxExponent) {
    if (IsInfinity(a) && IsInfinity(b) && a.IsNegative() != b.IsNegative())
      return DefaultNaN();
    return ExponentOf(a) == MaxExponent ? a : b;
  }
  if (a.IsZero())
    return b.IsZero() ? Zero(a.IsNegative() && b.IsNegative()) : b;
  if (b.IsZero())
    return a;
  // Step 2: the larger magnitude first; the smaller one shifted to its
  // scale, with 64 bits below the significand and a sticky bit. A
  // difference loses at most one leading bit when the shift is 2 or more,
  // so the sticky bit always stays below the round bit; with a shift of 0
  // or 1 nothing is shifted out at all.
  Unpacked x = Unpack(a), y = Unpack(b);
  if (MagnitudeBelow(x, y))
    std::swap(x, y);
  std::uint64_t high = y.significand, low = 0;
  if (x.exponent != y.exponent)
    ShiftRightSticky(high, low, x.exponent - y.exponent);
  int exponent = x.exponent;
  if (x.negative == y.negative) {
    // Step 3: a sum; a carry out of bit 63 moves everything one place down.
    const std::uint64_t sum = x.significand + high;
    if (sum < high) {
      low = (low >> 1) | (low & 1) | (sum << 63);
      high = (sum >> 1) | IntegerBit;
      ++exponent;
    } else {
      high = sum;
    }
  } else {
    // Step 4: a difference, then normalised; an exact zero is +0.
    const std::uint64_t borrow = low != 0;
    low = 0 - low;
    high = x.significand - high - borrow;
    if (high == 0 && low == 0)
      return Zero(false);
    const int shift = high != 0 ? std::countl_zero(high) : 64 + std::countl_zero(low);
    if (shift >= 64) {
      high = low << (shift - 64);
      low = 0;
    } else if (shift > 0) {
      high = (high << shift) | (low >> (64 - shift));
      low <<= shift;
    }
    exponent -= shift;
  }
  return RoundAndPack(x.negative, exponent, high, low);
}

// The low word that stands for a remainder r of a division by d (0 <= r < d)
// in RoundAndPack: zero, below half, exactly half or above half.
inline std::uint64_t RemainderWord(std::uint64_t r, std::uint64_t d) {
  if (r == 0)
    return 0;
  const std::uint64_t other = d - r;
  return r < other ? 1 : r == other ? Half : Half | 1;
}

} // namespace

SoftExtended::SoftExtended(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 63) != 0;
  const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
  const std::uint64_t fraction = bits & ((std::uint64_t(1) << 52) - 1);
  if (exponent == 0x7FF) {
    // The infinity, or a NaN with its payload on top, made quiet.
    *this = Pack(negative, MaxExponent, IntegerBit | (fraction << 11));
    if (fraction != 0)
      significand |= QuietBit;
  } else if (exponent == 0) {
    // A subnormal double, fraction * 2^-1074, is a normal extended value.
    const int shift = std::countl_zero(fraction);
    *this = fraction == 0 ? Zero(negative) : Pack(negative, Bias - 1011 - shift, fraction << shift);
  } else {
    *this = Pack(negative, exponent - 1023 + Bias, IntegerBit | (fraction << 11));
  }
}

SoftExtended::operator double() const {
  std::uint64_t bits = 0;
  const bool negative = IsNegative();
  if (ExponentOf(*this) == MaxExponent) {
    // The infinity; a NaN keeps the top 52 bits of its fraction, made quiet.
    bits = std::uint64_t(0x7FF) << 52;
    if (IsNaN())
      bits |= (std::uint64_t(1) << 51) | ((significand & ~IntegerBit) >> 11);
  } else if (!IsZero()) {
    // Step 1: the binary exponent e of the value (2^e <= |x| < 2^(e+1)).
    const Unpacked u = Unpack(*this);
    const int e = u.exponent - Bias;
    // Step 2: how many of the 64 significand bits go below the double's
    // last place: 11 for a normal double, more in the subnormal range.
    const int dropped = e >= -1022 ? 11 : 11 + (-1022 - e);
    // Step 3: round those bits away, ties to even; a carry into a new top
    // bit is taken by the field layout (subnormal to normal, or the next
    // binade).
    std::uint64_t kept = 0;
    if (dropped < 64) {
      kept = u.significand >> dropped;
      const std::uint64_t rest = u.significand & ((std::uint64_t(1) << dropped) - 1);
      const std::uint64_t half = std::uint64_t(1) << (dropped - 1);
      if (rest > half || (rest == half && (kept & 1) != 0))
        ++kept;
    } else if (dropped == 64) {
      kept = u.significand > IntegerBit; // above half of the smallest subnormal
    }
    if (e >= -1022) {
      // kept holds 53 bits, or 54 after a carry to 2^53 (the next binade).
      const int biased = e + 1023 + (kept >> 53 != 0 ? 1 : 0);
      if (kept >> 53 != 0)
        kept >>= 1;
      bits = biased >= 0x7FF
                 ? std::uint64_t(0x7FF) << 52
                 : (std::uint64_t(biased) << 52) | (kept & ((std::uint64_t(1) << 52) - 1));
    } else {
      bits = kept; // a subnormal, or 2^-1022 after a carry
    }
  }
  bits |= std::uint64_t(negative) << 63;
  double value = 0;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

std::uint64_t SoftExtended::TruncatedMagnitude() const {
  if (IsZero() || ExponentOf(*this) == MaxExponent)
    return 0;
  const int e = ExponentOf(*this) - Bias;
  if (e < 0 || e > 63)
    return 0; // below 1, or beyond every integer type
  return significand >> (63 - e);
}

SoftExtended SoftExtended::Add(SoftExtended a, SoftExtended b) {
  if (a.IsNaN() || b.IsNaN())
    return PropagateNaN(a, b);
  return AddNumbers(a, b);
}

SoftExtended SoftExtended::Subtract(SoftExtended a, SoftExtended b) {
  // A NaN keeps its sign: only a number is negated.
  if (a.IsNaN() || b.IsNaN())
    return PropagateNaN(a, b);
  return AddNumbers(a, -b);
}

SoftExtended SoftExtended::Multiply(SoftExtended a, SoftExtended b) {
  if (a.IsNaN() || b.IsNaN())
    return PropagateNaN(a, b);
  const bool negative = a.IsNegative() != b.IsNegative();
  // Step 1: 0 * inf is invalid; otherwise an infinity or a zero wins.
  if (ExponentOf(a) == MaxExponent || ExponentOf(b) == MaxExponent)
    return a.IsZero() || b.IsZero() ? DefaultNaN() : Infinity(negative);
  if (a.IsZero() || b.IsZero())
    return Zero(negative);
  // Step 2: the exact 128-bit product, its top bit at 127 or 126.
  const Unpacked x = Unpack(a), y = Unpack(b);
  Wide p = MultiplyWide(x.significand, y.significand);
  int exponent = x.exponent + y.exponent - Bias + 1;
  if ((p.high & IntegerBit) == 0) {
    p.high = (p.high << 1) | (p.low >> 63);
    p.low <<= 1;
    --exponent;
  }
  return RoundAndPack(negative, exponent, p.high, p.low);
}

SoftExtended SoftExtended::Divide(SoftExtended a, SoftExtended b) {
  if (a.IsNaN() || b.IsNaN())
    return PropagateNaN(a, b);
  const bool negative = a.IsNegative() != b.IsNegative();
  // Step 1: inf/inf and 0/0 are invalid; x/0 is an infinity, x/inf a zero.
  if (ExponentOf(a) == MaxExponent)
    return ExponentOf(b) == MaxExponent ? DefaultNaN() : Infinity(negative);
  if (ExponentOf(b) == MaxExponent)
    return Zero(negative);
  if (b.IsZero())
    return a.IsZero() ? DefaultNaN() : Infinity(negative);
  if (a.IsZero())
    return Zero(negative);
  // Step 2: a 64-bit quotient with its top bit set: the dividend's
  // significand is placed 63 or 64 bits up, whichever keeps the quotient
  // below 2^64; the remainder gives the round and sticky information.
  const Unpacked x = Unpack(a), y = Unpack(b);
  int exponent = x.exponent - y.exponent + Bias;
  std::uint64_t high = x.significand, low = 0;
  if (x.significand >= y.significand) {
    low = high << 63;
    high >>= 1;
  } else {
    --exponent;
  }
  std::uint64_t remainder = 0;
  const std::uint64_t q = DivideWide(high, low, y.significand, remainder);
  return RoundAndPack(negative, exponent, q, RemainderWord(remainder, y.significand));
}

SoftExtended SquareRoot(SoftExtended x) {
  if (x.IsNaN())
    return Quiet(x);
  if (x.IsZero())
    return x;
  if (x.IsNegative())
    return DefaultNaN();
  if (IsInfinity(x))
    return x;
  // Step 1: x = n * 2^(2k) with n a 128-bit integer in [2^126, 2^128): the
  // significand goes 64 places up when the binary exponent is odd, 63 when
  // it is even.
  const Unpacked u = Unpack(x);
  const int e = u.exponent - Bias;
  const bool odd = (e & 1) != 0;
  const std::uint64_t nHigh = odd ? u.significand : u.significand >> 1;
  const std::uint64_t nLow = odd ? 0 : u.significand << 63;
  // Step 2: r = floor(sqrt(n)), 64 bits with the top one set. A double
  // estimate (within 2^13 of the root) raised by 2^14 is above the root,
  // so that one integer Newton step n / r0 fits 64 bits and lands on the
  // root or one above it.
  const double estimate = std::sqrt(static_cast<double>(nHigh)) * 4294967296.0;
  // Only n's top word at its largest reaches r0 at its largest, 2^64 - 1,
  // and then that is the root.
  std::uint64_t r0 = ~std::uint64_t(0);
  if (estimate < 18446744073709518848.0) // 2^64 - 2^15, so that r0 below cannot wrap
    r0 = static_cast<std::uint64_t>(estimate) + (std::uint64_t(1) << 14);
  std::uint64_t r = r0;
  if (nHigh < r0) {
    std::uint64_t unused = 0;
    const std::uint64_t q = DivideWide(nHigh, nLow, r0, unused);
    r = (r0 >> 1) + (q >> 1) + (r0 & q & 1);
  }
  Wide square = MultiplyWide(r, r);
  if (square.high > nHigh || (square.high == nHigh && square.low > nLow)) {
    --r;
    square = MultiplyWide(r, r);
  }
  // Step 3: the remainder n - r^2 (below 2^65) against r: sqrt(n) lies
  // above r + 1/2 exactly when n - r^2 > r, and never on it.
  const std::uint64_t remLow = nLow - square.low;
  const std::uint64_t remHigh = nHigh - square.high - (nLow < square.low);
  const bool above = remHigh != 0 || remLow > r;
  const std::uint64_t low = remHigh == 0 && remLow == 0 ? 0 : above ? Half | 1 : 1;
  // Step 4: sqrt(x) = sqrt(n) * 2^k, r's exponent from x's halved.
  const int half = odd ? (e - 127) / 2 : (e - 126) / 2;
  return RoundAndPack(false, half + 63 + Bias, r, low);
}

SoftExtended NextAbove(SoftExtended x) {
  if (x.IsNaN())
    return Quiet(x);
  if (x.IsZero())
    return SoftExtended::FromBits(0, 1);
  if (IsInfinity(x))
    return x.IsNegative() ? Pack(true, MaxExponent - 1, ~std::uint64_t(0)) : x;
  // One step up in magnitude for a positive value, down for a negative one.
  const int exponent = ExponentOf(x);
  std::uint64_t significand = x.significand;
  int next = exponent;
  if (!x.IsNegative()) {
    if (++significand == 0) {
      significand = IntegerBit;
      ++next;
    } else if (exponent == 0 && significand == IntegerBit) {
      next = 1; // the largest subnormal's successor is the smallest normal
    }
  } else if (significand == IntegerBit && exponent > 1) {
    significand = ~std::uint64_t(0);
    --next;
  } else {
    if (significand == IntegerBit) // -2^-16382 to the largest subnormal
      next = 0;
    --significand;
  }
  return Pack(x.IsNegative(), next, significand);
}

SoftExtended NextBelow(SoftExtended x) { return -NextAbove(-x); }

SoftExtended RoundToInteger(SoftExtended x) {
  if (x.IsNaN())
    return Quiet(x);
  if (x.IsZero() || ExponentOf(x) == MaxExponent)
    return x;
  const int e = ExponentOf(x) - Bias;
  if (e >= 63)
    return x;
  if (e < -1)
    return Zero(x.IsNegative());
  // The fraction below the units place decides, ties to an even integer.
  const std::uint64_t significand = x.significand; // normal: e >= -1
  std::uint64_t integer = e == -1 ? 0 : significand >> (63 - e);
  const std::uint64_t fraction = e == -1 ? significand : significand << (e + 1);
  if (fraction > Half || (fraction == Half && (integer & 1) != 0))
    ++integer;
  const SoftExtended magnitude(integer);
  return x.IsNegative() ? -magnitude : magnitude;
}
