// The meter pairs: the modes' bits, complex arithmetic, and the ranges against the definitions
// over the box of readings; the value reader's refusals.
#include "core/MeterPairs.h"
#include "core/ParseNumber.h"
#include "core/RunCalc.h"
#include "tests/support/ExtendedChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// clang-format off
const std::pair<const char *, double CalcState::*> Results[] = {
    {"Z", &CalcState::Z}, {"Rs", &CalcState::Rs}, {"Xs", &CalcState::Xs}, {"Y", &CalcState::Y},
    {"Gp", &CalcState::Gp}, {"Bp", &CalcState::Bp}, {"Cs", &CalcState::Cs}, {"Cp", &CalcState::Cp},
    {"Ls", &CalcState::Ls}, {"Lp", &CalcState::Lp}, {"Rp", &CalcState::Rp}, {"Q", &CalcState::Q},
    {"D", &CalcState::D}, {"Phase", &CalcState::Phase}};

// clang-format on

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// What the value reader refuses at its edges (its spellings are in MeterValueTest); a refused
// text leaves the value alone.
TEST(MeterValue, RefusedTextsAndEdges) {
  const auto parse = [](std::string_view text, MeterValueStatus want, double value) {
    double v = 123;
    EXPECT_EQ(ParseMeterValue(text, Quantity::Ratio, v), want) << text;
    EXPECT_TRUE(SameBits(v, value)) << text << " gave " << v;
  };
  for (const char *text : {"", " 1", "1 ", ".", "1e", "inf", "0x10", "1kk", "1x", "n"})
    parse(text, MeterValueStatus::NotANumber, 123);
  for (const char *text : {"1e999", "1e308k", "1e99999999999999999999"})
    parse(text, MeterValueStatus::OutOfRange, 123);
  parse("1.7976931348623157e308", MeterValueStatus::Ok, 1.7976931348623157e308);
  parse(std::string_view("12k", 2), MeterValueStatus::Ok, 12); // only the view's bytes
}

// The order is the ranges' shape table's too.
TEST(MeterPairs, NamesInOrderAndFoundInAnyCase) {
  std::string names;
  for (const MeterPair &p : MeterPairs)
    names += std::string(p.name) + " ";
  EXPECT_EQ(names,
            "Cs-D Cs-Q Cs-Rs Cp-D Cp-Q Cp-G Cp-Rp Ls-D Ls-Q Ls-Rs Lp-D Lp-Q Lp-G Lp-Rp R-X G-B "
            "Z-thd Z-thr Y-thd Y-thr ");
  EXPECT_TRUE(FindMeterPair("cP-d") == &MeterPairs[3] &&
              FindMeterPair("Y-THR") == &MeterPairs[19] && FindMeterPair("Cp-D ") == nullptr);
}

// A mode's row texts for these readings, and the readings as the mode stores them.
struct ModeReadings {
  std::vector<std::string> rows;
  double f, a, b;
};

// The rows are read by ParseNumber; the pair then gets those very doubles.
ModeReadings ForMode(const MeterPair &pair, double f, double a, double b) {
  const auto text = [](double v) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", v);
    return std::string(buffer);
  };
  const std::string F = text(f), A = text(a), B = text(b);
  const double pf = ParseNumber(F), pa = ParseNumber(A), pb = ParseNumber(B);
  if (pair.modeId == 1) // R-X: bridge and actual frequency the same; rows X then R
    return {{F, F, B, A}, pf, pa, pb};
  if (pair.modeId == 2) // G-B in umhos
    return {{F, F, A, B}, pf, Store(Micro * Ext(pa)), Store(Micro * Ext(pb))};
  // Capacitance in uF, inductance in mH; V-Z's |Z| and degrees as they are.
  const Quantity q = pair.a.quantity;
  const double stored = q == Quantity::Capacitance  ? Store(Ext(pa) / MicrosPerUnit)
                        : q == Quantity::Inductance ? Store(Ext(pa) / MillisPerUnit)
                                                    : pa;
  return {{F, A, B}, pf, stored, pb};
}

