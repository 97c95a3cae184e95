#include "FieldChecks.h"

#include <algorithm>
#include <complex>
#include <functional>
#include <random>
#include <string>

namespace {

struct Example {
  const char *label;
  int mode;
  std::vector<std::string_view> rows;
  std::vector<FieldValue> fields;
};

void CheckExamples(const std::vector<Example> &examples) {
  for (const Example &e : examples) {
    CalcState s;
    RunCalc(s, e.mode, e.rows);
    ExpectFields(s, e.fields, e.label);
  }
}

} // namespace

TEST(CalcStateWorkedExamples, CapacitorAndInductor) {
  CheckExamples({
      {"1 uF, D 0.01 at 1 kHz",
       3,
       {"1000", "1", ".01"},
       {FIELD(Xs, -159.1549431), FIELD(Rs, 1.591549431), FIELD(Gp, 6.282557051e-5),
        FIELD(Bp, 6.282557051e-3), FIELD(Z, 159.1629006), FIELD(Y, 6.282871171e-3),
        FIELD(Cs, -1e-6), FIELD(Cp, -9.999000100e-7), FIELD(Ls, -0.02533029591),
        FIELD(Lp, -0.02533282894), FIELD(Q, -100), FIELD(D, 0.01), FIELD(Phase, -89.42706130),
        FIELD(Rp, 15917.08586), FIELD(F, 1000)}},
      {"10 mH, Q 50 at 1 kHz",
       7,
       {"1000", "10", "50"},
       {FIELD(Xs, 62.83185307), FIELD(Rs, 1.256637061), FIELD(Q, 50), FIELD(D, -0.02),
        FIELD(Phase, 88.85423716), FIELD(Lp, 0.010004), FIELD(Rp, 3142.849291),
        FIELD(Cs, 2.533029591e-6), FIELD(Ls, 0.01)}},
  });
}

// Zero, negative and infinite parts flow through the formulas unchecked.
TEST(CalcStateWorkedExamples, DegenerateImpedances) {
  CheckExamples({
      {"purely resistive",
       1,
       {"1000", "1000", "0", "50"},
       {FIELD(Gp, 0.02), FIELD(Bp, -0.0), FIELD(Z, 50), FIELD(Y, 0.02), FIELD(Q, 0.0),
        FIELD(D, -Inf), FIELD(Phase, 0.0), FIELD(Rp, 50), FIELD(Cs, Inf), FIELD(Ls, 0.0),
        FIELD(Cp, NaN), FIELD(Lp, NaN)}},
      {"lossless reactance",
       1,
       {"1000", "1000", "100", "0"},
       {FIELD(Gp, 0.0), FIELD(Bp, -0.01), FIELD(Q, Inf), FIELD(D, -0.0), FIELD(Phase, 90),
        FIELD(Rp, Inf), FIELD(Ls, 0.01591549431), FIELD(Lp, 0.01591549431)}},
      {"capacitor with D 0",
       3,
       {"1000", "1", "0"},
       {FIELD(Rs, 0.0), FIELD(Gp, 0.0), FIELD(Q, -Inf), FIELD(Phase, -90), FIELD(Rp, Inf)}},
      {"zero capacitance",
       5,
       {"1000", "0", "47"},
       {FIELD(Xs, -Inf), FIELD(Gp, 0.0), FIELD(Z, Inf), FIELD(Rp, Inf), FIELD(Ls, -Inf),
        FIELD(Bp, NaN), FIELD(Y, NaN), FIELD(Q, NaN), FIELD(D, NaN), FIELD(Phase, NaN),
        FIELD(Cp, NaN), FIELD(Lp, NaN)}},
      {"zero capacitance, negative R", 5, {"1000", "0", "-10"}, {FIELD(Gp, -0.0), FIELD(Rp, -Inf)}},
      {"negative resistance",
       1,
       {"1000", "1000", "10", "-10"},
       {FIELD(Gp, -0.05), FIELD(Bp, -0.05), FIELD(Q, -1), FIELD(Phase, -45), FIELD(D, 1)}},
  });
}

// The phase comes from the arctangent of Q at extended precision, which
// reaches a right angle (after rounding) for finite Q near 4.1e15.
TEST(CalcStatePhase, RightAngleOnlyForHugeQ) {
  struct Case {
    double bp;
    double phase;
  } cases[] = {{-4.1e15, 0x1.67fffffffffffp+6},
               {-4.2e15, 90},
               {4.2e15, -90},
               {-1e300, 90},
               {-Inf, 90},
               {Inf, -90},
               {-1, 45}};

  for (const Case &c : cases) {
    CalcState s;
    s.F = 1000;
    s.Gp = 1;
    s.Bp = c.bp;
    DeriveQuantities(s);
    EXPECT_EQ(s.Phase, c.phase) << "Bp " << c.bp;
  }
}

// The degrees factor 180/pi is one extended constant; multiplying by 180 and
// then dividing by pi stores ...26cp+6 here instead.
TEST(CalcStatePhase, DegreesFactorFormedFirst) {
  CalcState s;
  s.F = 1000;
  s.Gp = 2;
  s.Bp = -517;
  DeriveQuantities(s);
  EXPECT_EQ(s.Q, 258.5);
  EXPECT_EQ(s.Phase, 0x1.671d08d40726dp+6);
}

