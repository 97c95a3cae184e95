#include "core/RunCalc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstring>
#include <iomanip>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double Inf = std::numeric_limits<double>::infinity();

struct FieldValue { double CalcState::*field; const char *name; double expected; };
#define FIELD(name, value) FieldValue{&CalcState::name, #name, value}

// NaN, infinities and zeros (with their sign) must match exactly; any other
// value to ten significant digits unless `exact`.
bool Matches(double got, double want, bool exact) {
  if (exact || want == 0 || !std::isfinite(want))
    return std::memcmp(&got, &want, sizeof got) == 0 || (std::isnan(got) && std::isnan(want));
  return std::fabs(got - want) <= 5e-10 * std::fabs(want);
}

CalcState Calculate(int mode, std::vector<std::string_view> rows, CalcState s = {}) {
  RunCalc(s, mode, rows);
  return s;
}

struct ModeCase {
  const char *label;
  int mode;
  std::vector<std::string_view> rows;
  std::vector<FieldValue> fields;
};

// Each case starts from a zeroed record.
void CheckModes(const std::vector<ModeCase> &cases, bool exact = false) {
  for (const ModeCase &c : cases) {
    const CalcState s = Calculate(c.mode, c.rows);
    for (const FieldValue &f : c.fields)
      EXPECT_TRUE(Matches(s.*f.field, f.expected, exact))
          << c.label << ": " << f.name << " is " << std::setprecision(17) << s.*f.field;
  }
}

} // namespace

// The phase is the extended arctangent of Q times one extended factor 180/pi:
// a right angle (after rounding) needs a finite Q beyond about 4.1e15, and
// multiplying by 180 before dividing by pi would store ...26cp+6 for Q 258.5.
TEST(CalcStatePhase, ArctangentOfQInDegrees) {
  const struct { double gp, bp, phase; } cases[] = {
      {1, -4.1e15, 0x1.67fffffffffffp+6}, {1, -4.2e15, 90}, {1, 4.2e15, -90}, {1, -1e300, 90},
      {1, -Inf, 90}, {1, Inf, -90}, {1, -1, 45}, {2, -517, 0x1.671d08d40726dp+6}};
  for (const auto &c : cases) {
    CalcState s{.F = 1000, .Gp = c.gp, .Bp = c.bp};
    DeriveQuantities(s);
    EXPECT_EQ(s.Phase, c.phase) << "Gp " << c.gp << ", Bp " << c.bp;
  }
}

// Seeded random impedances: both models describe the same impedance, and the
// derived quantities follow every reader's sign convention.
TEST(CalcStateProperties, SeriesAndParallelModelsAgree) {
  std::mt19937_64 random(1103);
  std::uniform_real_distribution<double> decades(-6, 9);
  const auto value = [&] { return std::pow(10.0, decades(random)) * (random() & 1 ? 1 : -1); };
  for (int trial = 0; trial < 5000; ++trial) {
    CalcState s{.F = std::fabs(value()), .Rs = value(), .Xs = value()};
    SeriesToParallel(s);
    DeriveQuantities(s);
    SCOPED_TRACE(testing::Message() << "Rs " << s.Rs << ", Xs " << s.Xs);
    const std::complex<long double> admittance = 1.0L / std::complex<long double>(s.Rs, s.Xs);
    EXPECT_NEAR(s.Gp, double(admittance.real()), 1e-15 * s.Y);
    EXPECT_NEAR(s.Bp, double(admittance.imag()), 1e-15 * s.Y);
    // Positive reactance is inductive everywhere; Q and the phase follow it
    // for a lossy part and flip with a negative Rs.
    const bool inductive = s.Xs > 0;
    EXPECT_TRUE((s.Bp < 0) == inductive && (s.Ls > 0) == inductive && (s.Lp > 0) == inductive &&
                (s.Cs < 0) == !inductive && (s.Cp < 0) == !inductive);
    EXPECT_TRUE((s.Q > 0) == (inductive == (s.Rs > 0)) && (s.Phase > 0) == (s.Q > 0) &&
                std::fabs(s.Phase) <= 90 && (s.Rp > 0) == (s.Rs > 0));
  }
}

// Readers that list the whole record rely on its names and values in
// declaration order.
TEST(CalcStateFields, FollowTheRecord) {
  double start[CalcStateFieldCount], values[CalcStateFieldCount];
  std::string names;
  for (int i = 0; i < CalcStateFieldCount; ++i) {
    start[i] = 100.0 + i;
    names += CalcStateFieldNames[i] + std::string(" ");
  }
  CalcState s;
  static_assert(sizeof s == sizeof start);
  std::memcpy(&s, start, sizeof s); // the fields in declaration order
  CalcStateFields(s, values);
  EXPECT_EQ(std::memcmp(values, start, sizeof start), 0);
  EXPECT_EQ(names, "F F0Bridge Z Rs Rp Xs Aux Gp Bp Y Cs Cp Ls Lp Q D Phase ");
}

