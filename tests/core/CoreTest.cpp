#include "core/ParseNumber.h"
#include "core/PowersOfTen.h"
#include "core/RunCalc.h"
#include "core/Trigonometry.h"
#include "tests/support/ExtendedChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <iomanip>
#include <random>
#include <string>
#include <tuple>
#include <vector>

namespace {

const double Inf = HUGE_VAL, NaN = std::nan("");

// Bit for bit, so that -0 and +0 differ; any NaN matches any NaN.
template <class T> bool Same(T got, T want) {
  return (std::isnan(got) && std::isnan(want)) ||
         (got == want && std::signbit(got) == std::signbit(want));
}

using FieldValue = std::tuple<double CalcState::*, const char *, double>;

#define FIELD(name, value)                                                                         \
  FieldValue { &CalcState::name, #name, value }

struct ModeCase {
  const char *label;
  int mode;
  std::vector<std::string_view> rows;
  std::vector<FieldValue> fields;
  bool exact = false;
};

CalcState Calculate(int mode, std::vector<std::string_view> rows, CalcState s = {}) {
  RunCalc(s, mode, rows);
  return s;
}

// From a zeroed record, to ten digits unless `exact`; zeros, infinities and NaN exactly.
void CheckModes(const std::vector<ModeCase> &cases) {
  for (const ModeCase &c : cases) {
    const CalcState s = Calculate(c.mode, c.rows);
    for (const auto &[field, name, want] : c.fields) {
      const bool exact = c.exact || want == 0 || !std::isfinite(want);
      EXPECT_TRUE(exact ? Same(s.*field, want)
                        : std::fabs(s.*field - want) <= 5e-10 * std::fabs(want))
          << c.label << ": " << name << " is " << std::setprecision(17) << s.*field;
    }
  }
}

// Exact unsigned integers, least significant limb first, no leading zero limbs.
using ExactInteger = std::vector<std::uint32_t>;

ExactInteger Multiply(const ExactInteger &a, const ExactInteger &b) {
  ExactInteger r(a.size() + b.size(), 0);
  for (std::size_t i = 0; i < a.size(); ++i) {
    std::uint64_t carry = 0;
    for (std::size_t j = 0; j <= b.size(); ++j, carry >>= 32) {
      carry += r[i + j] + (j < b.size() ? std::uint64_t(a[i]) * b[j] : 0);
      r[i + j] = static_cast<std::uint32_t>(carry);
    }
  }
  while (!r.empty() && r.back() == 0)
    r.pop_back();
  return r;
}

ExactInteger ShiftedInteger(std::uint64_t v, int shift = 0) { // v * 2^shift
  ExactInteger power(std::size_t(shift / 32), 0);
  power.push_back(1u << shift % 32);
  return Multiply({std::uint32_t(v), std::uint32_t(v >> 32)}, power);
}

bool IsLess(const ExactInteger &a, const ExactInteger &b) {
  return a.size() != b.size()
             ? a.size() < b.size()
             : std::lexicographical_compare(a.rbegin(), a.rend(), b.rbegin(), b.rend());
}

struct Binary {
  std::uint64_t significand;
  int exponent;
}; // significand * 2^exponent

// num / den * 2^exp2 rounded to 64 significant bits, to nearest, ties to even.
Binary RoundQuotient(const ExactInteger &num, const ExactInteger &den, int exp2) {
  const auto length = [](const ExactInteger &a) {
    return int(a.size() * 32) - std::countl_zero(a.back());
  };
  for (int s = 64 - length(num) + length(den);; --s) {
    const ExactInteger r = s >= 0 ? Multiply(num, ShiftedInteger(1, s)) : num,
                       d = s >= 0 ? den : Multiply(den, ShiftedInteger(1, -s));
    if (!IsLess(r, Multiply(d, ShiftedInteger(1, 64))))
      continue; // the quotient would need 65 bits
    // The quotient q bit by bit from the top, then 2r against (2q + 1) d.
    Binary v{0, exp2 - s};
    for (int i = 63; i >= 0; --i)
      if (!IsLess(r, Multiply(ShiftedInteger(v.significand | std::uint64_t(1) << i), d)))
        v.significand |= std::uint64_t(1) << i;
    const std::uint64_t q = v.significand;
    const ExactInteger twice = Multiply(r, ShiftedInteger(2));
    const ExactInteger midpoint =
        Multiply({std::uint32_t(q << 1 | 1), std::uint32_t(q >> 31), std::uint32_t(q >> 63)}, d);
    if (IsLess(midpoint, twice) || (!IsLess(twice, midpoint) && (q & 1)))
      if (++v.significand == 0) // carried past 64 bits
        v = {std::uint64_t(1) << 63, v.exponent + 1};
    return v;
  }
}

Binary RoundedProduct(Binary a, Binary b) {
  return RoundQuotient(Multiply(ShiftedInteger(a.significand), ShiftedInteger(b.significand)),
                       ShiftedInteger(1), a.exponent + b.exponent);
}

// 10^n the program's way (10^(n mod 8), times 10^(8 * 2^i) for the bits of n div 8 in
// increasing order, one extra 10^4096 past 4096), every product rounded.
Binary ExtendedPowerOfTen(int n) {
  static std::vector<Binary> table;
  for (ExactInteger p = ShiftedInteger(100000000); table.size() < 10; p = Multiply(p, p))
    table.push_back(RoundQuotient(p, ShiftedInteger(1), 0));
  const bool extraTop = n > 4096;
  n -= extraTop ? 4096 : 0;
  Binary power{static_cast<std::uint64_t>(std::pow(10, n % 8)), 0};
  for (std::size_t i = 0; i < 10; ++i)
    if (((n / 8) >> i) & 1)
      power = RoundedProduct(power, table[i]);
  return extraTop ? RoundedProduct(power, table[9]) : power;
}

// Each text from a heap buffer of exactly its length (no terminator, for the sanitizer).
void CheckAll(const std::vector<std::pair<std::string, double>> &cases) {
  for (const auto &[text, expected] : cases) {
    const std::vector<char> buffer(text.begin(), text.end());
    const double got = ParseNumber(buffer.data(), buffer.size());
    EXPECT_TRUE(Same(got, expected))
        << text << " gave " << std::hexfloat << got << " for " << expected;
  }
}

} // namespace

// Phase = extended atan(Q) times one factor 180/pi: 90 needs Q beyond ~4.1e15, and
// multiplying by 180 before dividing by pi would store ...26cp+6 for Q 258.5.
TEST(CalcStatePhase, ArctangentOfQInDegrees) {
  const struct {
    double gp, bp, phase;
  } cases[] = {
      // clang-format off
      {1, -4.1e15, 0x1.67fffffffffffp+6}, {1, -4.2e15, 90}, {1, 4.2e15, -90}, {1, -Inf, 90},
      {1, Inf, -90}, {1, -1, 45}, {2, -517, 0x1.671d08d40726dp+6},
      // clang-format on
  };

  for (const auto &c : cases) {
    CalcState s{.F = 1000, .Gp = c.gp, .Bp = c.bp};
    DeriveQuantities(s);
    EXPECT_EQ(s.Phase, c.phase) << "Gp " << c.gp << ", Bp " << c.bp;
  }
}

// Unknown modes leave the record alone; F0Bridge and Lp-R's Aux keep their last values.
TEST(RunCalcRows, UnknownModesAndUnfedFields) {
  const CalcState afterLpR =
      Calculate(14, {"1000", "1", "1"}, Calculate(1, {"1234", "1000", "1", "1"}));
  const CalcState s = Calculate(3, {"1000", "1", "0.01"}, afterLpR);
  EXPECT_TRUE(s.F0Bridge == 1234 && s.Aux == afterLpR.Aux && s.Aux != 0);
  for (int mode : {0, 17}) {
    const CalcState unknown = Calculate(mode, {"1", "2", "3", "4", "5"}, s);
    EXPECT_EQ(std::memcmp(&unknown, &s, sizeof s), 0) << "mode " << mode;
  }
}

TEST(RunCalcModes, WorkedExamplesAndEveryMode) {
  // clang-format off
  CheckModes({
      {"1 uF, D 0.01 at 1 kHz", 3, {"1000", "1", ".01"},
       {FIELD(Xs, -159.1549431), FIELD(Rs, 1.591549431), FIELD(Gp, 6.282557051e-5), FIELD(Bp, 6.282557051e-3),
        FIELD(Y, 6.282871171e-3), FIELD(Cs, -1e-6), FIELD(Cp, -9.999000100e-7), FIELD(Ls, -0.02533029591),
        FIELD(Lp, -0.02533282894), FIELD(Q, -100), FIELD(Phase, -89.42706130), FIELD(Rp, 15917.08586)}},
      {"10 mH, Q 50 at 1 kHz", 7, {"1000", "10", "50"},
       {FIELD(Xs, 62.83185307), FIELD(Rs, 1.256637061), FIELD(D, -0.02), FIELD(Phase, 88.85423716),
        FIELD(Lp, 0.010004), FIELD(Cs, 2.533029591e-6)}},
      // A negative R flips Q, the phase and Rp, not the reactive parts.
      {"negative R", 1, {"1000", "1000", "100", "-50"},
       {FIELD(Q, -2), FIELD(Phase, -63.43494882), FIELD(Rp, -250), FIELD(Ls, 0.01591549431)}},
      // Zero, negative and infinite parts flow through unchecked; a missing row reads as "".
      {"purely resistive", 1, {"1000", "1000", "0", "50"},
       {FIELD(Bp, -0.0), FIELD(Q, 0.0), FIELD(D, -Inf), FIELD(Cs, Inf), FIELD(Cp, NaN), FIELD(Lp, NaN)}},
      {"lossless reactance, R row missing", 1, {"1000", "1000", "100"},
       {FIELD(Gp, 0.0), FIELD(Bp, -0.01), FIELD(Q, Inf), FIELD(D, -0.0), FIELD(Phase, 90), FIELD(Rp, Inf)}},
      {"zero capacitance", 5, {"1000", "0", "47"},
       {FIELD(Xs, -Inf), FIELD(Gp, 0.0), FIELD(Bp, NaN), FIELD(Z, Inf), FIELD(Q, NaN), FIELD(Rp, Inf)}},
      {"zero capacitance, negative R", 5, {"1000", "0", "-10"}, {FIELD(Gp, -0.0), FIELD(Rp, -Inf)}},
      {"Lp-R with Rp 0, through Q", 14, {"1000", "1", "0"}, {FIELD(Gp, Inf), FIELD(Bp, NaN)}},
      // Pair-shared modes are held to the pairs' bits in MeterPairsTest; Aux is not compared there.
      {"Lp-R", 14, {"1000", "10", "470"}, {FIELD(Lp, 10e-3), FIELD(Rp, 470), FIELD(Aux, 62.83185307)}},
      // Unlike parts: 1 uF (D 0.01) with 3 uF (D 0.03), 1 mH (Q 10) with 3 mH (Q 30).
      {"Cs||Cs", 6, {"1000", "1", "0.01", "3", "0.03"}, {FIELD(Cs, -3.999700090e-6), FIELD(D, 0.02499700090)}},
      {"Cs-Cs", 10, {"1000", "1", "0.01", "3", "0.03"}, {FIELD(Cs, -0.75e-6), FIELD(D, 0.015)}},
      {"Ls-Ls", 12, {"1000", "1", "10", "3", "30"}, {FIELD(Ls, 4e-3), FIELD(Q, 20)}},
      // Bridge readings away from the bridge's own frequency.
      {"R-X at a tenth of f0", 1, {"1000", "100", "50", "10"}, {FIELD(Xs, 500), FIELD(Rs, 10)}},
      {"G-B at twice f0", 2, {"1000", "2000", "100", "300"}, {FIELD(Rs, 270.2702703), FIELD(Xs, -1621.621622)}},
      {"R-X with Actual f0 0", 1, {"1000", "0", "-50", "10"}, {FIELD(Xs, -Inf)}},
      // Exact: extended intermediates, checked with exact rational arithmetic rounded to 64 bits
      // after every operation and to double on every store; plain doubles differ.
      {"Ls-R", 15, {"1000", "63", "3"}, // in double: Xs ...c64p+8
       {FIELD(Xs, 0x1.8bd7366f31c63p+8), FIELD(Gp, 0x1.41332b276b539p-16), FIELD(Z, 0x1.8bda1f735fc8fp+8)}, true},
      // The divisor A stays extended (a stored A gives ...023p+2).
      {"Cs||Cs", 6, {"1000", "1", "0.1", "1", "0.03"}, {FIELD(Rs, 0x1.4aa3722dbe025p+2)}, true},
      // L1, R1, R2 and R are stored doubles (extended ones give ...f3p-1).
      {"Ls||Ls", 11, {"1000", "1", "3", "1", "20"},
       {FIELD(Rs, 0x1.2e53af53934f4p-1), FIELD(Xs, 0x1.99e885d8ba5cfp+1)}, true},
      // The angle reaches the sine as a stored double in V-Z, extended in IVP.
      {"V-Z", 9, {"1000", "100", "30"}, {FIELD(Xs, 0x1.8ffffffffffffp+5)}, true},
      {"IVP", 13, {"1000", "1", "0.01", "30"}, {FIELD(Xs, 50.0)}, true},
      // Phases of many turns (sine and cosine from MPFR at 64 bits, then the formula's rounding).
      {"V-Z, phase -728192 degrees", 9, {"0.00056", "-8.6773e+09", "-728192"},
       {FIELD(Rs, -0x1.20cdefaba2799p+28), FIELD(Xs, -0x1.02723763a5854p+33)}, true},
      {"V-Z, phase 653542025.47 degrees", 9, {"1000", "100", "653542025.47"},
       {FIELD(Rs, -0x1.8e2db2171f2b5p+6), FIELD(Xs, -0x1.3109df1b699dap+3)}, true},
      {"IVP, phase -728192 degrees", 13, {"1000", "120", "0.5", "-728192"},
       {FIELD(Rs, 0x1.0c0733d566186p+3), FIELD(Xs, 0x1.dfb525133162dp+7)}, true},
      {"IVP, phase 653542025.47 degrees", 13, {"1000", "1", "0.01", "653542025.47"},
       {FIELD(Rs, -0x1.8e2db216b865cp+6), FIELD(Xs, -0x1.3109df3cf356fp+3)}, true},
  });
  // clang-format on
}

// The program's own sine, cosine and arctangent, the same bits on every build (MPFR 4.2 at 64
// bits, nearest): near multiples of pi/2, a table limit (the rest in the MPFR test).
TEST(Trigonometry, PointCasesRoundCorrectly) {
  constexpr auto X = ExactExtended;

  const struct {
    Extended x, sine, cosine, arctangent;
    const char *what;
  } cases[] = {
      // clang-format off
      {X(0x860A91C16B9B2946, -64), X(0xFFFFFFFFFFFFFB0A, -65), X(0xDDB3D742C265550C, -64),
       X(0xF6F64E0C95FD51F0, -65), "30 degrees"},
      {X(0xC90FDAA22168C235, -63), X(0x8000000000000000, -63), -X(0xECE675D1FC8F8CBB, -129),
       X(0x807F4C3F6817F9BD, -63), "nearest to pi/2"},
      {X(0xF28AB66522546EE1, 10531), -X(0x8000000000000000, -63), -X(0xB05944258A463FAF, -139),
       X(0xC90FDAA22168C235, -63), "closest to a multiple of pi/2"},
      {X(0xFFFFFFFFFFFFFFFD, -71), X(0xFFFF555577777434, -71), X(0xFFFE0000AAAA93E9, -64),
       X(0xFFFEAAADDDD4B965, -71), "just below 1/128"},
      {X(0x8000000000000000, 3), -X(0xC10CC66470BB9627, -67), X(0xFEDC3128802FA8C0, -64),
       X(0xC90FDAA22168C235, -63), "2^66"},
      // Zero keeps its sign; infinities and NaN give NaN, but an arctangent of pi/2.
      {0, 0, 1, 0, "zero"},
      {ExtendedInfinity, ExtendedNaN(), ExtendedNaN(), X(0xC90FDAA22168C235, -63), "infinity"},
      {ExtendedNaN(), ExtendedNaN(), ExtendedNaN(), ExtendedNaN(), "NaN"},
      // clang-format on
  };

  // Sine and arctangent are odd and cosine even, exactly.
  for (const auto &c : cases)
    for (const int sign : {1, -1}) {
      const Extended x = sign * c.x;
      Extended sine = 0, cosine = 0;
      SineCosine(x, sine, cosine);
      EXPECT_TRUE(SameExtended(Sine(x), sign * c.sine) && SameExtended(sine, sign * c.sine) &&
                  SameExtended(Cosine(x), c.cosine) && SameExtended(cosine, c.cosine) &&
                  SameExtended(Arctangent(x), sign * c.arctangent))
          << sign << " " << c.what << ": " << ExtendedHex(Sine(x)) << " " << ExtendedHex(Cosine(x))
          << " " << ExtendedHex(Arctangent(x));
    }
}

// The neighbours the accuracy ranges use, on every build: zero, subnormals, range ends.
TEST(ExtendedNeighbours, StepOneValue) {
  constexpr auto B = ExtendedFromBits;
  const Extended tiny = ExactExtended(1, -16445);

  const struct {
    Extended x, below, above;
    const char *what;
  } cases[] = {
      // clang-format off
      {0, -tiny, tiny, "+0"}, {-Extended(0), -tiny, tiny, "-0"},
      {tiny, 0, ExactExtended(2, -16445), "smallest subnormal"},
      {B(1, 1ULL << 63), B(0, 0x7FFFFFFFFFFFFFFF), B(1, 0x8000000000000001), "smallest normal"},
      {1, B(0x3FFE, 0xFFFFFFFFFFFFFFFF), B(0x3FFF, 0x8000000000000001), "1"},
      {ExtendedMax, B(0x7FFE, 0xFFFFFFFFFFFFFFFE), ExtendedInfinity, "largest"},
      {ExtendedInfinity, ExtendedMax, ExtendedInfinity, "infinity"},
      // clang-format on
  };

  for (const auto &c : cases)
    for (const int sign : {1, -1}) {
      const Extended x = sign * c.x;
      const Extended below = sign > 0 ? c.below : -c.above, above = sign > 0 ? c.above : -c.below;
      EXPECT_TRUE(NextBelow(x) == below && NextAbove(x) == above &&
                  (below != 0 || SignBit(NextBelow(x)) == SignBit(below)))
          << (sign < 0 ? "minus " : "") << c.what << ": " << ExtendedHex(NextBelow(x)) << " "
          << ExtendedHex(NextAbove(x));
    }
}

TEST(ParseNumber, DecimalAndRadixCorners) {
  const std::string many9(3000000, '9'), zeros(4000000, '0');
  // clang-format off
  CheckAll({
      // Blanks are space, tab, CR and LF; the first character that cannot continue ends it.
      {"", 0.0}, {" \t\r\n12 ", 12.0}, {"\v7", 0.0}, {std::string(1, '\xA0') + "5", 0.0},
      {"1,5", 1.0}, {"1.5.2", 1.5}, {"0x1F", 0.0}, {"1.5E3.7", 1500.0}, {".", 0.0}, {"5.", 5.0},
      {std::string("12\0\x33\x34", 5), 12.0}, {".5", 0.5}, {"007", 7.0}, {"0e999999", 0.0},
      {"-", -0.0}, {"-0", -0.0}, {"- 5", -0.0}, {"-&H10", -0.0}, {"+5", 5.0}, {"+-5", 0.0},
      {"-.5", -0.5}, {"1e+3", 1000.0}, {"1D3", 1000.0}, {"2.5E-3", 0.0025}, {"1 E5", 1.0},
      {"E5", 0.0}, {"2E+", 2.0}, {"1e+-3", 1.0}, {"1E\xB9", 1.0}, {"4.9406564584124654E-324", 0x1p-1074},
      {"1E00000000000000000000000000000000003", 1000.0}, {"1.7976931348623157E308", 0x1.fffffffffffffp+1023},
      // Beyond double, infinity; from decimal position 4933 on, a fixed 2^127 or zero.
      {"1.7976931348623159E308", Inf}, {"9.99E4931", Inf}, {"1E4932", 0x1p127},
      {"-1E5000", -0x1p127}, {"-1E-5000", -0.0},
      {"9007199254740993.0001", 0x1p53}, // digits past the 18th dropped: 2^53 + 1, ties to even
      // Rounded to 64 bits, then to double, beside a halfway point (one rounding differs).
      {"1.87577391565668820E25", 0x1.f08362789d05ap+83}, {"7.63594345073120274E21", 0x1.9df200bf7a4bep+72},
      // Millions of characters: no counter wraps, the exponent saturates at 9999, linear time.
      {"3.14159265358979323" + many9, 0x1.921fb54442d18p+1}, {"1E" + many9, 0x1p127},
      {zeros + "1.5", 1.5}, {"-0." + zeros + "1", -0.0}, {"1" + zeros + "E-3999990", 0x1p127},
      // Radix forms.
      {"&h1f", 31.0}, {"&B101", 5.0}, {"&O17", 15.0}, {"&q7", 7.0}, {"&17", 15.0}, {"  &H10", 16.0},
      {"&", 0.0}, {"&HG", 0.0}, {"& H1", 0.0}, {"&B2", 0.0}, // below: the sign from leading digit, suffix, size
      {"&H8000", -32768.0}, {"&H7FFF", 32767.0}, {"&HFFFF%", -1.0}, {"&H0FFFF", 65535.0},
      {"&HFFFF&", 65535.0}, {"&HFFFF&&", 65535.0}, {"&H10000", 65536.0}, {"&H80000000", -0x1p31},
      {"&HFFFFFFFF&", -1.0}, {"&HFFFFFFFF&&", 0x1p32 - 1}, {"&H100000000", 0x1p32}, {"&19", 1.0},
      {"&HFFFFFFFFFFFFFFFF&&", -1.0}, {"&H0FFFFFFFFFFFFFFFF", -1.0}, {"&H7FFFFFFFFFFFFFFF?", 0x1p63},
      {"&H08000000000000000?", 0.0}, // "?" wins over a leading zero
      // A bit pushed out of 64 gives zero; leading zeros never do.
      {"&H1FFFFFFFFFFFFFFFF", 0.0}, {"&H00000000000000000000001", 1.0}, {"&B" + std::string(65, '1'), 0.0},
      {"&O1777777777777777777777", -1.0}, {"&O2000000000000000000000", 0.0},
  });
  // clang-format on
  EXPECT_EQ(ParseNumber("12345", 3), 123.0); // only the first `length` bytes are read
  EXPECT_EQ(ParseNumber(nullptr, 0), 0.0);
}

// Seeded random texts against exact arithmetic rounded where the program rounds.
TEST(ParseNumberDecimal, RandomTextsMatchExactArithmetic) {
  std::mt19937_64 random(20240611);
  const auto pick = [&](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(random);
  };
  for (int trial = 0; trial < 6000; ++trial) {
    const int count = pick(1, 24); // significant digits, the first one non-zero
    std::string digits(1, char('1' + pick(0, 8)));
    while (int(digits.size()) < count)
      digits += char('0' + pick(0, 9));
    // The point after `point` digits, after leading zeros if negative, or left out.
    const int point = pick(-40, count + 1), exponent = pick(-360, 330);
    const std::size_t at = std::size_t(std::clamp(point, 0, count));
    std::string text = pick(0, 1) ? "-" : "";
    text += point < 0 ? "0." + std::string(std::size_t(-point), '0') + digits
                      : digits.substr(0, at) + (point > count ? "" : ".") + digits.substr(at);
    text += pick(0, 1) ? 'E' : 'd';
    text += std::to_string(exponent);
    const int kept = std::min(count, 18), scale = std::min(point, count) + exponent - kept;
    const std::uint64_t m = std::stoull(digits.substr(0, std::size_t(kept)));
    const Binary power = ExtendedPowerOfTen(std::abs(scale));
    const Binary exact =
        scale >= 0
            ? RoundedProduct({m, 0}, power)
            : RoundQuotient(ShiftedInteger(m), ShiftedInteger(power.significand), -power.exponent);
    const double d = Store(ExactExtended(exact.significand, exact.exponent));
    CheckAll({{text, text[0] == '-' ? -d : d}});
    ASSERT_FALSE(HasFailure());
  }
}

// Exact up to 10^27; beyond, the documented order's rounded products, bit for bit.
TEST(PowerOfTen, FollowsTheMultiplicationOrderBitForBit) {
  // From 4933 on past the extended range, including exponents the table cannot spell.
  for (int n : {0,    1,    7,    8,    16,   19,   27,    28,     31,        32,
                64,   100,  128,  255,  256,  343,  512,   1024,   2048,      4095,
                4096, 4097, 4500, 4932, 4933, 8192, 12288, 100000, 2147483647}) {
    const Binary p = n > 4932 ? Binary{0, 0} : ExtendedPowerOfTen(n);
    EXPECT_TRUE(SameExtended(PowerOfTen(n), n > 4932 ? ExtendedInfinity
                                                     : ExactExtended(p.significand, p.exponent)))
        << "10^" << n << ": " << ExtendedHex(PowerOfTen(n));
  }
}