// Readings over many decades, signed where the meter shows a sign.
double Reading(std::mt19937_64 &random, const MeterReading &r) {
  std::uniform_real_distribution<double> decades(-6, 6), angle(-720, 720);
  const bool angular = r.quantity == Quantity::Degrees || r.quantity == Quantity::Radians;
  double v = angular ? angle(random) : std::pow(10.0, decades(random));
  if (r.quantity == Quantity::Radians)
    v *= 0.0174;
  return r.isSigned && !angular && (random() & 1) ? -v : v;
}

using Complex = std::complex<long double>;

constexpr long double ProgramPi = 3.141592653589793L; // π as every formula holds it

// Sine and cosine accurate near ±π/2 too, where x87's fcos (mingw's cosl) loses digits:
// there cos x = sin(π/2 - |x|), with π/2 in two parts.
void AccurateSineCosine(long double x, long double &sine, long double &cosine) {
  const long double magnitude = std::fabs(x);
  if (magnitude <= 0.78539816339744830962L || magnitude >= 2.35619449019234492885L) {
    sine = std::sin(x), cosine = std::cos(x);
    return;
  }
  const long double halfPiHigh = 0xc90fdaa22168c235p-63L, halfPiLow = -0xece675d1fc8f8cbbp-129L;
  const long double rest = (halfPiHigh - magnitude) + halfPiLow;
  cosine = std::sin(rest);
  sine = std::copysign(std::cos(rest), x);
}

// The model a pair's readings describe, from the definitions: the reactive part from C or L
// (a capacitor's Xs and an inductor's Bp negative), the loss part from D (times its
// magnitude), Q (divided), R or G; R-X, G-B and the polar pairs directly.
struct Model {
  bool series; // (Rs, Xs) rather than (Gp, Bp)
  long double re, im;
};

Model ModelOf(const MeterPair &pair, double f, long double a, long double b) {
  const long double w = 2 * ProgramPi * f;
  const std::string n = pair.name, loss = n.substr(3);
  if (n == "R-X" || n == "G-B")
    return {n == "R-X", a, b};
  if (n[0] == 'Z' || n[0] == 'Y') {
    const long double angle = n.back() == 'd' ? b * ToLongDouble(DegreesToRadians) : b;
    long double sine, cosine;
    AccurateSineCosine(angle, sine, cosine);
    return {n[0] == 'Z', a * cosine, a * sine};
  }
  const bool series = n[1] == 's', negative = series == (n[0] == 'C');
  const long double reactive = negative ? -1 / (w * a) : w * a, m = std::fabs(reactive);
  return {series, loss == "D" ? b * m : loss == "Q" ? m / b : loss == "Rp" ? 1 / b : b, reactive};
}

// Every pair against complex arithmetic of its model; every pair that a mode also takes gives
// that mode's bits (the mode's entries in uF, mH, umhos).
TEST(MeterPairs, ComplexArithmeticAndTheSameBitsAsTheMode) {
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> frequency(1, 8);
  int compared = 0;
  for (const MeterPair &pair : MeterPairs)
    for (int trial = 0; trial < 5000; ++trial) {
      const double f = std::pow(10.0, frequency(random));
      const double a = Reading(random, pair.a), b = Reading(random, pair.b);
      SCOPED_TRACE(testing::Message() << pair.name << " F " << f << ", A " << a << ", B " << b);
      CalcState s{};
      ConvertMeterPair(s, pair, f, a, b);
      const Model m = ModelOf(pair, f, a, b);
      const Complex z = m.series ? Complex(m.re, m.im) : 1.0L / Complex(m.re, m.im), y = 1.0L / z;
      const double scale = double(std::abs(z)), yscale = double(std::abs(y));
      EXPECT_NEAR(s.Rs, double(z.real()), 1e-12 * scale);
      EXPECT_NEAR(s.Xs, double(z.imag()), 1e-12 * scale);
      EXPECT_NEAR(s.Gp, double(y.real()), 1e-12 * yscale); // Bp positive for a capacitive part
      EXPECT_NEAR(s.Bp, double(y.imag()), 1e-12 * yscale);
      if (pair.modeId != 0) {
        const ModeReadings r = ForMode(pair, f, a, b);
        CalcState byMode{}, byPair{};
        RunCalc(byMode, pair.modeId, std::vector<std::string_view>(r.rows.begin(), r.rows.end()));
        ConvertMeterPair(byPair, pair, r.f, r.a, r.b);
        for (const auto &[name, field] : Results)
          EXPECT_TRUE(SameBits(byMode.*field, byPair.*field))
              << name << ": mode " << byMode.*field << ", pair " << byPair.*field;
        ++compared;
      }
      ASSERT_FALSE(HasFailure());
    }
  EXPECT_EQ(compared, 11 * 5000);
}