// Seeded random impedances: the series and parallel models must describe the
// same impedance, and the derived quantities must keep their relations.
TEST(CalcStateProperties, SeriesAndParallelModelsAgree) {
  std::mt19937_64 random(1103);
  std::uniform_real_distribution<double> decades(-6, 9);
  const auto magnitude = [&] { return std::pow(10.0, decades(random)); };
  for (int trial = 0; trial < 5000; ++trial) {
    CalcState s;
    s.F = magnitude();
    s.Rs = magnitude() * (random() & 1 ? 1 : -1);
    s.Xs = magnitude() * (random() & 1 ? 1 : -1);
    SeriesToParallel(s);
    DeriveQuantities(s);
    const std::string label = "Rs " + std::to_string(s.Rs) + " Xs " + std::to_string(s.Xs);

    const std::complex<long double> admittance = 1.0L / std::complex<long double>(s.Rs, s.Xs);
    EXPECT_NEAR(s.Gp, double(admittance.real()), 1e-15 * s.Y) << label;
    EXPECT_NEAR(s.Bp, double(admittance.imag()), 1e-15 * s.Y) << label;
    EXPECT_NEAR(s.Z * s.Y, 1.0, 1e-15) << label;
    EXPECT_NEAR(s.Q * s.D, -1.0, 1e-15) << label;
    EXPECT_LE(std::fabs(s.Phase), 90.0) << label;
    // Sign conventions: positive reactance is inductive everywhere; Q and
    // the phase follow it for a lossy part and flip with a negative Rs.
    const bool inductive = s.Xs > 0;
    EXPECT_EQ(s.Bp < 0, inductive) << label;
    EXPECT_EQ(s.Q > 0, inductive == (s.Rs > 0)) << label;
    EXPECT_EQ(s.Phase > 0, inductive == (s.Rs > 0)) << label;
    EXPECT_EQ(s.Ls > 0, inductive) << label;
    EXPECT_EQ(s.Lp > 0, inductive) << label;
    EXPECT_EQ(s.Cs < 0, !inductive) << label;
    EXPECT_EQ(s.Cp < 0, !inductive) << label;
    EXPECT_EQ(s.Rp > 0, s.Rs > 0) << label;

    CalcState back = s;
    ParallelToSeries(back);
    EXPECT_NEAR(back.Rs, s.Rs, 1e-15 * s.Z) << label;
    EXPECT_NEAR(back.Xs, s.Xs, 1e-15 * s.Z) << label;
  }
}

// Each operation writes only its own fields.
TEST(CalcStateOperations, TouchOnlyTheirFields) {
  struct Case {
    const char *name;
    std::function<void(CalcState &)> run;
    std::vector<std::string> writes;
  } cases[] = {
      {"SeriesToParallel", SeriesToParallel, {"Gp", "Bp"}},
      {"ParallelToSeries", ParallelToSeries, {"Rs", "Xs"}},
      {"CapacitorToSeries", CapacitorToSeries, {"Xs", "Rs"}},
      {"InductorToSeries", InductorToSeries, {"Xs", "Rs"}},
      {"InductorReactance", InductorReactance, {"Xs"}},
      {"DeriveQuantities",
       DeriveQuantities,
       {"Z", "Y", "Cs", "Ls", "Q", "D", "Phase", "Cp", "Lp", "Rp"}},
  };

  for (const Case &c : cases) {
    CalcState s;
    double *fields[] = {&s.F, &s.F0Bridge, &s.Z,  &s.Rs, &s.Rp, &s.Xs, &s.Aux, &s.Gp,   &s.Bp,
                        &s.Y, &s.Cs,       &s.Cp, &s.Ls, &s.Lp, &s.Q,  &s.D,   &s.Phase};
    for (int i = 0; i < CalcStateFieldCount; ++i)
      *fields[i] = 3.0 + i;
    c.run(s);
    double after[CalcStateFieldCount];
    CalcStateFields(s, after);
    for (int i = 0; i < CalcStateFieldCount; ++i) {
      const std::string name = CalcStateFieldNames[i];
      const bool written = std::find(c.writes.begin(), c.writes.end(), name) != c.writes.end();
      EXPECT_TRUE(written || after[i] == 3.0 + i) << c.name << " changed " << name;
      EXPECT_TRUE(!written || after[i] != 3.0 + i) << c.name << " left " << name;
    }
  }
}

// Readers that list the whole record rely on names and values in one order.
TEST(CalcStateOperations, FieldListFollowsTheRecord) {
  const FieldValue order[] = {
      FIELD(F, 0),   FIELD(F0Bridge, 0), FIELD(Z, 0),  FIELD(Rs, 0), FIELD(Rp, 0),   FIELD(Xs, 0),
      FIELD(Aux, 0), FIELD(Gp, 0),       FIELD(Bp, 0), FIELD(Y, 0),  FIELD(Cs, 0),   FIELD(Cp, 0),
      FIELD(Ls, 0),  FIELD(Lp, 0),       FIELD(Q, 0),  FIELD(D, 0),  FIELD(Phase, 0)};
  CalcState s;
  for (int i = 0; i < CalcStateFieldCount; ++i)
    s.*order[i].field = 100.0 + i;
  double values[CalcStateFieldCount];
  CalcStateFields(s, values);
  for (int i = 0; i < CalcStateFieldCount; ++i) {
    EXPECT_STREQ(CalcStateFieldNames[i], order[i].name);
    EXPECT_EQ(values[i], 100.0 + i) << order[i].name;
  }
}
