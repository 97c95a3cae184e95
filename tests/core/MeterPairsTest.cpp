// The meter pairs: the bits of the modes that take the same readings, every
// pair against complex arithmetic of its own, and the ranges of the results
// against the definitions over the box of readings; the value reader's
// refusals.
#include "core/MeterPairs.h"
#include "core/ParseNumber.h"
#include "core/RunCalc.h"

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

// The result columns, by name.
const std::pair<const char *, double CalcState::*> Results[] = {
    {"Z", &CalcState::Z},   {"Rs", &CalcState::Rs},      {"Xs", &CalcState::Xs},
    {"Y", &CalcState::Y},   {"Gp", &CalcState::Gp},      {"Bp", &CalcState::Bp},
    {"Cs", &CalcState::Cs}, {"Cp", &CalcState::Cp},      {"Ls", &CalcState::Ls},
    {"Lp", &CalcState::Lp}, {"Rp", &CalcState::Rp},      {"Q", &CalcState::Q},
    {"D", &CalcState::D},   {"Phase", &CalcState::Phase}};

bool SameBits(double a, double b) {
  return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

// What the value reader refuses, and how it rounds at its edges (its
// spellings are in MeterValueTest); a refused text leaves the value alone.
TEST(MeterValue, RefusedTextsAndEdges) {
  using enum MeterValueStatus;
  using Q = Quantity;

  const struct {
    const char *text;
    Quantity quantity;
    MeterValueStatus status;
    double value;
  } cases[] = {
      // clang-format off
      {"-0", Q::Ratio, Ok, -0.0}, {"1.7976931348623157e308", Q::Ratio, Ok, 1.7976931348623157e308},
      {"0.1e-8m", Q::Ratio, Ok, 1e-12}, // prefix and exponent combine before the one rounding
      {"", Q::Ratio, NotANumber, 123}, {" 1", Q::Ratio, NotANumber, 123},
      {"1 ", Q::Ratio, NotANumber, 123}, {".", Q::Ratio, NotANumber, 123},
      {"1e", Q::Ratio, NotANumber, 123}, {"inf", Q::Ratio, NotANumber, 123},
      {"0x10", Q::Ratio, NotANumber, 123}, {"4n7k", Q::Ratio, NotANumber, 123},
      {"1kk", Q::Ratio, NotANumber, 123}, {"1x", Q::Ratio, NotANumber, 123},
      {"n", Q::Ratio, NotANumber, 123}, // a prefix alone ("n7" is a marking, 0.7n)
      {"4n7e3", Q::Ratio, NotANumber, 123}, // no exponent after a prefix point
      {"4.7nH", Q::Capacitance, WrongUnit, 123}, {"1F", Q::Ratio, WrongUnit, 123},
      {"30deg", Q::Radians, WrongUnit, 123}, {"1Hz", Q::Resistance, WrongUnit, 123},
      {"1e999", Q::Ratio, OutOfRange, 123}, {"1e308k", Q::Ratio, OutOfRange, 123},
      {"1e99999999999999999999", Q::Ratio, OutOfRange, 123},
      // clang-format on
  };

  for (const auto &c : cases) {
    double v = 123;
    EXPECT_EQ(ParseMeterValue(c.text, c.quantity, v), c.status) << c.text;
    EXPECT_TRUE(SameBits(v, c.value)) << c.text << " gave " << v;
  }
  // Only the view's bytes are read: the 'k' beyond it does not count.
  double v = 0;
  EXPECT_TRUE(ParseMeterValue(std::string_view("12k", 2), Q::Ratio, v) == Ok && v == 12);
}

// The order is the ranges' shape table's too.
TEST(MeterPairs, NamesInOrderAndFoundInAnyCase) {
  std::string names;
  for (const MeterPair &p : MeterPairs)
    names += std::string(p.name) + " ";
  EXPECT_EQ(names,
            "Cs-D Cs-Q Cs-Rs Cp-D Cp-Q Cp-G Cp-Rp Ls-D Ls-Q Ls-Rs Lp-D Lp-Q Lp-G Lp-Rp R-X G-B "
            "Z-thd Z-thr Y-thd Y-thr ");
  EXPECT_EQ(FindMeterPair("cP-d"), &MeterPairs[3]);
  EXPECT_EQ(FindMeterPair("Y-THR"), &MeterPairs[19]);
  EXPECT_EQ(FindMeterPair("Cp-D "), nullptr);
}

// The texts a mode's rows would hold for these readings, and the readings
// as the mode stores them after its unit conversion.
struct ModeReadings {
  std::vector<std::string> rows;
  double f, a, b;
};

std::string Text(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.17g", v);
  return buffer;
}

ModeReadings ForMode(const MeterPair &pair, double f, double a, double b) {
  // The rows are read by ParseNumber; the pair then gets those very doubles.
  const std::string F = Text(f), A = Text(a), B = Text(b);
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

// Every pair that a mode also takes gives that mode's bits, result for result.
TEST(MeterPairs, SameBitsAsTheModeWithTheSameReadings) {
  std::mt19937_64 random(20261207);
  std::uniform_real_distribution<double> frequency(1, 8);
  int compared = 0;
  for (const MeterPair &pair : MeterPairs) {
    if (pair.modeId == 0)
      continue;
    for (int trial = 0; trial < 5000; ++trial) {
      const double f = std::pow(10.0, frequency(random));
      // The mode's entries in its own units (uF, mH, umhos).
      const double a = Reading(random, pair.a), b = Reading(random, pair.b);
      const ModeReadings m = ForMode(pair, f, a, b);
      std::vector<std::string_view> rows(m.rows.begin(), m.rows.end());
      CalcState byMode{}, byPair{};
      RunCalc(byMode, pair.modeId, rows);
      ConvertMeterPair(byPair, pair, m.f, m.a, m.b);
      for (const auto &[name, field] : Results)
        EXPECT_TRUE(SameBits(byMode.*field, byPair.*field))
            << pair.name << " " << name << ": mode " << byMode.*field << ", pair " << byPair.*field
            << " (F " << m.f << ", A " << m.a << ", B " << m.b << ")";
      ++compared;
      ASSERT_FALSE(HasFailure());
    }
  }
  EXPECT_EQ(compared, 11 * 5000);
}

using Complex = std::complex<long double>;

// π as every formula holds it.
constexpr long double ProgramPi = 3.141592653589793L;

// A finite extended constant of the formulas as the oracle's long double
// (the same value where long double is the x87 format, exactly held where
// it is wider).
long double AsLongDouble(Extended x) {
  const int field = ExtendedSignExponent(x) & 0x7FFF;
  const long double magnitude =
      std::ldexp((long double)ExtendedSignificand(x), (field == 0 ? 1 : field) - 16383 - 63);
  return SignBit(x) ? -magnitude : magnitude;
}

// Sine and cosine of an angle, accurate to the last bits also near ±π/2,
// where the cosine is tiny and x87's fcos (mingw's cosl) loses digits: there
// cos x = sin(π/2 - |x|), with π/2 - |x| formed from π/2 in two parts.
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

// The model a pair's readings describe, from the definitions: the
// reactance of the series model or the susceptance of the parallel one from
// the C or L reading (a capacitor's Xs and an inductor's Bp negative), the
// loss part from D (D times its magnitude), Q (divided by Q), a resistance
// or a conductance; R-X, G-B and the polar pairs directly.
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
    const long double angle = n.back() == 'd' ? b * AsLongDouble(DegreesToRadians) : b;
    long double sine, cosine;
    AccurateSineCosine(angle, sine, cosine);
    return {n[0] == 'Z', a * cosine, a * sine};
  }
  const bool series = n[1] == 's', negative = series == (n[0] == 'C');
  const long double reactive = negative ? -1 / (w * a) : w * a, m = std::fabs(reactive);
  return {series, loss == "D" ? b * m : loss == "Q" ? m / b : loss == "Rp" ? 1 / b : b, reactive};
}