// Each result by its definition (Results order), from the model of the readings: the ranges'
// oracle. The other model from the real formulas keeps a zero part's sign of its limit.
std::array<long double, 14> ByDefinition(const MeterPair &pair, double f, long double a,
                                         long double b) {
  const long double w = 2 * ProgramPi * f;
  const Model m = ModelOf(pair, f, a, b);
  const long double other = m.re * m.re + m.im * m.im;
  const long double Rs = m.series ? m.re : m.re / other, Xs = m.series ? m.im : -m.im / other;
  const long double Gp = m.series ? m.re / other : m.re, Bp = m.series ? -m.im / other : m.im;
  const long double Cs = 1 / (w * Xs), Ls = Xs / w, Q = -Bp / Gp, D = Gp / Bp;
  const long double Cp = Cs / (D * D + 1), Lp = (1 / (Q * Q) + 1) * Ls;
  const long double Phase = std::atan(Q) * 180 / ProgramPi;
  return {
      std::hypot(Rs, Xs), Rs, Xs, std::hypot(Gp, Bp), Gp, Bp, Cs, Cp, Ls, Lp, 1 / Gp, Q, D, Phase};
}

// The ranges hold every value the definitions give on a 41 × 41 grid over the box and 1001
// points along each edge, and where those are finite are no wider by more than 1 %; a range
// is undefined only where the calculation is at a corner or a zero crossing.
void CheckRanges(const MeterPair &pair, double ra, double rb, double boundA, double boundB) {
  constexpr int Grid = 41, EdgePoints = 1001;
  const double f = 1000;
  CalcState values{}, low{}, high{};
  ConvertMeterPair(values, pair, f, ra, rb);
  MeterPairRanges(pair, f, ra, rb, boundA, boundB, values, low, high);

  // The box, clipped as the readings can be.
  const Quantity qb = pair.b.quantity;
  const long double limit = qb == Quantity::Degrees ? 90 : 0x1.921fb54442d18p0;
  const long double a0 = std::max(0.0L, (long double)ra - boundA), a1 = ra + boundA;
  long double b0 = (long double)rb - boundB, b1 = (long double)rb + boundB;
  if (qb == Quantity::Degrees || qb == Quantity::Radians)
    b0 = std::max(b0, -limit), b1 = std::min(b1, limit);
  else if (!pair.b.isSigned)
    b0 = std::max(b0, 0.0L);

  std::array<long double, 14> smallest, largest;
  smallest.fill(INFINITY), largest.fill(-INFINITY);
  const auto sample = [&](long double a, long double b) {
    const auto v = ByDefinition(pair, f, a, b);
    for (int k = 0; k < 14; ++k)
      if (!std::isnan(v[k]))
        smallest[k] = std::min(smallest[k], v[k]), largest[k] = std::max(largest[k], v[k]);
  };
  for (int i = 0; i < Grid; ++i)
    for (int j = 0; j < Grid; ++j)
      sample(a0 + (a1 - a0) * i / (Grid - 1), b0 + (b1 - b0) * j / (Grid - 1));
  for (int i = 0; i < EdgePoints; ++i) {
    const long double a = a0 + (a1 - a0) * i / (EdgePoints - 1);
    const long double b = b0 + (b1 - b0) * i / (EdgePoints - 1);
    sample(a, b0), sample(a, b1), sample(a0, b), sample(a1, b);
  }

  // Whether the calculation leaves `field` undefined at a corner of the box or a B zero crossing.
  std::vector<double> corners = {(double)b0, (double)b1};
  if (b0 < 0 && b1 > 0)
    corners.insert(corners.end(), {-0.0, 0.0});
  const auto undefinedSomewhere = [&](double CalcState::*field) {
    for (double x : {(double)a0, (double)a1})
      for (double y : corners) {
        CalcState s{};
        ConvertMeterPair(s, pair, f, x, y);
        if (std::isnan(s.*field))
          return true;
      }
    return false;
  };

  SCOPED_TRACE(testing::Message() << pair.name << " A " << ra << " ± " << boundA << ", B " << rb
                                  << " ± " << boundB);
  for (int k = 0; k < 14; ++k) {
    const auto &[name, field] = Results[k];
    const double lo = low.*field, hi = high.*field;
    if (std::isnan(lo) || std::isnan(hi)) {
      EXPECT_TRUE(std::isnan(lo) && std::isnan(hi)) << name;
      EXPECT_TRUE(undefinedSomewhere(field)) << name;
      continue;
    }
    // The definitions' own rounding, far below anything a reading resolves.
    const auto size = [](double x) { return std::isfinite(x) ? std::fabs((long double)x) : 0; };
    const long double slack = 1e-13L * (size(lo) + size(hi));
    EXPECT_LE(lo, smallest[k] + slack) << name << " low " << lo << ", a value " << smallest[k];
    EXPECT_GE(hi, largest[k] - slack) << name << " high " << hi << ", a value " << largest[k];
    const bool finite = std::isfinite(smallest[k]) && std::isfinite(largest[k]);
    EXPECT_TRUE(!finite || (long double)hi - lo <= 1.01L * (largest[k] - smallest[k]) + 2 * slack)
        << name << " " << lo << " … " << hi << " for " << smallest[k] << " … " << largest[k];
  }
}

