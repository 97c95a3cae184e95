// Sine, Cosine and Arctangent against MPFR: every result must be the exact
// value rounded to a 64-bit significand (MPFR at 64 bits, round to nearest,
// in the x87 exponent range with subnormals), over seeded random arguments
// of every size and the hardest cases for the reduction and the tables; both
// passes must stay within their error bounds; and the generated tables must
// match MPFR at high precision. Linux builds only (MPFR is a Debian package,
// for the build machine's architecture and for arm64).
#include "core/Trigonometry.h"
#include "core/TrigonometryTables.h"
#include "tests/core/TrigonometryHardCases.h"
#include "tests/support/MpfrExtended.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

// The x87 range: the smallest subnormal is 2^-16445 = 0.5 * 2^-16444.
const bool ExtendedRange = [] {
  UseExtendedRange();
  return true;
}();

// f(x) rounded once to the nearest extended value.
Extended Rounded(MpfrFunction f, Extended x) {
  mpfr_t a, y;
  mpfr_inits2(64, a, y, static_cast<mpfr_ptr>(nullptr));
  MpfrSetExtended(a, x);
  const int inexact = f(y, a, MPFR_RNDN);
  mpfr_subnormalize(y, inexact, MPFR_RNDN);
  const Extended r = ExtendedFromMpfr(y);
  mpfr_clears(a, y, static_cast<mpfr_ptr>(nullptr));
  return r;
}

struct Checked {
  const char *name;
  Extended (*ours)(Extended);
  MpfrFunction exact;
};

const Checked Functions[] = {
    {"Sine", Sine, mpfr_sin}, {"Cosine", Cosine, mpfr_cos}, {"Arctangent", Arctangent, mpfr_atan}};

// Counts a result of ours that is not f(x) correctly rounded; reports the first few.
void Compare(const Checked &f, Extended x, int &differences) {
  const Extended got = f.ours(x), want = Rounded(f.exact, x);
  if (!SameExtended(got, want) && ++differences <= 5)
    ADD_FAILURE() << f.name << "(" << ExtendedHex(x) << ") = " << ExtendedHex(got)
                  << ", correctly rounded " << ExtendedHex(want);
}

// Compares every function at every argument.
void CheckAll(const std::vector<Extended> &arguments, const char *what) {
  int differences = 0;
  for (const Checked &f : Functions)
    for (Extended x : arguments)
      Compare(f, x, differences);
  EXPECT_EQ(differences, 0) << what;
}

// A random significand (leading bit set) times 2^(e - 63), either sign
// (below the normal range, the bits that do not fit dropped).
Extended RandomExtended(std::mt19937_64 &random, int e) {
  const Extended x = ExtendedTruncated(random() | std::uint64_t(1) << 63, e - 63);
  return random() & 1 ? -x : x;
}

// x and its neighbours up to `steps` ulps away, with both signs.
void AddAround(std::vector<Extended> &out, Extended x, int steps) {
  for (int k = 0; k < steps; ++k)
    x = NextBelow(x);
  for (int k = -steps; k <= steps; ++k, x = NextAbove(x)) {
    out.push_back(x);
    out.push_back(-x);
  }
}

// log2 of the relative error of hi + lo against `exact`.
double ErrorBits(mpfr_srcptr exact, ExtendedPair v) {
  mpfr_t approx, part;
  mpfr_init2(approx, mpfr_get_prec(exact) + 64);
  mpfr_init2(part, 64);
  MpfrSetExtended(approx, v.hi);
  MpfrSetExtended(part, v.lo);
  mpfr_add(approx, approx, part, MPFR_RNDN);
  mpfr_sub(approx, approx, exact, MPFR_RNDN);
  mpfr_div(approx, approx, exact, MPFR_RNDN);
  const double e =
      mpfr_zero_p(approx) ? -1000 : std::log2(std::fabs(mpfr_get_d(approx, MPFR_RNDN)));
  mpfr_clears(approx, part, static_cast<mpfr_ptr>(nullptr));
  return e;
}

} // namespace