Complex Impedance(const MeterPair &pair, double f, long double a, long double b) {
  const Model m = ModelOf(pair, f, a, b);
  return m.series ? Complex(m.re, m.im) : 1.0L / Complex(m.re, m.im);
}

TEST(MeterPairs, EveryPairDescribesTheImpedanceOfItsReadings) {
  std::mt19937_64 random(77);
  for (const MeterPair &pair : MeterPairs)
    for (int trial = 0; trial < 300; ++trial) {
      const double f = 1000 * (1 + trial % 7), a = Reading(random, pair.a),
                   b = Reading(random, pair.b);
      CalcState s{};
      ConvertMeterPair(s, pair, f, a, b);
      const Complex z = Impedance(pair, f, a, b), y = 1.0L / z;
      const long double scale = std::abs(z), yscale = std::abs(y);
      SCOPED_TRACE(testing::Message() << pair.name << " F " << f << ", A " << a << ", B " << b);
      EXPECT_NEAR(s.Rs, double(z.real()), 1e-12 * double(scale));
      EXPECT_NEAR(s.Xs, double(z.imag()), 1e-12 * double(scale));
      // Bp positive for a capacitive part: the admittance's imaginary part.
      EXPECT_NEAR(s.Gp, double(y.real()), 1e-12 * double(yscale));
      EXPECT_NEAR(s.Bp, double(y.imag()), 1e-12 * double(yscale));
      ASSERT_FALSE(HasFailure());
    }
}

