// Sine, Cosine and Arctangent against MPFR (64 bits, round to nearest, x87
// exponent range with subnormals): random arguments of every size, the hardest
// cases for the reduction and the tables, both passes' error bounds, the tables.
#include "core/Trigonometry.h"
#include "core/TrigonometryTables.h"
#include "tests/core/TrigonometryHardCases.h"
#include "tests/support/MpfrExtended.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <tuple>
#include <vector>

namespace {

using MpfrFunction = int (*)(mpfr_ptr, mpfr_srcptr, mpfr_rnd_t);

const struct {
  const char *name;
  Extended (*ours)(Extended);
  MpfrFunction exact;
} Functions[] = {
    {"Sine", Sine, mpfr_sin}, {"Cosine", Cosine, mpfr_cos}, {"Arctangent", Arctangent, mpfr_atan}};

// Counts (and reports the first few) results of ours that are not f(x) rounded once.
void Compare(int k, Extended x, int &differences) {
  UseExtendedRange();
  mpfr_t a, y;
  mpfr_inits2(64, a, y, static_cast<mpfr_ptr>(nullptr));
  MpfrSetExtended(a, x);
  mpfr_subnormalize(y, Functions[k].exact(y, a, MPFR_RNDN), MPFR_RNDN);
  const Extended got = Functions[k].ours(x), want = ExtendedFromMpfr(y);
  mpfr_clears(a, y, static_cast<mpfr_ptr>(nullptr));
  if (!SameExtended(got, want) && ++differences <= 5)
    ADD_FAILURE() << Functions[k].name << "(" << ExtendedHex(x) << ") = " << ExtendedHex(got)
                  << ", correctly rounded " << ExtendedHex(want);
}

void CheckAll(const std::vector<Extended> &arguments, const char *what) {
  int differences = 0;
  for (int k = 0; k < 3; ++k)
    for (Extended x : arguments)
      Compare(k, x, differences);
  EXPECT_EQ(differences, 0) << what;
}

// A random significand times 2^(e - 63), either sign (below 2^-16382 the low bits dropped).
Extended RandomExtended(std::mt19937_64 &random, int e) {
  const std::uint64_t bits = random() | std::uint64_t(1) << 63;
  return ExtendedFromBits(static_cast<std::uint16_t>((random() & 1) << 15 | std::max(e + 16383, 0)),
                          e < -16382 ? bits >> (-16382 - e) : bits);
}

// x and its neighbours up to `steps` ulps away, with both signs.
void AddAround(std::vector<Extended> &out, Extended x, int steps) {
  for (int k = 0; k < steps; ++k)
    x = NextBelow(x);
  for (int k = -steps; k <= steps; ++k, x = NextAbove(x))
    out.insert(out.end(), {x, -x});
}

// log2 of the relative error of hi + lo against `exact`.
double ErrorBits(mpfr_srcptr exact, ExtendedPair v) {
  mpfr_t approx, part;
  mpfr_inits2(mpfr_get_prec(exact) + 64, approx, part, static_cast<mpfr_ptr>(nullptr));
  MpfrSetExtended(approx, v.hi);
  MpfrSetExtended(part, v.lo);
  mpfr_add(approx, approx, part, MPFR_RNDN);
  mpfr_sub(approx, approx, exact, MPFR_RNDN);
  mpfr_div(approx, approx, exact, MPFR_RNDN);
  const double e = std::log2(std::fabs(mpfr_get_d(approx, MPFR_RNDN))); // -inf when exact
  mpfr_clears(approx, part, static_cast<mpfr_ptr>(nullptr));
  return e;
}

} // namespace

// Seeded random significands at random exponents in each band, both signs.
TEST(TrigonometryMpfr, RandomArgumentsRoundCorrectly) {
  const std::tuple<const char *, int, int, int> bands[] = {
      {"subnormal", -16445, -16383, 2000}, {"tiny", -16382, -40, 4000},
      {"near 2^-32", -40, -24, 6000},      {"below one", -24, 0, 20000},
      {"up to 2^64", 0, 64, 20000},        {"huge", 64, 16384, 4000}};
  std::mt19937_64 random(20240917);
  for (const auto &[name, low, high, count] : bands) {
    std::vector<Extended> arguments;
    std::uniform_int_distribution<int> exponent(low, high - 1);
    for (int i = 0; i < count; ++i)
      arguments.push_back(RandomExtended(random, exponent(random)));
    CheckAll(arguments, name);
  }
}