// Seeded random significands at random exponents in each band, both signs.
TEST(TrigonometryMpfr, RandomArgumentsRoundCorrectly) {
  struct Band {
    const char *name;
    int lowExponent, highExponent, count;
  };

  const Band bands[] = {{"subnormal", -16445, -16383, 2000}, {"tiny", -16382, -40, 4000},
                        {"near 2^-32", -40, -24, 6000},      {"below one", -24, 0, 20000},
                        {"up to 2^64", 0, 64, 20000},        {"huge", 64, 16384, 4000}};
  std::mt19937_64 random(20240917);
  for (const Band &band : bands) {
    std::vector<Extended> arguments;
    std::uniform_int_distribution<int> exponent(band.lowExponent, band.highExponent - 1);
    for (int i = 0; i < band.count; ++i)
      arguments.push_back(RandomExtended(random, exponent(random)));
    CheckAll(arguments, band.name);
  }
}

// The extended values nearest to k π/2 (found with MPFR at the precision k
// needs) for small k and for random k up to the top of the range, their
// neighbours, and the generator's hard cases (TrigonometryHardCases.h says
// which).
TEST(TrigonometryMpfr, NearestToMultiplesOfHalfPi) {
  std::vector<Extended> arguments;
  std::mt19937_64 random(7);
  mpz_t k;
  mpz_init(k);
  for (int i = 1; i <= 3000; ++i) {
    mpz_set_ui(k, static_cast<unsigned long>(i <= 1000 ? i : random() | 1));
    if (i > 1000)
      mpz_mul_2exp(k, k, std::uniform_int_distribution<unsigned>(0, 16318)(random));
    mpfr_t halfPi;
    mpfr_init2(halfPi, static_cast<mpfr_prec_t>(mpz_sizeinbase(k, 2) + 256));
    mpfr_const_pi(halfPi, MPFR_RNDN);
    mpfr_div_2ui(halfPi, halfPi, 1, MPFR_RNDN);
    mpfr_mul_z(halfPi, halfPi, k, MPFR_RNDN);
    const Extended nearest = ExtendedFromMpfr(halfPi);
    mpfr_clear(halfPi);
    if (nearest <= ExtendedMax)
      AddAround(arguments, nearest, i <= 1000 ? 2 : 1);
  }
  mpz_clear(k);
  for (Extended x : TrigonometryHardCases)
    AddAround(arguments, x, 1);
  CheckAll(arguments, "near k pi/2");
}

// The breakpoints of the tables and the limits of each range, a few ulps
// either side: j/128 (arctangent below 1; the even ones are the sine
// table's j/64) and the midpoints (j + 1/2)/128 where the nearest breakpoint
// changes, their reciprocals times 128^2 (arctangent above 1), π/4, the end
// of the unreduced range, 2^-32, 1, 256 and 2^66.
TEST(TrigonometryMpfr, BreakpointsAndRangeLimits) {
  std::vector<Extended> arguments;
  for (int halves = 1; halves <= 257; ++halves) {
    const Extended t = ExactExtended(static_cast<std::uint64_t>(halves), -1);
    AddAround(arguments, t / 128, 3);
    AddAround(arguments, 128 / t, 3);
  }
  // π/4 rounded, 0x1.92p-1, 2^-32, 1, 256, 2^66, 2^-16382, 2^-16445, the largest.
  for (Extended x : {ExtendedFromBits(0x3FFE, 0xC90FDAA22168C235), ExactExtended(0x192, -9),
                     ExactExtended(1, -32), Extended(1), Extended(256), ExactExtended(1, 66),
                     ExactExtended(1, -16382), ExactExtended(1, -16445), ExtendedMax})
    AddAround(arguments, x, 4);
  CheckAll(arguments, "breakpoints");
}