// What each result is by its definition, from the model of the readings
// (Results order), at extended precision: an oracle for the ranges. The
// other model comes from the real formulas, so that a part that is zero
// keeps the sign of its limit from inside the box, as in the calculation.
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

// Whether the calculation leaves `field` undefined at a corner of the box or
// where its B reading crosses zero.
bool UndefinedSomewhere(const MeterPair &pair, double f, std::array<double, 2> a, long double b0,
                        long double b1, double CalcState::*field) {
  std::vector<double> b = {(double)b0, (double)b1};
  if (b0 < 0 && b1 > 0)
    b.insert(b.end(), {-0.0, 0.0});
  for (double x : a)
    for (double y : b) {
      CalcState s{};
      ConvertMeterPair(s, pair, f, x, y);
      if (std::isnan(s.*field))
        return true;
    }
  return false;
}

// One case of the range tests: readings, and accuracies as fractions of
// the readings (absolute where a reading is zero).
struct RangeCase {
  const char *pair;
  double a, b, accuracyA, accuracyB;
};

// Every pair at an ordinary reading, at a reading without loss (D = 0,
// Q = 0, Rs = 0, G = 0, a phase of 0) and where a result turns inside the
// box or the phase is near ±90° (D = 1, Q = 1, the parts of Z or Y of equal
// size), with accuracies from 1e-9 to 50 %, and with one reading exact.
std::vector<RangeCase> RangeCases() {
  const struct {
    const char *pair;
    double a, ordinary, lossless, turning;
  } readings[] = {
      {"Cs-D", 1e-9, 0.01, 0, 1},       {"Cs-Q", 1e-9, 100, 0, 1},
      {"Cs-Rs", 1e-9, 1000, 0, 159155}, {"Cp-D", 1e-9, 0.01, 0, 1},
      {"Cp-Q", 1e-9, 100, 0, 1},        {"Cp-G", 1e-9, 1e-7, 0, 6.3e-6},
      {"Cp-Rp", 1e-9, 1e6, 0, 159155},  {"Ls-D", 1e-3, 0.01, 0, 1},
      {"Ls-Q", 1e-3, 50, 0, 1},         {"Ls-Rs", 1e-3, 0.1, 0, 6.28},
      {"Lp-D", 1e-3, 0.01, 0, 1},       {"Lp-Q", 1e-3, 50, 0, 1},
      {"Lp-G", 1e-3, 1e-4, 0, 0.159},   {"Lp-Rp", 1e-3, 1e4, 0, 6.28},
      {"R-X", 10, 100, 0, 10},          {"G-B", 1e-3, 1e-2, 0, 1e-3},
      {"Z-thd", 100, 30, 0, 89.99},     {"Z-thr", 100, 0.5, 0, -1.5706},
      {"Y-thd", 1e-3, -30, 0, -89.99},  {"Y-thr", 1e-3, 1.5, 0, 1.5706},
  };

  const double accuracies[][2] = {{1e-3, 1e-2}, {0.1, 0.1}, {0.5, 0.5},
                                  {1e-9, 1e-9}, {1e-3, 0},  {0, 1e-2}};
  std::vector<RangeCase> cases;
  for (const auto &r : readings)
    for (const double b : {r.ordinary, r.lossless, r.turning})
      for (const auto &accuracy : accuracies) {
        // A reading of zero gets an absolute accuracy of a few counts of
        // the other reading's scale.
        const double absolute = accuracy[1] * (r.ordinary != 0 ? std::fabs(r.ordinary) : 1) / 4;
        cases.push_back({r.pair, r.a, b, accuracy[0], b != 0 ? accuracy[1] : absolute});
      }
  return cases;
}

