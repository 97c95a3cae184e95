// The strict meter-value reader and the meter pairs: the bits of the modes
// that take the same readings, every pair against complex arithmetic of its
// own, and the bounds' derivatives against finite differences.
#include "core/MeterPairs.h"
#include "core/ParseNumber.h"
#include "core/RunCalc.h"

#include <gtest/gtest.h>

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

// An accepted text gives exactly `value`; a refused one its status, and
// the value is left alone (123).
TEST(MeterValue, AcceptedAndRefusedTexts) {
  using enum MeterValueStatus;
  using Q = Quantity;

  const struct {
    const char *text;
    Quantity quantity;
    MeterValueStatus status;
    double value;
  } cases[] = {
      // clang-format off
      {"4.7nF", Q::Capacitance, Ok, 4.7e-9}, {"4n7F", Q::Capacitance, Ok, 4.7e-9},
      {"1e-9", Q::Capacitance, Ok, 1e-9}, {"1F", Q::Capacitance, Ok, 1.0},
      {"1f", Q::Capacitance, Ok, 1e-15}, {"2.2fF", Q::Capacitance, Ok, 2.2e-15},
      // The micro sign, the Greek mu and u.
      {"1.5\xC2\xB5H", Q::Inductance, Ok, 1.5e-6}, {"1.5\xCE\xBCH", Q::Inductance, Ok, 1.5e-6},
      {"1.5uH", Q::Inductance, Ok, 1.5e-6},
      {"100mOhm", Q::Resistance, Ok, 0.1}, {"4k7", Q::Resistance, Ok, 4700.0},
      {"1M\xCE\xA9", Q::Resistance, Ok, 1e6}, {"3\xE2\x84\xA6", Q::Resistance, Ok, 3.0},
      {"2ohms", Q::Resistance, Ok, 2.0}, {"-12.5deg", Q::Degrees, Ok, -12.5},
      {"30\xC2\xB0", Q::Degrees, Ok, 30.0}, {"1.5rad", Q::Radians, Ok, 1.5},
      {"1mHz", Q::Frequency, Ok, 0.001}, {"1MHz", Q::Frequency, Ok, 1e6},
      {"3mho", Q::Conductance, Ok, 3.0}, {"2mmho", Q::Conductance, Ok, 0.002},
      {"5mS", Q::Conductance, Ok, 0.005},
      {"+.5", Q::Ratio, Ok, 0.5}, {"5.", Q::Ratio, Ok, 5.0}, {"200u", Q::Ratio, Ok, 0.0002},
      {"1.5E+3k", Q::Ratio, Ok, 1.5e6}, {"-0", Q::Ratio, Ok, -0.0},
      {"1.7976931348623157e308", Q::Ratio, Ok, 1.7976931348623157e308},
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

// The impedance a pair's readings describe, from the definitions: the
// reactance of the series model or the susceptance of the parallel one from
// the C or L reading (a capacitor's Xs and an inductor's Bp negative), the
// loss part from D (D times its magnitude), Q (divided by Q), a resistance
// or a conductance; R-X, G-B and the polar pairs directly.
Complex Impedance(const MeterPair &pair, double f, long double a, long double b) {
  const long double pi = 3.14159265358979323846L, w = 2 * pi * f;
  const std::string n = pair.name, loss = n.substr(3);
  if (n == "R-X" || n == "G-B")
    return n == "R-X" ? Complex(a, b) : 1.0L / Complex(a, b);
  if (n[0] == 'Z' || n[0] == 'Y') {
    const Complex z = std::polar(a, n.back() == 'd' ? b * pi / 180 : b);
    return n[0] == 'Z' ? z : 1.0L / z;
  }
  const bool series = n[1] == 's', negative = series == (n[0] == 'C');
  const long double reactive = negative ? -1 / (w * a) : w * a, m = std::fabs(reactive);
  const Complex v(loss == "D" ? b * m : loss == "Q" ? m / b : loss == "Rp" ? 1 / b : b, reactive);
  return series ? v : 1.0L / v;
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

// The bound with only one reading uncertain is |d result / d reading| times
// that reading's bound: compared with a central difference of the results.
TEST(MeterPairs, BoundsFollowTheDerivatives) {
  std::mt19937_64 random(4242);
  for (const MeterPair &pair : MeterPairs)
    for (int trial = 0; trial < 60; ++trial) {
      const double f = 1000 * (1 + trial % 5), a = Reading(random, pair.a),
                   b = Reading(random, pair.b);
      for (int which = 0; which < 2; ++which) {
        // The step in A, or in B; the bound of that reading 1, of the other 0.
        const double h = std::fabs(which == 0 ? a : b) * 1e-6, ha = which == 0 ? h : 0, hb = h - ha;
        CalcState up{}, down{}, bounds{};
        ConvertMeterPair(up, pair, f, a + ha, b + hb);
        ConvertMeterPair(down, pair, f, a - ha, b - hb);
        MeterPairBounds(pair, f, a, b, ha / h, hb / h, bounds);
        for (const auto &[name, field] : Results) {
          const double slope = std::fabs((up.*field - down.*field) / (2 * h));
          // Where the result is flat the difference is only rounding noise.
          const double noise = 1e-9 * (std::fabs(up.*field) + std::fabs(down.*field)) / h;
          EXPECT_NEAR(bounds.*field, slope, 1e-4 * slope + noise)
              << pair.name << " d" << name << "/d" << (which == 0 ? pair.a.name : pair.b.name)
              << " at F " << f << ", A " << a << ", B " << b;
        }
        ASSERT_FALSE(HasFailure());
      }
    }
}

// A reading without error adds nothing to a bound, even where the derivative
// by it is undefined: D = 0 makes Rp infinite and its derivative undefined;
// with an exact D the reactive results keep finite bounds all the same. How
// the two readings' shares add up and scale with their bounds is pinned by
// the companion's accuracy output for these readings (CliTest).
TEST(MeterPairs, ExactReadingAddsNothing) {
  CalcState lossless{};
  MeterPairBounds(*FindMeterPair("Cp-D"), 1000, 1e-9, 0, 5e-13, 0, lossless);
  EXPECT_TRUE(std::isnan(lossless.Rp));
  for (double CalcState::*field : {&CalcState::Xs, &CalcState::Bp, &CalcState::Cp, &CalcState::Z})
    EXPECT_TRUE(std::isfinite(lossless.*field) && lossless.*field > 0);
}

} // namespace