TEST(RunCalcModes, WorkedExamplesAndEveryMode) {
  CheckModes({
      {"1 uF, D 0.01 at 1 kHz", 3, {"1000", "1", ".01"},
       {FIELD(Xs, -159.1549431), FIELD(Rs, 1.591549431), FIELD(Gp, 6.282557051e-5), FIELD(Bp, 6.282557051e-3),
        FIELD(Z, 159.1629006), FIELD(Y, 6.282871171e-3), FIELD(Cs, -1e-6), FIELD(Cp, -9.999000100e-7),
        FIELD(Ls, -0.02533029591), FIELD(Lp, -0.02533282894), FIELD(Q, -100), FIELD(D, 0.01),
        FIELD(Phase, -89.42706130), FIELD(Rp, 15917.08586), FIELD(F, 1000)}},
      {"10 mH, Q 50 at 1 kHz", 7, {"1000", "10", "50"},
       {FIELD(Xs, 62.83185307), FIELD(Rs, 1.256637061), FIELD(Q, 50), FIELD(D, -0.02), FIELD(Ls, 0.01),
        FIELD(Phase, 88.85423716), FIELD(Lp, 0.010004), FIELD(Rp, 3142.849291), FIELD(Cs, 2.533029591e-6)}},
      // Zero, negative and infinite parts flow through the formulas unchecked.
      {"purely resistive", 1, {"1000", "1000", "0", "50"},
       {FIELD(Gp, 0.02), FIELD(Bp, -0.0), FIELD(Z, 50), FIELD(Y, 0.02), FIELD(Q, 0.0), FIELD(D, -Inf),
        FIELD(Phase, 0.0), FIELD(Rp, 50), FIELD(Cs, Inf), FIELD(Ls, 0.0), FIELD(Cp, NaN), FIELD(Lp, NaN)}},
      {"lossless reactance", 1, {"1000", "1000", "100", "0"},
       {FIELD(Gp, 0.0), FIELD(Bp, -0.01), FIELD(Q, Inf), FIELD(D, -0.0), FIELD(Phase, 90), FIELD(Rp, Inf),
        FIELD(Ls, 0.01591549431), FIELD(Lp, 0.01591549431)}},
      {"capacitor with D 0", 3, {"1000", "1", "0"},
       {FIELD(Rs, 0.0), FIELD(Gp, 0.0), FIELD(Q, -Inf), FIELD(Phase, -90), FIELD(Rp, Inf)}},
      {"zero capacitance", 5, {"1000", "0", "47"},
       {FIELD(Xs, -Inf), FIELD(Gp, 0.0), FIELD(Z, Inf), FIELD(Rp, Inf), FIELD(Ls, -Inf), FIELD(Bp, NaN),
        FIELD(Y, NaN), FIELD(Q, NaN), FIELD(D, NaN), FIELD(Phase, NaN), FIELD(Cp, NaN), FIELD(Lp, NaN)}},
      {"zero capacitance, negative R", 5, {"1000", "0", "-10"}, {FIELD(Gp, -0.0), FIELD(Rp, -Inf)}},
      {"negative resistance", 1, {"1000", "1000", "10", "-10"},
       {FIELD(Gp, -0.05), FIELD(Bp, -0.05), FIELD(Q, -1), FIELD(Phase, -45), FIELD(D, 1)}},
      {"Lp-R with Rp 0, through Q", 14, {"1000", "1", "0"}, {FIELD(Gp, Inf), FIELD(Bp, NaN)}},
      // Every mode once: the entries come back out of the derived quantities,
      // in SI units and with capacitances negative.
      {"Cp-D", 4, {"50", "4.7", "0.2"}, {FIELD(Cp, -4.7e-6), FIELD(D, 0.2)}},
      {"Cs-R", 5, {"50", "4.7", "33"}, {FIELD(Cs, -4.7e-6), FIELD(Rs, 33)}},
      {"Lp-Q", 8, {"2000", "3.3", "12"}, {FIELD(Lp, 3.3e-3), FIELD(Q, 12)}},
      {"V-Z", 9, {"1000", "100", "30"}, {FIELD(Rs, 86.60254038), FIELD(Xs, 50), FIELD(Phase, 30)}},
      {"Ls||Ls", 11, {"1000", "1", "50", "1", "50"}, {FIELD(Ls, 0.5e-3), FIELD(Q, 50)}},
      {"IVP", 13, {"1000", "1", "0.01", "30"}, {FIELD(Rs, 86.60254038), FIELD(Xs, 50), FIELD(Phase, 30)}},
      {"Lp-R", 14, {"1000", "10", "470"}, {FIELD(Lp, 10e-3), FIELD(Rp, 470), FIELD(Aux, 62.83185307)}},
      {"Ls-R", 15, {"1000", "10", "4.7"}, {FIELD(Ls, 10e-3), FIELD(Rs, 4.7)}},
      {"Cp-Rp", 16, {"1000", "0.1", "2200"}, {FIELD(Cp, -0.1e-6), FIELD(Rp, 2200)}},
      // Unlike parts: 1 uF (D 0.01) with 3 uF (D 0.03), 1 mH (Q 10) with 3 mH (Q 30).
      {"Cs||Cs unlike", 6, {"1000", "1", "0.01", "3", "0.03"},
       {FIELD(Cs, -3.999700090e-6), FIELD(D, 0.02499700090)}},
      {"Cs-Cs unlike", 10, {"1000", "1", "0.01", "3", "0.03"}, {FIELD(Cs, -0.75e-6), FIELD(D, 0.015)}},
      {"Ls-Ls unlike", 12, {"1000", "1", "10", "3", "30"}, {FIELD(Ls, 4e-3), FIELD(Q, 20)}},
      // Bridge readings taken away from the bridge's own frequency.
      {"R-X at a tenth of f0", 1, {"1000", "100", "50", "10"}, {FIELD(Xs, 500), FIELD(Rs, 10)}},
      {"G-B at twice f0", 2, {"1000", "2000", "100", "300"},
       {FIELD(Gp, 0.0001), FIELD(Bp, 0.0006), FIELD(Rs, 270.2702703), FIELD(Xs, -1621.621622)}},
      {"R-X with Actual f0 0", 1, {"1000", "0", "-50", "10"}, {FIELD(Xs, -Inf)}},
  });
}