// The ranges hold every value the definitions give on a 41 × 41 grid over
// the box and at 1001 points along each edge, and where those values are
// finite the range is no wider than theirs by more than 1 % (the samples
// reach the true ends within their spacing). A range is undefined only
// where the calculation is at a corner of the box or a zero crossing (the
// Cp and Lp of a phase that may be 0, the results of a Q of 0).
TEST(MeterPairRanges, HoldEveryValueOfTheBoxAndNoMore) {
  constexpr int Grid = 41, EdgePoints = 1001;
  for (const RangeCase &c : RangeCases()) {
    const MeterPair &pair = *FindMeterPair(c.pair);
    const double f = 1000;
    const double boundA = std::fabs(c.a) * c.accuracyA;
    const double boundB = c.b != 0 ? std::fabs(c.b) * c.accuracyB : c.accuracyB;
    CalcState values{}, low{}, high{};
    ConvertMeterPair(values, pair, f, c.a, c.b);
    MeterPairRanges(pair, f, c.a, c.b, boundA, boundB, values, low, high);

    // The box, clipped as the readings can be.
    const Quantity qb = pair.b.quantity;
    const long double limit = qb == Quantity::Degrees ? 90 : 0x1.921fb54442d18p0;
    const long double a0 = std::max(0.0L, (long double)c.a - boundA), a1 = c.a + boundA;
    long double b0 = (long double)c.b - boundB, b1 = (long double)c.b + boundB;
    if (qb == Quantity::Degrees || qb == Quantity::Radians)
      b0 = std::max(b0, -limit), b1 = std::min(b1, limit);
    else if (!pair.b.isSigned)
      b0 = std::max(b0, 0.0L);

    std::array<long double, 14> smallest, largest;
    smallest.fill(INFINITY);
    largest.fill(-INFINITY);
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

    SCOPED_TRACE(testing::Message()
                 << c.pair << " A " << c.a << " ± " << boundA << ", B " << c.b << " ± " << boundB);
    for (int k = 0; k < 14; ++k) {
      const auto &[name, field] = Results[k];
      const double lo = low.*field, hi = high.*field;
      if (std::isnan(lo) || std::isnan(hi)) {
        EXPECT_TRUE(std::isnan(lo) && std::isnan(hi)) << name;
        EXPECT_TRUE(UndefinedSomewhere(pair, f, {(double)a0, (double)a1}, b0, b1, field)) << name;
        continue;
      }
      // The definitions' own rounding, far below anything a reading
      // resolves.
      const auto size = [](double x) { return std::isfinite(x) ? std::fabs((long double)x) : 0; };
      const long double slack = 1e-13L * (size(lo) + size(hi));
      EXPECT_LE(lo, smallest[k] + slack) << name << " low " << lo << ", a value " << smallest[k];
      EXPECT_GE(hi, largest[k] - slack) << name << " high " << hi << ", a value " << largest[k];
      if (std::isfinite(smallest[k]) && std::isfinite(largest[k])) {
        EXPECT_LE((long double)hi - lo, 1.01L * (largest[k] - smallest[k]) + 2 * slack)
            << name << " " << lo << " … " << hi << " for values " << smallest[k] << " … "
            << largest[k];
      }
    }
    ASSERT_FALSE(HasFailure());
  }
}

} // namespace