// Seeded random arguments from 2^-32 to 2^100 against MPFR at 192 bits:
// both passes within their bounds (the first within 2^-74 for sine and
// cosine and 2^-76 for the arctangent, as its rounding test assumes; the
// second within 2^-120); and where the exact value lies within 2^-10 ulp of
// a midpoint between two extended values (2^-74 relative or closer), where an
// error of the first pass would flip the rounding unless its rounding test
// hands over to the second, the results round correctly.
TEST(TrigonometryMpfr, PassBoundsAndNearMidpoints) {
  std::mt19937_64 random(4242);
  std::uniform_int_distribution<int> exponent(-31, 100);
  int near = 0, differences = 0;
  double worst[2][3] = {{-1000, -1000, -1000}, {-1000, -1000, -1000}};
  mpfr_t a, y, scaled;
  mpfr_inits2(192, a, y, scaled, static_cast<mpfr_ptr>(nullptr));
  for (int i = 0; i < 100000; ++i) {
    const Extended x = RandomExtended(random, exponent(random));
    MpfrSetExtended(a, x);
    ExtendedPair pairs[2][3];
    const bool arctangentRange = Abs(x) < ExactExtended(1, 66);
    for (int pass = 0; pass < 2; ++pass) {
      SineCosinePairs(x, pass == 1, pairs[pass][0], pairs[pass][1]);
      if (arctangentRange)
        pairs[pass][2] = ArctangentPair(x, pass == 1);
    }
    for (int k = 0; k < 3; ++k) {
      const Checked &f = Functions[k];
      f.exact(y, a, MPFR_RNDN);
      for (int pass = 0; pass < 2 && (k < 2 || arctangentRange); ++pass)
        worst[pass][k] = std::max(worst[pass][k], ErrorBits(y, pairs[pass][k]));
      // The fraction of an ulp beyond the 64th bit.
      mpfr_mul_2si(scaled, y, 64 - mpfr_get_exp(y), MPFR_RNDN);
      mpfr_abs(scaled, scaled, MPFR_RNDN);
      mpfr_frac(scaled, scaled, MPFR_RNDN);
      if (std::fabs(mpfr_get_d(scaled, MPFR_RNDN) - 0.5) >= 0x1p-10)
        continue;
      ++near;
      Compare(f, x, differences);
    }
  }
  mpfr_clears(a, y, scaled, static_cast<mpfr_ptr>(nullptr));
  EXPECT_EQ(differences, 0);
  EXPECT_GT(near, 400);
  for (int pass = 0; pass < 2; ++pass)
    for (int k = 0; k < 3; ++k)
      EXPECT_LT(worst[pass][k], pass    ? -120
                                : k < 2 ? -74
                                        : -76)
          << "pass " << pass + 1 << ", " << Functions[k].name;
  RecordProperty("near a midpoint", near);
}

