// Sine, Cosine and Arctangent against MPFR: every result must be the exact
// value rounded to a 64-bit significand (MPFR at 64 bits, round to nearest,
// in the long double exponent range with subnormals), over seeded random
// arguments of every size and the hardest cases for the reduction and the
// tables; both passes must stay within their error bounds; and the generated
// tables must match MPFR at high precision. Linux only (MPFR is a Debian
// package of the build machine).
#include "core/Trigonometry.h"
#include "core/TrigonometryTables.h"
#include "tests/core/TrigonometryHardCases.h"

#include <gtest/gtest.h>
#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

// The long double range: the smallest subnormal is 2^-16445 = 0.5 * 2^-16444.
const bool LongDoubleRange = [] {
  mpfr_set_emin(-16444);
  mpfr_set_emax(16384);
  return true;
}();

// f(x) rounded once to the nearest long double.
long double Rounded(MpfrFunction f, long double x) {
  mpfr_t a, y;
  mpfr_inits2(64, a, y, static_cast<mpfr_ptr>(nullptr));
  mpfr_set_ld(a, x, MPFR_RNDN);
  const int inexact = f(y, a, MPFR_RNDN);
  mpfr_subnormalize(y, inexact, MPFR_RNDN);
  const long double r = mpfr_get_ld(y, MPFR_RNDN);
  mpfr_clears(a, y, static_cast<mpfr_ptr>(nullptr));
  return r;
}

// Bit for bit, so that -0 and +0 differ; any NaN matches any NaN.
bool Same(long double a, long double b) {
  return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

struct Checked {
  const char *name;
  long double (*ours)(long double);
  MpfrFunction exact;
};

const Checked Functions[] = {
    {"Sine", Sine, mpfr_sin}, {"Cosine", Cosine, mpfr_cos}, {"Arctangent", Arctangent, mpfr_atan}};

// Counts a result of ours that is not f(x) correctly rounded; reports the first few.
void Compare(const Checked &f, long double x, int &differences) {
  const long double got = f.ours(x), want = Rounded(f.exact, x);
  if (!Same(got, want) && ++differences <= 5)
    ADD_FAILURE() << f.name << "(" << std::hexfloat << x << ") = " << got << ", correctly rounded "
                  << want;
}

// Compares every function at every argument.
void CheckAll(const std::vector<long double> &arguments, const char *what) {
  int differences = 0;
  for (const Checked &f : Functions)
    for (long double x : arguments)
      Compare(f, x, differences);
  EXPECT_EQ(differences, 0) << what;
}

// A random significand (leading bit set) times 2^(e - 63), either sign.
long double RandomExtended(std::mt19937_64 &random, int e) {
  const long double x =
      std::ldexp(static_cast<long double>(random() | std::uint64_t(1) << 63), e - 63);
  return random() & 1 ? -x : x;
}

// x and its neighbours up to `steps` ulps away, with both signs.
void AddAround(std::vector<long double> &out, long double x, int steps) {
  for (int k = 0; k < steps; ++k)
    x = std::nextafter(x, -HUGE_VALL);
  for (int k = -steps; k <= steps; ++k, x = std::nextafter(x, HUGE_VALL)) {
    out.push_back(x);
    out.push_back(-x);
  }
}

// log2 of the relative error of hi + lo against `exact`.
double ErrorBits(mpfr_srcptr exact, ExtendedPair v) {
  mpfr_t approx, part;
  mpfr_init2(approx, mpfr_get_prec(exact) + 64);
  mpfr_init2(part, 64);
  mpfr_set_ld(approx, v.hi, MPFR_RNDN);
  mpfr_set_ld(part, v.lo, MPFR_RNDN);
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
    std::vector<long double> arguments;
    std::uniform_int_distribution<int> exponent(band.lowExponent, band.highExponent - 1);
    for (int i = 0; i < band.count; ++i)
      arguments.push_back(RandomExtended(random, exponent(random)));
    CheckAll(arguments, band.name);
  }
}

// The long doubles nearest to k π/2 (found with MPFR at the precision k
// needs) for small k and for random k up to the top of the range, their
// neighbours, and the generator's hard cases (TrigonometryHardCases.h says
// which).
TEST(TrigonometryMpfr, NearestToMultiplesOfHalfPi) {
  std::vector<long double> arguments;
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
    const long double nearest = mpfr_get_ld(halfPi, MPFR_RNDN);
    mpfr_clear(halfPi);
    if (std::isfinite(nearest))
      AddAround(arguments, nearest, i <= 1000 ? 2 : 1);
  }
  mpz_clear(k);
  for (long double x : TrigonometryHardCases)
    AddAround(arguments, x, 1);
  CheckAll(arguments, "near k pi/2");
}

