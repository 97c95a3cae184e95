#include "FieldChecks.h"

#include <string>

namespace {

struct ModeCase {
  const char *label;
  int mode;
  std::vector<std::string_view> rows;
  std::vector<FieldValue> fields;
};

void CheckModes(const std::vector<ModeCase> &cases) {
  for (const ModeCase &c : cases) {
    CalcState s;
    RunCalc(s, c.mode, c.rows);
    ExpectFields(s, c.fields, c.label);
  }
}

} // namespace

TEST(RunCalcRows, RowCountPerMode) {
  const int expected[] = {0, 4, 4, 3, 3, 3, 5, 3, 3, 3, 5, 5, 5, 4, 3, 3, 3, 0};
  for (int mode = 0; mode <= 17; ++mode)
    EXPECT_EQ(ModeRowCount(mode), expected[mode]) << "mode " << mode;
  EXPECT_EQ(ModeRowCount(-1), 0);
}

// Every mode once: what the user entered comes back out of the derived
// quantities, in SI units and with capacitances negative.
TEST(RunCalcModes, EnteredValuesComeBack) {
  CheckModes({
      {"R-X",
       1,
       {"1000", "1000", "-30", "12"},
       {FIELD(Xs, -30), FIELD(Rs, 12), FIELD(F0Bridge, 1000)}},
      {"G-B", 2, {"1000", "1000", "20", "-40"}, {FIELD(Gp, 20e-6), FIELD(Bp, -40e-6)}},
      {"Cs-D", 3, {"50", "4.7", "0.2"}, {FIELD(Cs, -4.7e-6), FIELD(D, 0.2), FIELD(F, 50)}},
      {"Cp-D", 4, {"50", "4.7", "0.2"}, {FIELD(Cp, -4.7e-6), FIELD(D, 0.2)}},
      {"Cs-R", 5, {"50", "4.7", "33"}, {FIELD(Cs, -4.7e-6), FIELD(Rs, 33)}},
      {"Cs||Cs", 6, {"1000", "2", "0.01", "2", "0.01"}, {FIELD(Cs, -4e-6), FIELD(D, 0.01)}},
      {"Cs||Cs lossless", 6, {"1000", "1", "0", "3.3", "0"}, {FIELD(Cs, -4.3e-6), FIELD(D, 0.0)}},
      {"Ls-Q", 7, {"2000", "3.3", "12"}, {FIELD(Ls, 3.3e-3), FIELD(Q, 12)}},
      {"Lp-Q", 8, {"2000", "3.3", "12"}, {FIELD(Lp, 3.3e-3), FIELD(Q, 12)}},
      {"V-Z",
       9,
       {"1000", "100", "30"},
       {FIELD(Rs, 86.60254038), FIELD(Xs, 50), FIELD(Z, 100), FIELD(Phase, 30)}},
      {"Cs-Cs", 10, {"1000", "2", "0.01", "2", "0.01"}, {FIELD(Cs, -1e-6), FIELD(D, 0.01)}},
      {"Ls||Ls", 11, {"1000", "1", "50", "1", "50"}, {FIELD(Ls, 0.5e-3), FIELD(Q, 50)}},
      {"Ls-Ls", 12, {"1000", "1", "50", "1", "50"}, {FIELD(Ls, 2e-3), FIELD(Q, 50)}},
      {"IVP",
       13,
       {"1000", "1", "0.01", "30"},
       {FIELD(Rs, 86.60254038), FIELD(Xs, 50), FIELD(Z, 100), FIELD(Phase, 30)}},
      {"Lp-R",
       14,
       {"1000", "10", "470"},
       {FIELD(Lp, 10e-3), FIELD(Rp, 470), FIELD(Aux, 62.83185307)}},
      {"Ls-R", 15, {"1000", "10", "4.7"}, {FIELD(Ls, 10e-3), FIELD(Rs, 4.7)}},
      {"Cp-Rp", 16, {"1000", "0.1", "2200"}, {FIELD(Cp, -0.1e-6), FIELD(Rp, 2200)}},
  });
}

// Unlike parts: two capacitors of different losses, two inductors of
// different Q; the combined values checked against circuit algebra.
TEST(RunCalcModes, TwoPartCombinations) {
  CheckModes({
      // 1 uF (D 0.01) || 3 uF (D 0.03) at 1 kHz.
      {"Cs||Cs",
       6,
       {"1000", "1", "0.01", "3", "0.03"},
       {FIELD(Cs, -3.999700090e-6), FIELD(D, 0.02499700090)}},
      // 1 uF (D 0.01) in series with 3 uF (D 0.03): R adds, 1/C adds.
      {"Cs-Cs", 10, {"1000", "1", "0.01", "3", "0.03"}, {FIELD(Cs, -0.75e-6), FIELD(D, 0.015)}},
      // 1 mH (Q 10) in series with 3 mH (Q 30).
      {"Ls-Ls", 12, {"1000", "1", "10", "3", "30"}, {FIELD(Ls, 4e-3), FIELD(Q, 20)}},
  });
}

TEST(RunCalcModes, BridgeRescaling) {
  CheckModes({
      {"R-X at a tenth of f0", 1, {"1000", "100", "50", "10"}, {FIELD(Xs, 500), FIELD(Rs, 10)}},
      {"R-X with Actual f0 0", 1, {"1000", "0", "50", "10"}, {FIELD(Xs, Inf)}},
      {"R-X with Actual f0 0, negative X", 1, {"1000", "0", "-50", "10"}, {FIELD(Xs, -Inf)}},
      {"R-X with Actual f0 0 and X 0", 1, {"1000", "0", "0", "10"}, {FIELD(Xs, NaN)}},
  });
  // The micromho scale is exact for round readings.
  const CalcState s = Calculate(2, {"1000", "2000", "100", "300"});
  EXPECT_EQ(s.Gp, 0.0001);
  EXPECT_EQ(s.Bp, 0.0006);
}