// Every generated table against MPFR at 17,100 bits (2/π) or 400 bits.
TEST(TrigonometryTables, MatchMpfrAtHighPrecision) {
  constexpr int bits = 32 * TwoOverPiWordCount;
  mpfr_set_emax(mpfr_get_emax_max()); // 2/π * 2^bits lies beyond the x87 range
  mpfr_t v, x, rest;
  mpfr_inits2(bits + 128, v, x, rest, static_cast<mpfr_ptr>(nullptr));
  mpfr_const_pi(x, MPFR_RNDN);
  mpfr_ui_div(v, 2, x, MPFR_RNDN);
  mpfr_mul_2ui(v, v, bits, MPFR_RNDN);
  mpz_t z;
  mpz_init(z);
  mpfr_get_z(z, v, MPFR_RNDZ);
  int wrong = 0;
  for (int i = TwoOverPiWordCount - 1; i >= 0; --i, mpz_tdiv_q_2exp(z, z, 32))
    wrong += (mpz_get_ui(z) & 0xFFFFFFFFu) != TwoOverPiWords[i];
  EXPECT_EQ(wrong, 0) << "words of 2/pi";
  mpz_clear(z);
  mpfr_set_emax(16384);
  mpfr_t halfPi;
  mpfr_init2(halfPi, 400);
  for (mpfr_ptr p : {v, x, rest})
    mpfr_set_prec(p, 400);
  mpfr_const_pi(halfPi, MPFR_RNDN);
  mpfr_div_2ui(halfPi, halfPi, 1, MPFR_RNDN);
  // hi must be v rounded to an extended value and lo the rest rounded.
  const auto check = [&](const Extended *pair, const std::string &what) {
    const Extended hi = ExtendedFromMpfr(v);
    MpfrSetExtended(rest, hi);
    mpfr_sub(rest, v, rest, MPFR_RNDN);
    const Extended lo = ExtendedFromMpfr(rest);
    EXPECT_TRUE(SameExtended(pair[0], hi) && SameExtended(pair[1], lo))
        << what << ": {" << ExtendedHex(pair[0]) << ", " << ExtendedHex(pair[1]) << "}, want {"
        << ExtendedHex(hi) << ", " << ExtendedHex(lo) << "}";
  };
  mpfr_set(v, halfPi, MPFR_RNDN);
  check(HalfPi, "pi/2");
  for (int j = 0; j < SineTableSize; ++j) {
    mpfr_set_d(x, std::ldexp(j, -SineTableStepBits), MPFR_RNDN);
    mpfr_sin(v, x, MPFR_RNDN);
    check(SineCosineTable[j], "sin(" + std::to_string(j) + "/64)");
    mpfr_cos(v, x, MPFR_RNDN);
    check(SineCosineTable[j] + 2, "cos(" + std::to_string(j) + "/64)");
  }
  for (int j = 0; j < ArctangentTableSize; ++j) {
    mpfr_set_d(x, std::ldexp(j, -ArctangentTableStepBits), MPFR_RNDN);
    mpfr_atan(v, x, MPFR_RNDN);
    check(ArctangentTable[j], "atan(" + std::to_string(j) + "/128)");
    mpfr_sub(v, halfPi, v, MPFR_RNDN);
    check(ArctangentTable[j] + 2, "pi/2 - atan(" + std::to_string(j) + "/128)");
  }
  // Series coefficients 1/n! for n from 2 to 13 (cosine even, sine odd) and
  // 1/n for odd n from 3 to 17 (arctangent).
  for (unsigned long n = 2; n <= 17; ++n) {
    mpfr_fac_ui(x, n, MPFR_RNDN);
    mpfr_ui_div(v, 1, x, MPFR_RNDN);
    if (n <= 13)
      check(n % 2 ? SineCoefficients[(n - 2) / 2] : CosineCoefficients[(n - 2) / 2],
            "1/" + std::to_string(n) + "!");
    mpfr_set_ui(x, n, MPFR_RNDN);
    mpfr_ui_div(v, 1, x, MPFR_RNDN);
    if (n % 2)
      check(ArctangentCoefficients[(n - 3) / 2], "1/" + std::to_string(n));
  }
  mpfr_clears(v, x, rest, halfPi, static_cast<mpfr_ptr>(nullptr));
}

// The hard cases lie as close to multiples of π/2 as the generator says:
// none closer than 2^-ReductionWorstLeadingZeros, the closest within a
// factor 2 of it.
TEST(TrigonometryTables, HardCasesMatchTheReductionBound) {
  double closest = 0;
  for (Extended x : TrigonometryHardCases) {
    const int exponent = BinaryExponent(x) + 1;
    mpfr_t v, pi;
    mpfr_inits2(std::max(exponent, 0) + 400, v, pi, static_cast<mpfr_ptr>(nullptr));
    mpfr_const_pi(pi, MPFR_RNDN);
    mpfr_div_2ui(pi, pi, 1, MPFR_RNDN);
    MpfrSetExtended(v, x);
    mpfr_div(v, v, pi, MPFR_RNDN);
    mpfr_rint(pi, v, MPFR_RNDN);
    mpfr_sub(v, v, pi, MPFR_RNDN);
    const double distance = std::log2(std::fabs(mpfr_get_d(v, MPFR_RNDN)));
    mpfr_clears(v, pi, static_cast<mpfr_ptr>(nullptr));
    EXPECT_GE(distance, -ReductionWorstLeadingZeros) << ExtendedHex(x);
    closest = std::min(closest, distance);
  }
  EXPECT_LT(closest, 1 - ReductionWorstLeadingZeros);
}