// Every pair at an ordinary reading, without loss (D, Q, Rs, G or phase 0) and where a result
// turns inside the box or the phase nears ±90°, at accuracies from 1e-9 to 50 % (a zero reading
// gets a few counts of the ordinary one's), one reading exact.
TEST(MeterPairRanges, HoldEveryValueOfTheBoxAndNoMore) {
  const struct {
    const char *pair;
    double a, ordinary, turning;
  } readings[] = {
      // clang-format off
      {"Cs-D", 1e-9, 0.01, 1}, {"Cs-Q", 1e-9, 100, 1}, {"Cs-Rs", 1e-9, 1000, 159155},
      {"Cp-D", 1e-9, 0.01, 1}, {"Cp-Q", 1e-9, 100, 1}, {"Cp-G", 1e-9, 1e-7, 6.3e-6},
      {"Cp-Rp", 1e-9, 1e6, 159155}, {"Ls-D", 1e-3, 0.01, 1}, {"Ls-Q", 1e-3, 50, 1},
      {"Ls-Rs", 1e-3, 0.1, 6.28}, {"Lp-D", 1e-3, 0.01, 1}, {"Lp-Q", 1e-3, 50, 1},
      {"Lp-G", 1e-3, 1e-4, 0.159}, {"Lp-Rp", 1e-3, 1e4, 6.28}, {"R-X", 10, 100, 10},
      {"G-B", 1e-3, 1e-2, 1e-3}, {"Z-thd", 100, 30, 89.99}, {"Z-thr", 100, 0.5, -1.5706},
      {"Y-thd", 1e-3, -30, -89.99}, {"Y-thr", 1e-3, 1.5, 1.5706},
      // clang-format on
  };

  const double accuracies[][2] = {{1e-3, 1e-2}, {0.1, 0.1}, {0.5, 0.5},
                                  {1e-9, 1e-9}, {1e-3, 0},  {0, 1e-2}};
  for (const auto &r : readings)
    for (const double b : {r.ordinary, 0.0, r.turning})
      for (const auto &[accuracyA, accuracyB] : accuracies) {
        CheckRanges(*FindMeterPair(r.pair), r.a, b, r.a * accuracyA,
                    accuracyB * (b != 0 ? std::fabs(b) : std::fabs(r.ordinary) / 4));
        ASSERT_FALSE(HasFailure());
      }
}

} // namespace
