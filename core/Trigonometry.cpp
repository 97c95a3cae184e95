#include "core/Trigonometry.h"

#include "core/TrigonometryTables.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>

// Values between the steps are pairs hi + lo of extended values with |lo|
// at most half an ulp of hi: about 128 bits. Every algorithm below is exact
// or has a bounded error under round-to-nearest with a 64-bit significand
// and the x87 exponent range, which Extended gives on every target.

namespace {

using Pair = ExtendedPair;

// s + e = a + b exactly, when a == 0 or |a| >= |b|.
inline Pair FastTwoSum(Extended a, Extended b) {
  const Extended s = a + b;
  return {s, b - (s - a)};
}

// s + e = a + b exactly, for any a and b.
inline Pair TwoSum(Extended a, Extended b) {
  const Extended s = a + b;
  const Extended bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

// a = hi + lo with hi of 32 significant bits and lo of at most 31, so that
// products of the halves are exact (Veltkamp's split with 2^32 + 1).
inline Pair Split(Extended a) {
  const Extended c = 4294967297 * a;
  const Extended hi = c - (c - a);
  return {hi, a - hi};
}

// p + e = a * b exactly (Dekker).
inline Pair TwoProduct(Extended a, Extended b) {
  const Pair x = Split(a), y = Split(b);
  const Extended p = a * b;
  return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

// Relative error below 2^-125: only lo * lo and the rounding of the cross
// terms are lost.
inline Pair Multiply(Pair a, Pair b) {
  Pair p = TwoProduct(a.hi, b.hi);
  p.lo += a.hi * b.lo + a.lo * b.hi;
  return FastTwoSum(p.hi, p.lo);
}

// Relative error below 2^-125 (three roundings of 2^-128 each, and the
// renormalisations).
inline Pair Add(Pair a, Pair b) {
  Pair s = TwoSum(a.hi, b.hi);
  const Pair t = TwoSum(a.lo, b.lo);
  s = FastTwoSum(s.hi, s.lo + t.hi);
  return FastTwoSum(s.hi, s.lo + t.lo);
}

inline Pair Negate(Pair a) { return {-a.hi, -a.lo}; }

// y rounded to the nearest integer, for |y| < 2^62: the sum with 1.5 * 2^63
// keeps no bits below the units place (quicker than a round trip through an
// integer register).
inline Extended NearestInteger(Extended y) {
  constexpr Extended shifter = ExactExtended(3, 62);
  return (y + shifter) - shifter;
}

// The x87 extended layout: a 64-bit significand with an explicit leading
// bit, then the sign and a 15-bit exponent biased by 16383.
struct Fields {
  std::uint64_t significand;
  int exponent; // unbiased: x = significand * 2^(exponent - 63) for normal x
};

inline Fields FieldsOf(Extended x) {
  return {ExtendedSignificand(x), (ExtendedSignExponent(x) & 0x7FFF) - 16383};
}

// 2^-k for 0 <= k <= 80: the scales of a reduced argument's leading bits
// (scaling by a computed power would cost as much as the rest of a short
// reduction).
constexpr std::array<Extended, 81> PowersOfHalf = [] {
  std::array<Extended, 81> powers{};
  for (std::size_t k = 0; k < powers.size(); ++k)
    powers[k] = ExactExtended(1, -static_cast<int>(k));
  return powers;
}();

// True when every value within errorBound (relative) of v.hi + v.lo rounds
// like v.hi + v.lo, so that this one rounding gives the correctly rounded
// result; v.lo may be up to 2^-13 of v.hi. Rounding is monotonic, so it
// suffices that v.hi + v.lo +- m round alike for a margin m of twice the
// bound: the rounding of v.lo +- m costs at most 2^-77 of v.hi, less than
// the bound itself.
inline bool RoundingIsSettled(Pair v, Extended errorBound) {
  const Extended margin = 2 * errorBound * Abs(v.hi);
  const Extended rounded = v.hi + v.lo;
  return v.hi + (v.lo + margin) == rounded && v.hi + (v.lo - margin) == rounded;
}

// The first passes stay within 2^-74 (sine and cosine) and 2^-76
// (arctangent) of the exact value (see their step comments); the rounding
// test allows four times as much.
constexpr Extended FastSineCosineError = ExactExtended(1, -72);
constexpr Extended FastArctangentError = ExactExtended(1, -74);

// ---- Argument reduction --------------------------------------------------

// Words of 2/π multiplied by the significand. The units bit of the product
// then lies at least 32 * 11 - 33 = 319 bits above its last bit; the words
// of 2/π left out below change only the lowest 65 of those bits (the
// significand is below 2^64), so 254 bits of x * 2/π after the point are
// right. No extended value comes closer to a multiple of π/2 than
// 2^-ReductionWorstLeadingZeros = 2^-77 in x * 2/π (the generator's
// continued-fraction search over every exponent), which leaves at least
// 177 correct bits after the leading zeros; 128 of them are kept.
constexpr int WindowWords = 11;
static_assert(254 - ReductionWorstLeadingZeros >= 128 + 40, "reduction margin");
// The highest exponent, 16383 - 63 for the integer significand, starts at
// word (16320 - 34) / 32 + 1.
static_assert((16320 - 34) / 32 + 1 + WindowWords <= TwoOverPiWordCount, "2/pi table too short");
static_assert(ReductionWorstLeadingZeros < 80, "scales of the reduced argument");

inline std::uint64_t Bits64At(const std::uint32_t *limbs, int low) {
  const int word = low >> 5, shift = low & 31;
  const std::uint64_t lower = limbs[word] | std::uint64_t(limbs[word + 1]) << 32;
  return shift == 0 ? lower : lower >> shift | std::uint64_t(limbs[word + 2]) << (64 - shift);
}

// For finite a >= π/4: returns N mod 4 and sets r = a - N π/2, |r| <= π/4,
// as a pair with a relative error below 2^-124.
int ReduceQuarterTurns(Extended a, Pair &r) {
  // Step 1: a = M * 2^e with a 64-bit integer M.
  const Fields f = FieldsOf(a);
  const int e = f.exponent - 63;
  // Step 2: words of 2/π whose product with M * 2^e is a multiple of 4 are
  // left out: word i's last bit has weight 2^(e - 32 i - 32) in the product.
  const int first = e >= 34 ? (e - 34) / 32 + 1 : 0;
  // Step 3: M times the window, least significant limb first, with zero
  // limbs above so that every bit read below exists.
  std::uint32_t q[WindowWords + 5] = {};
  const std::uint64_t m0 = f.significand & 0xFFFFFFFF, m1 = f.significand >> 32;
  std::uint64_t carry = 0;
  for (int i = 0; i < WindowWords; ++i) {
    carry += m0 * TwoOverPiWords[first + WindowWords - 1 - i];
    q[i] = static_cast<std::uint32_t>(carry);
    carry >>= 32;
  }
  q[WindowWords] = static_cast<std::uint32_t>(carry);
  carry = 0;
  for (int i = 0; i < WindowWords; ++i) {
    carry += m1 * TwoOverPiWords[first + WindowWords - 1 - i] + q[i + 1];
    q[i + 1] = static_cast<std::uint32_t>(carry);
    carry >>= 32;
  }
  q[WindowWords + 1] = static_cast<std::uint32_t>(carry);
  // Step 4: the units bit of a * 2/π is bit p; the two above it give N mod 4
  // and the one below rounds N to the nearest integer.
  const int p = 32 * (first + WindowWords) - e;
  const auto bit = [&q](int k) { return (q[k >> 5] >> (k & 31)) & 1u; };
  int quadrant = static_cast<int>(bit(p) | bit(p + 1) << 1);
  const bool roundUp = bit(p - 1) != 0;
  // Step 5: when N was rounded up, f = F - 1 < 0: negating the whole product
  // leaves 1 - F in the bits below p.
  if (roundUp) {
    quadrant = (quadrant + 1) & 3;
    std::uint64_t borrow = 1;
    for (std::uint32_t &limb : q) {
      borrow += static_cast<std::uint32_t>(~limb);
      limb = static_cast<std::uint32_t>(borrow);
      borrow >>= 32;
    }
  }
  // Step 6: the leading one of |f| (at most 77 zero bits below the point,
  // ReductionWorstLeadingZeros).
  int word = (p - 1) >> 5;
  std::uint32_t top =
      q[word] & static_cast<std::uint32_t>((std::uint64_t(2) << ((p - 1) & 31)) - 1);
  while (top == 0)
    top = q[--word];
  const int lead = 32 * word + 31 - std::countl_zero(top);
  // Step 7: 128 bits from there, as hi + lo scaled by exact powers of two.
  const std::uint64_t hiBits = Bits64At(q, lead - 63), loBits = Bits64At(q, lead - 127);
  const Extended scale = PowersOfHalf[static_cast<std::size_t>(p - 1 - lead)];
  const Pair fraction = FastTwoSum(Extended(hiBits) * PowersOfHalf[64] * scale,
                                   Extended(loBits) * PowersOfHalf[64] * PowersOfHalf[64] * scale);
  // Step 8: r = f * π/2, with the sign of f.
  r = Multiply(fraction, Pair{HalfPi[0], HalfPi[1]});
  if (roundUp)
    r = Negate(r);
  return quadrant;
}

// ---- Sine and cosine on [0, π/4] -----------------------------------------

// sin ρ and cos ρ for 0 <= ρ <= π/4 (and a rounding error beyond); the
// first pass leaves the pairs unnormalised (|lo| below 2^-13 of hi).
template <bool accurate> void SineCosineKernel(Pair rho, Pair &sine, Pair &cosine) {
  // Step 1: the nearest breakpoint c = j/64 and t = ρ - c, |t| <= 2^-7:
  // ρ.hi - c is exact (both are multiples of ρ.hi's ulp, ρ.hi >= 2^-7 when
  // j > 0, and the difference is below 2^-7), and larger than ρ.lo unless
  // zero.
  // Below 1/128, where j = 1 can come from rounding 64 ρ up in double,
  // ρ - 1/64 would need 65 bits: j = 0 there.
  const int j = rho.hi < PowersOfHalf[7] ? 0 : static_cast<int>(Store(rho.hi * 64) + 0.5);
  const Extended *row = SineCosineTable[j];
  const Pair t = FastTwoSum(rho.hi - Extended(j) * PowersOfHalf[6], rho.lo);
  const Pair S{row[0], row[1]}, C{row[2], row[3]};
  if constexpr (!accurate) {
    // Step 2: sin t - t and cos t - 1 in Extended from t.hi alone: times
    // S and C they are at most 2^-14 of the results, so their 2^-61
    // relative error and the dropped terms (below 2^-91) cost less than
    // 2^-74 of the result.
    const Extended u = t.hi * t.hi;
    const Extended sinTail =
        t.hi * u *
        (-SineCoefficients[0][0] +
         u * (SineCoefficients[1][0] - u * (SineCoefficients[2][0] - u * SineCoefficients[3][0])));
    const Extended cosTail =
        u * (-CosineCoefficients[0][0] +
             u * (CosineCoefficients[1][0] -
                  u * (CosineCoefficients[2][0] - u * CosineCoefficients[3][0])));
    // Step 3: sin ρ = S + C t + (S (cos t - 1) + C (sin t - t)) and
    // cos ρ = C - S t + (C (cos t - 1) - S (sin t - t)); C t and S t exact
    // but for the rounding of their small cross terms. S and C dominate
    // (or S is zero), so the fast sums are exact.
    Pair ct = TwoProduct(C.hi, t.hi), st = TwoProduct(S.hi, t.hi);
    ct.lo += C.hi * t.lo + C.lo * t.hi;
    st.lo += S.hi * t.lo + S.lo * t.hi;
    const Pair s = FastTwoSum(S.hi, ct.hi), c = FastTwoSum(C.hi, -st.hi);
    sine = {s.hi, s.lo + (S.lo + ct.lo + (S.hi * cosTail + C.hi * sinTail))};
    cosine = {c.hi, c.lo + (C.lo - st.lo + (C.hi * cosTail - S.hi * sinTail))};
    return;
  }
  // Step 2 (accurate): with u = t^2, sin t - t = t u P(u) and
  // cos t - 1 = u Q(u), P and Q by Horner's rule on pairs; the first term
  // left out is below 2^-134 of the result.
  const Pair u = Multiply(t, t);
  Pair P{SineCoefficients[5][0], SineCoefficients[5][1]};
  Pair Q{CosineCoefficients[5][0], CosineCoefficients[5][1]};
  for (int k = 4; k >= 0; --k) {
    // Coefficient k belongs to u^k and carries the sign (-1)^(k+1).
    const Pair pk{SineCoefficients[k][0], SineCoefficients[k][1]};
    const Pair qk{CosineCoefficients[k][0], CosineCoefficients[k][1]};
    P = Add(k % 2 == 0 ? Negate(pk) : pk, Multiply(u, P));
    Q = Add(k % 2 == 0 ? Negate(qk) : qk, Multiply(u, Q));
  }
  const Pair sinTail = Multiply(Multiply(t, u), P), cosTail = Multiply(u, Q);
  // Step 3 (accurate): the same sums on pairs.
  sine = Add(S, Add(Multiply(C, t), Add(Multiply(S, cosTail), Multiply(C, sinTail))));
  cosine = Add(C, Add(Multiply(C, cosTail), Negate(Add(Multiply(S, t), Multiply(S, sinTail)))));
}

// Below π/4: 0x1.92p-1 = 0.78515625 < 0.785398...
constexpr Extended NoReductionBelow = ExactExtended(0x192, -9);

// sin and cos of a finite x with |x| >= 2^-32.
template <bool accurate> void SineCosineOf(Extended x, Pair &sine, Pair &cosine) {
  // Step 1: a = |x| reduced to r = a - N π/2.
  const Extended a = Abs(x);
  Pair r{a, 0};
  const int quadrant = a < NoReductionBelow ? 0 : ReduceQuarterTurns(a, r);
  // Step 2: sin and cos of |r|.
  const bool negative = r.hi < 0;
  Pair s, c;
  SineCosineKernel<accurate>(negative ? Negate(r) : r, s, c);
  if (negative)
    s = Negate(s);
  // Step 3: quarter turns: sin(r + N π/2) and cos(r + N π/2), then sin's sign.
  switch (quadrant) {
  case 0:
    sine = s, cosine = c;
    break;
  case 1:
    sine = c, cosine = Negate(s);
    break;
  case 2:
    sine = Negate(s), cosine = Negate(c);
    break;
  default:
    sine = Negate(c), cosine = s;
    break;
  }
  if (x < 0)
    sine = Negate(sine);
}

// ---- Arctangent ----------------------------------------------------------

// atan of a finite x with 2^-32 <= |x| < 2^66; the first pass leaves the
// pair unnormalised (|lo| below 2^-16 of hi).
template <bool accurate> Pair ArctangentOf(Extended x) {
  // Step 1: for a = |x| <= 1 the nearest breakpoint c = j/128 and
  // t = (a - c) / (1 + a c); above 1, c = j/128 nearest to 1/a and
  // t = (1 - a c) / (a + c), so that atan a = (π/2 - atan c) - atan t.
  // Either way |t| <= 2^-8 (a little more where j comes from a rounded 1/a).
  const Extended a = Abs(x);
  const bool above = a > 1;
  // 128 a is exact and rounded once, so j > 0 only for a > 1/256; below
  // 1/256 the breakpoint is 0 without rounding anything.
  const Extended c = above                 ? NearestInteger(128 / a) * PowersOfHalf[7]
                     : a < PowersOfHalf[8] ? Extended(0)
                                           : NearestInteger(a * 128) * PowersOfHalf[7];
  const int j = static_cast<int>(Store(c * 128));
  // Step 2: t = q + qlo with t's numerator n formed exactly and its
  // denominator d as a pair.
  Extended q = a, qlo = 0;
  if (j != 0 || above) {
    // a c = ah c + al c exactly: c has at most 8 significant bits.
    const Pair halves = Split(a);
    Extended n = 1;
    Pair d{a, 0};
    if (!above) {
      // a - c is exact: both are multiples of a's ulp (a >= 2^-8) and
      // |a - c| <= 2^-8.
      n = a - c;
      const Pair sum = FastTwoSum(1, halves.hi * c);
      d = FastTwoSum(sum.hi, sum.lo + halves.lo * c);
    } else if (j != 0) {
      // 1 - ah c is exact (ah c has 40 significant bits and lies below 3),
      // and so is the second subtraction: 1 - a c is a multiple of 2^-7
      // times a's ulp and below a/256 (plus a rounding of 1/a), 64 bits.
      n = (1 - halves.hi * c) - halves.lo * c;
      d = TwoSum(a, c);
    }
    // q = n/d within 2^-63 from one division; the remainder n - q d is
    // exact but for q * d.lo (n and q d.hi agree to 62 bits, so n - p.hi is
    // exact), and corrects q to 2^-125.
    const Extended reciprocal = 1 / d.hi;
    q = n * reciprocal;
    const Pair p = TwoProduct(q, d.hi);
    qlo = (((n - p.hi) - p.lo) - q * d.lo) * reciprocal;
  }
  if (above)
    q = -q, qlo = -qlo;
  const Extended *row = ArctangentTable[j];
  const Pair base = above ? Pair{row[2], row[3]} : Pair{row[0], row[1]};
  Pair result;
  if constexpr (!accurate) {
    // Step 3: atan t - t = t u (-1/3 + u/5 - u^2/7 + u^3/9) with u = q^2 in
    // Extended: at most 2^-17.6 of t with a 2^-61 relative error (q
    // itself is within 2^-62 of t), and the first term left out is below
    // 2^-86 of t: in all below 2^-76 of the result.
    // The four terms pairwise (Estrin's scheme) for a shorter chain.
    const Extended u = q * q, u2 = u * u;
    const Extended tail = q * u *
                          ((u * ArctangentCoefficients[1][0] - ArctangentCoefficients[0][0]) +
                           u2 * (u * ArctangentCoefficients[3][0] - ArctangentCoefficients[2][0]));
    // Step 4: base + t + tail; the base is zero or larger than t, and the
    // sum of the small parts loses at most 2^-81 of the result.
    const Pair s = FastTwoSum(base.hi, q);
    result = {s.hi, s.lo + (base.lo + qlo + tail)};
  } else {
    // Step 3 (accurate): atan t - t = t u P(u) with P by Horner's rule on
    // pairs to u^7; the first term left out is below 2^-132 of t.
    const Pair t = FastTwoSum(q, qlo);
    const Pair u = Multiply(t, t);
    Pair P{ArctangentCoefficients[7][0], ArctangentCoefficients[7][1]};
    for (int k = 6; k >= 0; --k) {
      const Pair ak{ArctangentCoefficients[k][0], ArctangentCoefficients[k][1]};
      P = Add(k % 2 == 0 ? Negate(ak) : ak, Multiply(u, P));
    }
    // Step 4 (accurate): base + (t + t u P).
    result = Add(base, Add(t, Multiply(Multiply(t, u), P)));
  }
  return x < 0 ? Negate(result) : result;
}

} // namespace

void SineCosinePairs(Extended x, bool accurate, ExtendedPair &sine, ExtendedPair &cosine) {
  if (accurate)
    SineCosineOf<true>(x, sine, cosine);
  else
    SineCosineOf<false>(x, sine, cosine);
  sine = FastTwoSum(sine.hi, sine.lo);
  cosine = FastTwoSum(cosine.hi, cosine.lo);
}

ExtendedPair ArctangentPair(Extended x, bool accurate) {
  const Pair v = accurate ? ArctangentOf<true>(x) : ArctangentOf<false>(x);
  return FastTwoSum(v.hi, v.lo);
}

void SineCosine(Extended x, Extended &sine, Extended &cosine) {
  const Extended a = Abs(x);
  // Step 1: NaN and infinities give NaN. Below 2^-32, x^3/6 is under a
  // sixth of x's ulp and x^2/2 under half the gap below 1, so sin x rounds
  // to x (its sign kept, subnormals too) and cos x to 1.
  if (!(a <= ExtendedMax)) {
    sine = cosine = x - x;
    return;
  }
  if (a < PowersOfHalf[32]) {
    sine = x;
    cosine = 1;
    return;
  }
  // Step 2: the first pass, and the second where its rounding is unsettled.
  Pair s, c;
  SineCosineOf<false>(x, s, c);
  if (!RoundingIsSettled(s, FastSineCosineError) || !RoundingIsSettled(c, FastSineCosineError))
    SineCosineOf<true>(x, s, c);
  sine = s.hi + s.lo;
  cosine = c.hi + c.lo;
}

Extended Sine(Extended x) {
  Extended sine, cosine;
  SineCosine(x, sine, cosine);
  return sine;
}

Extended Cosine(Extended x) {
  Extended sine, cosine;
  SineCosine(x, sine, cosine);
  return cosine;
}

Extended Arctangent(Extended x) {
  const Extended a = Abs(x);
  // Step 1: NaN stays NaN. Below 2^-32, x^3/3 is under a third of x's ulp
  // and atan x rounds to x. From 2^66 on (infinity too), π/2 - atan x is
  // below 2^-66, an eighth of an ulp, and π/2 itself lies 0.23 ulp below
  // its nearest extended value HalfPi[0]: atan x rounds to HalfPi[0].
  if (x != x)
    return x + x;
  if (a < PowersOfHalf[32])
    return x;
  if (a >= ExactExtended(1, 66))
    return x < 0 ? -HalfPi[0] : HalfPi[0];
  // Step 2: the first pass, and the second where its rounding is unsettled.
  const Pair first = ArctangentOf<false>(x);
  if (RoundingIsSettled(first, FastArctangentError))
    return first.hi + first.lo;
  const Pair second = ArctangentOf<true>(x);
  return second.hi + second.lo;
}