// With their neighbours: the values nearest to k π/2 and the generator's hard cases;
// the breakpoints j/128, midpoints, their reciprocals times 128^2, the range limits.
TEST(TrigonometryMpfr, HardArgumentsRoundCorrectly) {
  std::vector<Extended> arguments;
  std::mt19937_64 random(7);
  for (int i = 1; i <= 3000; ++i) {
    const int shift = i <= 1000 ? 0 : std::uniform_int_distribution<int>(0, 16318)(random);
    mpfr_t halfPi;
    mpfr_init2(halfPi, shift + 320); // k = odd * 2^shift
    mpfr_const_pi(halfPi, MPFR_RNDN);
    mpfr_mul_ui(halfPi, halfPi, static_cast<unsigned long>(i <= 1000 ? i : random() | 1),
                MPFR_RNDN);
    mpfr_mul_2si(halfPi, halfPi, shift - 1, MPFR_RNDN);
    const Extended nearest = ExtendedFromMpfr(halfPi);
    mpfr_clear(halfPi);
    if (nearest <= ExtendedMax)
      AddAround(arguments, nearest, i <= 1000 ? 2 : 1);
  }
  // The hard cases: none closer to k π/2 than the reduction allows, the closest within 2x.
  double closest = 0;
  for (Extended x : TrigonometryHardCases) {
    AddAround(arguments, x, 1);
    mpfr_t v, pi;
    mpfr_inits2(std::max(BinaryExponent(x) + 1, 0) + 400, v, pi, static_cast<mpfr_ptr>(nullptr));
    mpfr_const_pi(pi, MPFR_RNDN);
    mpfr_div_2ui(pi, pi, 1, MPFR_RNDN);
    MpfrSetExtended(v, x);
    mpfr_remainder(v, v, pi, MPFR_RNDN); // x - N π/2
    mpfr_div(v, v, pi, MPFR_RNDN);
    const double distance = std::log2(std::fabs(mpfr_get_d(v, MPFR_RNDN)));
    mpfr_clears(v, pi, static_cast<mpfr_ptr>(nullptr));
    EXPECT_GE(distance, -ReductionWorstLeadingZeros) << ExtendedHex(x);
    closest = std::min(closest, distance);
  }
  EXPECT_LT(closest, 1 - ReductionWorstLeadingZeros);
  CheckAll(arguments, "near k pi/2");
  arguments.clear();
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

// 2^-32 to 2^100 against 192 bits: pass 1 within 2^-74 (2^-76 arctangent) as its rounding
// test assumes, pass 2 within 2^-120; near a midpoint, where that test must hand over, exact.
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
      pairs[pass][2] = arctangentRange ? ArctangentPair(x, pass == 1) : ExtendedPair{};
    }
    for (int k = 0; k < 3; ++k) {
      Functions[k].exact(y, a, MPFR_RNDN);
      for (int pass = 0; pass < 2 && (k < 2 || arctangentRange); ++pass)
        worst[pass][k] = std::max(worst[pass][k], ErrorBits(y, pairs[pass][k]));
      mpfr_mul_2si(scaled, y, 64 - mpfr_get_exp(y), MPFR_RNDN); // y in units of its last place
      mpfr_abs(scaled, scaled, MPFR_RNDN);
      mpfr_frac(scaled, scaled, MPFR_RNDN);
      if (std::fabs(mpfr_get_d(scaled, MPFR_RNDN) - 0.5) < 0x1p-10) {
        ++near;
        Compare(k, x, differences);
      }
    }
  }
  mpfr_clears(a, y, scaled, static_cast<mpfr_ptr>(nullptr));
  EXPECT_EQ(differences, 0);
  EXPECT_GT(near, 400);
  const double bounds[2][3] = {{-74, -74, -76}, {-120, -120, -120}};
  for (int pass = 0; pass < 2; ++pass)
    for (int k = 0; k < 3; ++k)
      EXPECT_LT(worst[pass][k], bounds[pass][k])
          << "pass " << pass + 1 << ", " << Functions[k].name;
}

