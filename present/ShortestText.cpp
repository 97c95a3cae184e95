// Shortest round-tripping digits of a double by Raffaello Giulietti's
// Schubfach method (the interval of reals that read back as the value,
// scaled by a power of ten kept to 126 bits and rounded to odd), then laid
// out as std::to_chars lays out its shortest form.
#include "present/ShortestText.h"

#include "present/ShortestPowersTable.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

namespace {

// The steps below are small and called from few places; inlining them all
// into the two public routines keeps the spelling of a batch value to a
// straight run of instructions.
#define CALVORA_INLINE [[gnu::always_inline]] inline

constexpr int FractionBits = 52;
constexpr std::uint64_t HiddenBit = std::uint64_t{1} << FractionBits;
constexpr std::uint64_t FractionMask = HiddenBit - 1;
// A normal double is (HiddenBit | fraction) × 2^(biased exponent - 1075).
constexpr int ExponentOffset = 1075;
// The binary exponent of every subnormal and of the smallest normals.
constexpr int MinBinaryExponent = -1074;
constexpr std::uint64_t Low63Bits = (std::uint64_t{1} << 63) - 1;

// The bits of a double (std::bit_cast, which emscripten's libc++ lacks).
CALVORA_INLINE std::uint64_t BitsOf(double value) {
  std::uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

constexpr std::array<char, 200> DigitPairs = [] {
  std::array<char, 200> pairs{};
  for (int i = 0; i < 100; ++i) {
    pairs[static_cast<std::size_t>(2 * i)] = static_cast<char>('0' + i / 10);
    pairs[static_cast<std::size_t>(2 * i + 1)] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

constexpr std::array<std::uint64_t, 20> PowersOfTen = [] {
  std::array<std::uint64_t, 20> powers{};
  std::uint64_t power = 1;
  for (std::uint64_t &p : powers) {
    p = power;
    power *= 10;
  }
  return powers;
}();

int FloorLog10OfPow2(int q) { return static_cast<int>((q * Log10Of2Multiplier) >> LogShift); }

int FloorLog10OfThreeQuartersPow2(int q) {
  return static_cast<int>((q * Log10Of2Multiplier - Log10Of3QuartersOffset) >> LogShift);
}

int FloorLog2OfPow10(int e) { return (e * Log2Of10Multiplier) >> Log2Of10Shift; }

// g × cp / 2^127 rounded to odd (down, the lowest bit set when something was
// dropped), where g = g[0] × 2^63 + g[1], as the method computes it: the
// bits of g[1] × cp below 2^64 and the lowest bit of g[0] × cp are left out,
// and g's extra unit makes up for them. (Keeping them, with g above the
// exact scaled power, turns an interval end that falls exactly on a decimal
// into a slightly larger odd one: 4.890081839382528e+22 came out with 17
// digits.)
CALVORA_INLINE std::uint64_t ScaleRoundToOdd(const std::uint64_t (&g)[2], std::uint64_t cp) {
#if defined(__SIZEOF_INT128__)
  using U128 = unsigned __int128;
  const std::uint64_t x1 = static_cast<std::uint64_t>((U128{g[1]} * cp) >> 64);
  const U128 y = U128{g[0]} * cp;
  const std::uint64_t y1 = static_cast<std::uint64_t>(y >> 64);
  const std::uint64_t y0 = static_cast<std::uint64_t>(y);
#else
  const std::uint64_t x1 = MultiplyBy32BitHalves(g[1], cp).high;
  const Product128 y = MultiplyBy32BitHalves(g[0], cp);
  const std::uint64_t y1 = y.high;
  const std::uint64_t y0 = y.low;
#endif
  const std::uint64_t z = (y0 >> 1) + x1;
  return (y1 + (z >> 63)) | std::uint64_t{(z & Low63Bits) != 0};
}

// The shortest decimal for c × 2^q (c > 0), possibly with trailing zeros.
CALVORA_INLINE ShortestDecimal SchubfachDigits(int q, std::uint64_t c) {
  // Step 1: the interval of reals that round to the value, in quarter units;
  // its ends belong to it when c is even (ties to even read back as c).
  const std::uint64_t open = c & 1;
  const std::uint64_t cb = c << 2;
  const std::uint64_t cbr = cb + 2;
  std::uint64_t cbl = cb - 2;
  int k = FloorLog10OfPow2(q);
  if (c == HiddenBit && q != MinBinaryExponent) {
    // Below a power of two the spacing halves.
    cbl = cb - 1;
    k = FloorLog10OfThreeQuartersPow2(q);
  }
  // Step 2: the value and both ends times 10^-k, four times over, rounded to
  // odd; a normal value then has 16 or 17 digits before the point.
  const int h = q + FloorLog2OfPow10(-k) + 2;
  const std::uint64_t(&g)[2] = ShortestPowers[k - ShortestPowerMinK];
  const std::uint64_t vb = ScaleRoundToOdd(g, cb << h);
  const std::uint64_t vbl = ScaleRoundToOdd(g, cbl << h);
  const std::uint64_t vbr = ScaleRoundToOdd(g, cbr << h);
  // Step 3: one digit fewer, if exactly one of the two neighbouring
  // multiples of ten lies inside (at most one can; zero never does, as vbl
  // is at least 1).
  const std::uint64_t s = vb >> 2;
  const std::uint64_t sp10 = s / 10 * 10;
  const std::uint64_t tp10 = sp10 + 10;
  const bool upIn = vbl + open <= sp10 << 2;
  const bool wpIn = (tp10 << 2) + open <= vbr;
  if (upIn != wpIn)
    return {upIn ? sp10 : tp10, k};
  // Step 4: full length: s or s + 1, whichever lies inside; if both, the
  // nearer to the value, the even one on a tie.
  const std::uint64_t t = s + 1;
  const bool uIn = vbl + open <= s << 2;
  const bool wIn = (t << 2) + open <= vbr;
  if (uIn != wIn)
    return {uIn ? s : t, k};
  const std::uint64_t middle = (s + t) << 1;
  const bool takeS = vb < middle || (vb == middle && (s & 1) == 0);
  return {takeS ? s : t, k};
}

// Trailing zeros off eight, four, two and one at a time (at most 16 of them).
CALVORA_INLINE ShortestDecimal WithoutTrailingZeros(ShortestDecimal d) {
  if (d.significand % 10 != 0)
    return d;
  while (d.significand % 100000000 == 0) {
    d.significand /= 100000000;
    d.exponent += 8;
  }
  if (d.significand % 10000 == 0) {
    d.significand /= 10000;
    d.exponent += 4;
  }
  if (d.significand % 100 == 0) {
    d.significand /= 100;
    d.exponent += 2;
  }
  if (d.significand % 10 == 0) {
    d.significand /= 10;
    d.exponent += 1;
  }
  return d;
}

CALVORA_INLINE int DigitCount(std::uint64_t m) {
  // bit_width × log10(2) is the count or one more.
  const int estimate = (static_cast<int>(std::bit_width(m)) * 1233) >> 12;
  return estimate + 1 - int{m < PowersOfTen[static_cast<std::size_t>(estimate)]};
}

CALVORA_INLINE void PutPair(char *p, std::uint32_t pair) {
  std::memcpy(p, DigitPairs.data() + 2 * pair, 2);
}

CALVORA_INLINE char *EightDigits(char *p, std::uint32_t x) {
  // y = x / 10^6 in fixed point with 56 fraction bits (the scale rounded up
  // so that every x below 10^8 comes out right); each pair is the integer
  // part, and the fraction times 100 gives the next.
  constexpr std::uint64_t Scale = (std::uint64_t{1} << 56) / 1000000 + 1;
  constexpr std::uint64_t Fraction = (std::uint64_t{1} << 56) - 1;
  std::uint64_t y = x * Scale;
  PutPair(p, static_cast<std::uint32_t>(y >> 56));
  y = (y & Fraction) * 100;
  PutPair(p + 2, static_cast<std::uint32_t>(y >> 56));
  y = (y & Fraction) * 100;
  PutPair(p + 4, static_cast<std::uint32_t>(y >> 56));
  y = (y & Fraction) * 100;
  PutPair(p + 6, static_cast<std::uint32_t>(y >> 56));
  return p + 8;
}

// Writes the digits of m so that the last one is just before `end`.
CALVORA_INLINE void WriteDigitsEndingAt(char *end, std::uint64_t m) {
  // Eight digits at a time while more than eight remain, then two per step.
  while (m >= 100000000) {
    const std::uint64_t high = m / 100000000;
    end -= 8;
    EightDigits(end, static_cast<std::uint32_t>(m - high * 100000000));
    m = high;
  }
  std::uint32_t rest = static_cast<std::uint32_t>(m);
  while (rest >= 100) {
    end -= 2;
    PutPair(end, rest % 100);
    rest /= 100;
  }
  if (rest >= 10)
    PutPair(end - 2, rest);
  else
    end[-1] = static_cast<char>('0' + rest);
}

// d.ddde+XX: the digits one place right, the first moved left of the point.
char *WriteScientific(char *p, std::uint64_t m, int digits, int exponent) {
  WriteDigitsEndingAt(p + 1 + digits, m);
  p[0] = p[1];
  if (digits > 1) {
    p[1] = '.';
    p += digits + 1;
  } else {
    p += 1;
  }
  *p++ = 'e';
  *p++ = exponent < 0 ? '-' : '+';
  std::uint32_t magnitude = static_cast<std::uint32_t>(exponent < 0 ? -exponent : exponent);
  if (magnitude >= 100) {
    *p++ = static_cast<char>('0' + magnitude / 100);
    magnitude %= 100;
  }
  PutPair(p, magnitude);
  return p + 2;
}

// The integer c × 2^q (q in [1, 21]: fixed form stops below 10^22) in full,
// ending just before `end`: divided by 10^9 over 32-bit limbs, the quotient
// and the nine-digit remainder written separately.
void WriteExactIntegerEndingAt(char *end, std::uint64_t c, int q) {
  const std::uint64_t high = c >> (64 - q);
  const std::uint64_t low = c << q;
  const std::uint32_t limbs[3] = {static_cast<std::uint32_t>(high),
                                  static_cast<std::uint32_t>(low >> 32),
                                  static_cast<std::uint32_t>(low)};
  // The quotient is below 2^46, so the top limb's share of it is zero.
  std::uint64_t quotient = 0;
  std::uint64_t remainder = 0;
  for (std::uint32_t limb : limbs) {
    const std::uint64_t current = remainder << 32 | limb;
    quotient = quotient << 32 | current / 1000000000;
    remainder = current % 1000000000;
  }
  const std::uint32_t nine = static_cast<std::uint32_t>(remainder);
  EightDigits(end - 8, nine % 100000000);
  end[-9] = static_cast<char>('0' + nine / 100000000);
  WriteDigitsEndingAt(end - 9, quotient);
}

// Moves the `count` bytes at p + 1 one place left (count in [1, 16]), by
// loading both ends before storing them, possibly overlapping.
template <typename Word> void ShiftEndsLeft(char *p, int count) {
  constexpr int size = static_cast<int>(sizeof(Word));
  Word head, tail;
  std::memcpy(&head, p + 1, sizeof head);
  std::memcpy(&tail, p + 1 + count - size, sizeof tail);
  std::memcpy(p, &head, sizeof head);
  std::memcpy(p + count - size, &tail, sizeof tail);
}

CALVORA_INLINE void ShiftLeftByOne(char *p, int count) {
  if (count >= 8)
    ShiftEndsLeft<std::uint64_t>(p, count);
  else if (count >= 4)
    ShiftEndsLeft<std::uint32_t>(p, count);
  else if (count >= 2)
    ShiftEndsLeft<std::uint16_t>(p, count);
  else
    p[0] = p[1];
}

// m × 10^exponent written out with `point` digits before the decimal point;
// an integer past 2^53 (binary exponent q > 0) is written exactly as the
// double holds it, as to_chars does, rather than as its digits and zeros.
// Fixed form is never chosen with more than five trailing zeros or more than
// three zeros after the point, so those are written as five and four bytes
// (the digits then overwrite the extra ones).
char *WriteFixed(char *p, std::uint64_t m, int digits, int exponent, int point, std::uint64_t c,
                 int q) {
  if (exponent >= 0) {
    if (q > 0 && exponent > 0) {
      WriteExactIntegerEndingAt(p + point, c, q);
    } else {
      WriteDigitsEndingAt(p + digits, m);
      std::memcpy(p + digits, "00000", 5);
    }
    return p + point;
  }
  if (point > 0) {
    // The digits one place right, then the integer part back left.
    WriteDigitsEndingAt(p + 1 + digits, m);
    ShiftLeftByOne(p, point);
    p[point] = '.';
    return p + 1 + digits;
  }
  std::memcpy(p, "0.0000", 6);
  char *end = p + 2 - point + digits;
  WriteDigitsEndingAt(end, m);
  return end;
}

CALVORA_INLINE ShortestDecimal ShortestDigitsOf(double value) {
  const std::uint64_t bits = BitsOf(value);
  const int biased = static_cast<int>((bits >> FractionBits) & 0x7FF);
  const std::uint64_t fraction = bits & FractionMask;
  if (biased != 0) {
    const std::uint64_t c = fraction | HiddenBit;
    const int q = biased - ExponentOffset;
    // An integer below 2^53 is its own shortest spelling.
    if (q < 0 && q > -FractionBits - 1) {
      const std::uint64_t integer = c >> -q;
      if (integer << -q == c)
        return WithoutTrailingZeros({integer, 0});
    }
    return WithoutTrailingZeros(SchubfachDigits(q, c));
  }
  if (fraction == 0)
    return {};
  return WithoutTrailingZeros(SchubfachDigits(MinBinaryExponent, fraction));
}

} // namespace

char *WriteEightDigits(char *p, std::uint32_t x) { return EightDigits(p, x); }

Product128 MultiplyBy32BitHalves(std::uint64_t a, std::uint64_t b) {
  const std::uint64_t aLow = a & 0xFFFFFFFF, aHigh = a >> 32;
  const std::uint64_t bLow = b & 0xFFFFFFFF, bHigh = b >> 32;
  const std::uint64_t lowLow = aLow * bLow;
  const std::uint64_t lowHigh = aLow * bHigh;
  const std::uint64_t highLow = aHigh * bLow;
  const std::uint64_t highHigh = aHigh * bHigh;
  // The column of weight 2^32 collects three 32-bit parts and carries on.
  const std::uint64_t middle = (lowLow >> 32) + (lowHigh & 0xFFFFFFFF) + (highLow & 0xFFFFFFFF);
  Product128 product;
  product.high = highHigh + (lowHigh >> 32) + (highLow >> 32) + (middle >> 32);
  product.low = (middle << 32) | (lowLow & 0xFFFFFFFF);
  return product;
}

ShortestDecimal ShortestDigits(double value) { return ShortestDigitsOf(value); }

char *WriteShortestText(char *p, double value) {
  const std::uint64_t bits = BitsOf(value);
  if (bits >> 63)
    *p++ = '-';
  const ShortestDecimal d = ShortestDigitsOf(value);
  if (d.significand == 0) {
    *p = '0';
    return p + 1;
  }
  // Both layouts' lengths; the fixed one wins ties.
  const int digits = DigitCount(d.significand);
  const int point = digits + d.exponent;
  const int scientificExponent = point - 1;
  const bool threeDigitExponent = scientificExponent >= 100 || scientificExponent <= -100;
  const int scientificLength = digits + int{digits > 1} + 4 + int{threeDigitExponent};
  const int fixedLength = d.exponent >= 0 ? point : point > 0 ? digits + 1 : digits + 2 - point;
  if (fixedLength <= scientificLength) {
    const int q = static_cast<int>((bits >> FractionBits) & 0x7FF) - ExponentOffset;
    return WriteFixed(p, d.significand, digits, d.exponent, point,
                      (bits & FractionMask) | HiddenBit, q);
  }
  return WriteScientific(p, d.significand, digits, scientificExponent);
}