TEST(RunCalcModes, DegenerateEntries) {
  CheckModes({
      // Through Q, not -1/(2 pi F Lp): infinity times zero.
      {"Lp-R with Rp 0", 14, {"1000", "1", "0"}, {FIELD(Gp, Inf), FIELD(Bp, NaN)}},
      {"rows of a single blank read as 0",
       1,
       {"1000", "1000", " ", "50"},
       {FIELD(Xs, 0.0), FIELD(Rs, 50)}},
      {"Cs-D with zero frequency", 3, {"0", "1", "0.01"}, {FIELD(Xs, -Inf), FIELD(Rs, Inf)}},
  });
}

// The angle reaches the sine as a stored double in "V-Z" but stays extended
// in "IVP", so their last bits differ although both show 50 Ohms.
TEST(RunCalcModes, PolarAngleRounding) {
  EXPECT_EQ(Calculate(9, {"1000", "100", "30"}).Xs, 0x1.8ffffffffffffp+5);
  EXPECT_EQ(Calculate(13, {"1000", "1", "0.01", "30"}).Xs, 50.0);
}

TEST(RunCalcRows, MissingExtraAndUnknown) {
  // Missing rows read as empty text, rows past the mode's count are ignored.
  const CalcState partial = Calculate(3, {"1000"});
  const CalcState explicitEmpty = Calculate(3, {"1000", "", ""});
  const CalcState extra = Calculate(3, {"1000", "", "", "99", "77"});
  double a[CalcStateFieldCount], b[CalcStateFieldCount], c[CalcStateFieldCount];
  CalcStateFields(partial, a);
  CalcStateFields(explicitEmpty, b);
  CalcStateFields(extra, c);
  for (int i = 0; i < CalcStateFieldCount; ++i) {
    EXPECT_TRUE(Matches(a[i], b[i])) << CalcStateFieldNames[i];
    EXPECT_TRUE(Matches(c[i], b[i])) << CalcStateFieldNames[i];
  }
  for (int mode : {0, 17, -3}) {
    CalcState s;
    s.Rs = 7;
    RunCalc(s, mode, std::vector<std::string_view>{"1", "2", "3", "4", "5"});
    EXPECT_EQ(s.Rs, 7) << "mode " << mode;
    EXPECT_EQ(s.F, 0) << "mode " << mode;
  }
}

// A calculation leaves the bridge frequency and the Lp-R scratch value as
// the last mode that used them set them.
TEST(RunCalcRows, UnfedFieldsKeepTheirValues) {
  CalcState s;
  RunCalc(s, 1, std::vector<std::string_view>{"1234", "1000", "1", "1"});
  RunCalc(s, 14, std::vector<std::string_view>{"1000", "1", "1"});
  const double aux = s.Aux;
  RunCalc(s, 3, std::vector<std::string_view>{"1000", "1", "0.01"});
  EXPECT_EQ(s.F0Bridge, 1234);
  EXPECT_EQ(s.Aux, aux);
  EXPECT_NE(aux, 0);
}

// Cases where plain double arithmetic stores a different result than
// extended intermediates. Each expectation was checked with exact rational
// arithmetic rounded to a 64-bit significand after every operation and to
// double on every store.
TEST(RunCalcPrecision, ExtendedIntermediates) {
  struct Case {
    const char *label;
    int mode;
    std::vector<std::string_view> rows;
    double CalcState::*field;
    double expected;
  } cases[] = {
      // Reactance with the extended pi, then both models (double: ...85fp+6).
      {"Ls-R Xs", 15, {"1000", "20", "10"}, &CalcState::Xs, 0x1.f6a7a2955385ep+6},
      {"Ls-R Gp", 15, {"1000", "20", "10"}, &CalcState::Gp, 0x1.49eb85e2a751dp-11},
      {"Ls-R Z", 15, {"1000", "20", "10"}, &CalcState::Z, 0x1.f83e6dc27e108p+6},
      {"Ls-R Xs", 15, {"1000", "63", "3"}, &CalcState::Xs, 0x1.8bd7366f31c63p+8},
      {"Ls-R Gp", 15, {"1000", "63", "3"}, &CalcState::Gp, 0x1.41332b276b539p-16},
      {"Ls-R Z", 15, {"1000", "63", "3"}, &CalcState::Z, 0x1.8bda1f735fc8fp+8},
      // The divisor A stays extended (a stored A gives ...023p+2).
      {"Cs||Cs Rs", 6, {"1000", "1", "0.1", "1", "0.03"}, &CalcState::Rs, 0x1.4aa3722dbe025p+2},
      {"Cs||Cs Xs", 6, {"1000", "1", "0.1", "1", "0.03"}, &CalcState::Xs, -0x1.3eb2bb9d5c41bp+6},
      // L1, R1, R2 and R are stored doubles (extended ones give ...f3p-1).
      {"Ls||Ls Rs", 11, {"1000", "1", "3", "1", "20"}, &CalcState::Rs, 0x1.2e53af53934f4p-1},
      {"Ls||Ls Xs", 11, {"1000", "1", "3", "1", "20"}, &CalcState::Xs, 0x1.99e885d8ba5cfp+1},
  };

  for (const Case &c : cases) {
    CalcState s;
    RunCalc(s, c.mode, c.rows);
    EXPECT_EQ(s.*c.field, c.expected)
        << c.label << " " << c.rows[1] << ": got " << std::hexfloat << s.*c.field;
  }
}