// The breakpoints of the tables and the limits of each range, a few ulps
// either side: j/128 (arctangent below 1; the even ones are the sine
// table's j/64) and the midpoints (j + 1/2)/128 where the nearest breakpoint
// changes, their reciprocals times 128^2 (arctangent above 1), π/4, the end
// of the unreduced range, 2^-32, 1, 256 and 2^66.
TEST(TrigonometryMpfr, BreakpointsAndRangeLimits) {
  std::vector<long double> arguments;
  for (long double t = 0.5L; t <= 128.5L; t += 0.5L) {
    AddAround(arguments, t / 128, 3);
    AddAround(arguments, 128 / t, 3);
  }
  for (long double x : {0.78539816339744830962L, 0x1.92p-1L, 0x1p-32L, 1.0L, 256.0L, 0x1p66L,
                        0x1p-16382L, 0x1p-16445L, std::numeric_limits<long double>::max()})
    AddAround(arguments, x, 4);
  CheckAll(arguments, "breakpoints");
}

// Seeded random arguments from 2^-32 to 2^100 against MPFR at 192 bits:
// both passes within their bounds (the first within 2^-74 for sine and
// cosine and 2^-76 for the arctangent, as its rounding test assumes; the
// second within 2^-120); and where the exact value lies within 2^-10 ulp of
// a midpoint between two long doubles (2^-74 relative or closer), where an
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
    const long double x = RandomExtended(random, exponent(random));
    mpfr_set_ld(a, x, MPFR_RNDN);
    ExtendedPair pairs[2][3];
    for (int pass = 0; pass < 2; ++pass) {
      SineCosinePairs(x, pass == 1, pairs[pass][0], pairs[pass][1]);
      if (std::fabs(x) < 0x1p66L)
        pairs[pass][2] = ArctangentPair(x, pass == 1);
    }
    for (int k = 0; k < 3; ++k) {
      const Checked &f = Functions[k];
      f.exact(y, a, MPFR_RNDN);
      for (int pass = 0; pass < 2 && (k < 2 || std::fabs(x) < 0x1p66L); ++pass)
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
  mpfr_set_emax(mpfr_get_emax_max()); // 2/π * 2^bits lies beyond the long double range
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
  // hi must be v rounded to a long double and lo the rest rounded.
  const auto check = [&](const long double *pair, const std::string &what) {
    const long double hi = mpfr_get_ld(v, MPFR_RNDN);
    mpfr_set_ld(rest, hi, MPFR_RNDN);
    mpfr_sub(rest, v, rest, MPFR_RNDN);
    const long double lo = mpfr_get_ld(rest, MPFR_RNDN);
    EXPECT_TRUE(Same(pair[0], hi) && Same(pair[1], lo))
        << what << ": {" << std::hexfloat << pair[0] << ", " << pair[1] << "}, want {" << hi << ", "
        << lo << "}";
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
  for (long double x : TrigonometryHardCases) {
    int exponent = 0;
    std::frexp(x, &exponent);
    mpfr_t v, pi;
    mpfr_inits2(std::max(exponent, 0) + 400, v, pi, static_cast<mpfr_ptr>(nullptr));
    mpfr_const_pi(pi, MPFR_RNDN);
    mpfr_div_2ui(pi, pi, 1, MPFR_RNDN);
    mpfr_set_ld(v, x, MPFR_RNDN);
    mpfr_div(v, v, pi, MPFR_RNDN);
    mpfr_rint(pi, v, MPFR_RNDN);
    mpfr_sub(v, v, pi, MPFR_RNDN);
    const double distance = std::log2(std::fabs(mpfr_get_d(v, MPFR_RNDN)));
    mpfr_clears(v, pi, static_cast<mpfr_ptr>(nullptr));
    EXPECT_GE(distance, -ReductionWorstLeadingZeros) << std::hexfloat << x;
    closest = std::min(closest, distance);
  }
  EXPECT_LT(closest, 1 - ReductionWorstLeadingZeros);
}