// Every generated table against MPFR at 17,100 bits (2/π) or 400 bits.
TEST(TrigonometryTables, MatchMpfrAtHighPrecision) {
  constexpr int bits = 32 * TwoOverPiWordCount;
  mpfr_set_emax(mpfr_get_emax_max()); // 2/π * 2^bits lies beyond the x87 range
  mpfr_t v, x, rest, halfPi;
  mpfr_inits2(bits + 128, v, x, rest, static_cast<mpfr_ptr>(nullptr));
  mpfr_const_pi(x, MPFR_RNDN);
  mpfr_ui_div(v, 2, x, MPFR_RNDN);
  mpfr_mul_2ui(v, v, bits, MPFR_RNDN);
  mpz_t z, words; // the words, most significant first
  mpz_inits(z, words, static_cast<mpz_ptr>(nullptr));
  mpfr_get_z(z, v, MPFR_RNDZ);
  mpz_import(words, TwoOverPiWordCount, 1, sizeof TwoOverPiWords[0], 0, 0, TwoOverPiWords);
  EXPECT_EQ(mpz_cmp(z, words), 0) << "words of 2/pi";
  mpz_clears(z, words, static_cast<mpz_ptr>(nullptr));
  mpfr_clears(v, x, rest, static_cast<mpfr_ptr>(nullptr));
  mpfr_inits2(400, v, x, rest, halfPi, static_cast<mpfr_ptr>(nullptr));
  mpfr_const_pi(halfPi, MPFR_RNDN);
  mpfr_div_2ui(halfPi, halfPi, 1, MPFR_RNDN);
  // hi must be v rounded to an extended value and lo the rest rounded.
  const auto check = [&](const Extended *pair, const char *what, unsigned long j) {
    const Extended hi = ExtendedFromMpfr(v);
    MpfrSetExtended(rest, hi);
    mpfr_sub(rest, v, rest, MPFR_RNDN);
    const Extended lo = ExtendedFromMpfr(rest);
    EXPECT_TRUE(SameExtended(pair[0], hi) && SameExtended(pair[1], lo))
        << what << j << ": want " << ExtendedHex(hi) << " " << ExtendedHex(lo);
  };
  mpfr_set(v, halfPi, MPFR_RNDN);
  check(HalfPi, "pi/2 * ", 1);
  for (int j = 0; j < ArctangentTableSize; ++j) {
    mpfr_set_d(x, std::ldexp(j, -ArctangentTableStepBits), MPFR_RNDN);
    mpfr_atan(v, x, MPFR_RNDN);
    check(ArctangentTable[j], "atan of 128ths: ", j);
    mpfr_sub(v, halfPi, v, MPFR_RNDN);
    check(ArctangentTable[j] + 2, "pi/2 - atan of 128ths: ", j);
    if (j >= SineTableSize)
      continue;
    mpfr_set_d(x, std::ldexp(j, -SineTableStepBits), MPFR_RNDN);
    mpfr_sin(v, x, MPFR_RNDN);
    check(SineCosineTable[j], "sin of 64ths: ", j);
    mpfr_cos(v, x, MPFR_RNDN);
    check(SineCosineTable[j] + 2, "cos of 64ths: ", j);
  }
  // 1/n! for n from 2 to 13 (cosine even, sine odd); 1/n for odd n from 3 to 17 (arctangent).
  for (unsigned long n = 2; n <= 17; ++n) {
    mpfr_fac_ui(x, n, MPFR_RNDN);
    mpfr_ui_div(v, 1, x, MPFR_RNDN);
    if (n <= 13)
      check(n % 2 ? SineCoefficients[(n - 2) / 2] : CosineCoefficients[(n - 2) / 2], "1/n!, n=", n);
    mpfr_set_ui(x, n, MPFR_RNDN);
    mpfr_ui_div(v, 1, x, MPFR_RNDN);
    if (n % 2)
      check(ArctangentCoefficients[(n - 3) / 2], "1/n, n=", n);
  }
  mpfr_clears(v, x, rest, halfPi, static_cast<mpfr_ptr>(nullptr));
}