// Missing rows read as empty text, rows past the mode's count are ignored,
// unknown modes leave the record alone, and the bridge frequency and the Lp-R
// scratch value keep what the last mode that used them set.
TEST(RunCalcRows, CountsMissingExtraUnknownAndUnfed) {
  const std::vector<int> counts{0, 4, 4, 3, 3, 3, 5, 3, 3, 3, 5, 5, 5, 4, 3, 3, 3, 0};
  for (int mode = -1; mode <= 17; ++mode)
    EXPECT_EQ(ModeRowCount(mode), mode < 0 ? 0 : counts[std::size_t(mode)]) << "mode " << mode;
  const CalcState empty = Calculate(3, {"1000", "1", ""});
  for (const CalcState &s : {Calculate(3, {"1000", "1"}), Calculate(3, {"1000", "1", "", "99", "77"})})
    EXPECT_EQ(std::memcmp(&s, &empty, sizeof s), 0);
  const CalcState afterLpR = Calculate(14, {"1000", "1", "1"}, Calculate(1, {"1234", "1000", "1", "1"}));
  const CalcState s = Calculate(3, {"1000", "1", "0.01"}, afterLpR);
  EXPECT_TRUE(s.F0Bridge == 1234 && s.Aux == afterLpR.Aux && s.Aux != 0);
  for (int mode : {0, 17, -3}) {
    const CalcState unknown = Calculate(mode, {"1", "2", "3", "4", "5"}, s);
    EXPECT_EQ(std::memcmp(&unknown, &s, sizeof s), 0) << "mode " << mode;
  }
}

// Cases where plain double arithmetic stores another result than extended
// intermediates, each checked with exact rational arithmetic rounded to a
// 64-bit significand after every operation and to double on every store.
TEST(RunCalcPrecision, ExtendedIntermediates) {
  CheckModes({
      {"Ls-R, extended pi (double: ...85fp+6)", 15, {"1000", "20", "10"}, {FIELD(Xs, 0x1.f6a7a2955385ep+6)}},
      {"Ls-R, both models", 15, {"1000", "63", "3"},
       {FIELD(Gp, 0x1.41332b276b539p-16), FIELD(Z, 0x1.8bda1f735fc8fp+8)}},
      // The divisor A stays extended (a stored A gives ...023p+2).
      {"Cs||Cs", 6, {"1000", "1", "0.1", "1", "0.03"}, {FIELD(Rs, 0x1.4aa3722dbe025p+2)}},
      // L1, R1, R2 and R are stored doubles (extended ones give ...f3p-1).
      {"Ls||Ls", 11, {"1000", "1", "3", "1", "20"},
       {FIELD(Rs, 0x1.2e53af53934f4p-1), FIELD(Xs, 0x1.99e885d8ba5cfp+1)}},
      // The angle reaches the sine as a stored double in V-Z but stays
      // extended in IVP, so their last bits differ although both show 50.
      {"V-Z", 9, {"1000", "100", "30"}, {FIELD(Xs, 0x1.8ffffffffffffp+5)}},
      {"IVP", 13, {"1000", "1", "0.01", "30"}, {FIELD(Xs, 50.0)}},
  }, /*exact=*/true);
}
