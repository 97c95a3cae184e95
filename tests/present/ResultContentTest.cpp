// The result panel's rows and the printed report's lines for given states.
// States are written out field by field, as the calculation leaves them.
#include "present/ResultContent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Fields in record order, as the calculation leaves them.
// 1 uF in series with 10 ohms at 1 kHz.
CalcState CapacitorState() {
  return {.F = 1000, .Z = 159.4687929050209, .Rs = 10, .Rp = 2543.0295910584446,
          .Xs = -159.15494309189535, .Gp = 0.00039323175928274824, .Bp = 0.0062584778270571685,
          .Y = 0.006270819398473761, .Cs = -1e-06, .Cp = -9.960676824071725e-07,
          .Ls = -0.025330295910584447, .Lp = -0.025430295910584447, .Q = -15.915494309189535,
          .D = 0.06283185307179585, .Phase = -86.40472622013183};
}

// 10 mH in series with 5 ohms at 1 kHz.
CalcState InductorState() {
  return {.F = 1000, .Z = 63.03048278758258, .Rs = 5, .Rp = 794.5683520871487,
          .Xs = 62.83185307179586, .Gp = 0.0012585449664251408, .Bp = -0.015815342482934543,
          .Y = 0.015865339368731707, .Cs = 2.5330295910584444e-06, .Cp = 2.5170899328502816e-06,
          .Ls = 0.01, .Lp = 0.01006332573977646, .Q = 12.566370614359174,
          .D = -0.07957747154594766, .Phase = 85.45013469087891};
}

// 100 ohms with no reactance: Bp is -0.
CalcState ResistorState() {
  return {.F = 1000, .Z = 100, .Rs = 100, .Rp = 100, .Xs = 0, .Gp = 0.01, .Bp = -0.0, .Y = 0.01,
          .Cs = Inf, .Cp = NaN, .Ls = 0, .Lp = NaN, .Q = 0, .D = -Inf, .Phase = 0};
}

struct Label {
  int id;
  const char* text;
  int x, y, width, height;
};

struct ExpectedRow {
  Label name;
  Label value; // id 0: no value label
};

constexpr DialogLayoutValues Layout = MakeDialogLayout();

ExpectedRow Row(int row, int nameId, const char* name, int valueId, const char* value) {
  const int y = 90 + 15 * row;
  return {{nameId, name, 300, y, 45, 10}, {valueId, value, 350, y, 65, 10}};
}

void ExpectLabel(const PanelLabel& actual, const Label& expected, std::size_t row) {
  EXPECT_EQ(actual.id, expected.id) << "row " << row;
  if (expected.id == 0)
    return;
  EXPECT_EQ(actual.text, expected.text) << "row " << row << " id " << expected.id;
  EXPECT_EQ(actual.x, expected.x) << "row " << row << " id " << expected.id;
  EXPECT_EQ(actual.y, expected.y) << "row " << row << " id " << expected.id;
  EXPECT_EQ(actual.width, expected.width) << "row " << row << " id " << expected.id;
  EXPECT_EQ(actual.height, expected.height) << "row " << row << " id " << expected.id;
}

void ExpectPanel(const CalcState& s, const std::vector<ExpectedRow>& expected) {
  const std::vector<PanelRow> rows = ResultPanelRows(s, Layout);
  ASSERT_EQ(rows.size(), expected.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    ExpectLabel(rows[i].name, expected[i].name, i);
    ExpectLabel(rows[i].value, expected[i].value, i);
  }
}

// Value text of the row whose name label has `nameId`; "(absent)" if none.
std::string PanelValue(const CalcState& s, int nameId) {
  for (const PanelRow& row : ResultPanelRows(s, Layout))
    if (row.name.id == nameId)
      return row.value.text;
  return "(absent)";
}

TEST(ResultPanel, CapacitorWorkedExample) {
  ExpectPanel(CapacitorState(), {
                                    Row(0, 175, "Z", 201, " 159.4688 Ohms"),
                                    Row(1, 176, "Rs", 202, " 10 Ohms"),
                                    Row(2, 177, "Xs", 203, "-159.1549 Ohms"),
                                    Row(3, 178, "Y", 204, " 6.27 mmhos"),
                                    Row(4, 179, "Gp", 205, " 393.23 umhos"),
                                    Row(5, 180, "Bp", 206, " 6.26 mmhos"),
                                    Row(6, 181, "Cs", 207, " 1 uF"),
                                    Row(7, 182, "Cp", 208, " 996.0677 nF"),
                                    Row(8, 188, "Rp", 212, " 2.543 kOhms"),
                                    Row(9, 183, "Q", 209, " 15.9155"),
                                    Row(10, 184, "D", 210, " .0628"),
                                    Row(11, 185, "Phase angle", 211, "-86.4 degrees"),
                                });
}

TEST(ResultPanel, Inductive) {
  ExpectPanel(InductorState(), {
                                   Row(0, 175, "Z", 201, " 63.0305 Ohms"),
                                   Row(1, 176, "Rs", 202, " 5 Ohms"),
                                   Row(2, 177, "Xs", 203, " 62.8319 Ohms"),
                                   Row(3, 178, "Y", 204, " 15.87 mmhos"),
                                   Row(4, 179, "Gp", 205, " 1.26 mmhos"),
                                   Row(5, 180, "Bp", 206, "-15.82 mmhos"),
                                   Row(6, 181, "Ls", 207, " 10 mH"),
                                   Row(7, 182, "Lp", 208, " 10.0633 mH"),
                                   Row(8, 188, "Rp", 212, " 794.5684 Ohms"),
                                   Row(9, 183, "Q", 209, " 12.5664"),
                                   Row(10, 184, "D", 210, " .0796"),
                                   Row(11, 185, "Phase angle", 211, " 85.45 degrees"),
                               });
}

TEST(ResultPanel, PurelyResistive) {
  ExpectedRow message = {{181, "Device is purely resistive", 300, 180, 90, 10}, {0, "", 0, 0, 0, 0}};
  ExpectPanel(ResistorState(), {
                                   Row(0, 175, "Z", 201, " 100 Ohms"),
                                   Row(1, 176, "Rs", 202, " 100 Ohms"),
                                   Row(2, 177, "Xs", 203, " 0 aOhms"),
                                   Row(3, 178, "Y", 204, " 10 mmhos"),
                                   Row(4, 179, "Gp", 205, " 10 mmhos"),
                                   Row(5, 180, "Bp", 206, " 0 amhos"),
                                   message,
                                   Row(8, 188, "Rp", 212, " 100 Ohms"),
                                   Row(11, 185, "Phase angle", 211, " 0 degrees"),
                               });
}

// The same state with the other sign of Bp swaps the reactance rows.
TEST(ResultPanel, SignOfBpChoosesTheRows) {
  struct Case {
    double bp;
    const char* row6;
    const char* value6;
    const char* row7;
    bool hasQ;
  };
  const Case cases[] = {
      {1e-3, "Cs", " 1 uF", "Cp", true},
      {-1e-3, "Ls", " 25.3303 mH", "Lp", true},
      {0.0, "Device is purely resistive", "", "(absent)", false},
      {-0.0, "Device is purely resistive", "", "(absent)", false},
      {NaN, "Ls", " 25.3303 mH", "Lp", false},
      {Inf, "Cs", " 1 uF", "Cp", true},
      {-Inf, "Ls", " 25.3303 mH", "Lp", true},
  };
  for (const Case& c : cases) {
    CalcState s = CapacitorState();
    s.Ls = 0.025330295910584447;
    s.Bp = c.bp;
    const std::vector<PanelRow> rows = ResultPanelRows(s, Layout);
    ASSERT_GE(rows.size(), 8u);
    EXPECT_EQ(rows[6].name.text, c.row6) << "Bp " << c.bp;
    EXPECT_EQ(rows[6].value.text, c.value6) << "Bp " << c.bp;
    std::string row7 = "(absent)";
    for (const PanelRow& r : rows)
      if (r.name.id == 182)
        row7 = r.name.text;
    EXPECT_EQ(row7, c.row7) << "Bp " << c.bp;
    EXPECT_EQ(PanelValue(s, 183) != "(absent)", c.hasQ) << "Bp " << c.bp;
    EXPECT_EQ(PanelValue(s, 184) != "(absent)", c.hasQ) << "Bp " << c.bp;
    EXPECT_EQ(rows.back().name.text, "Phase angle") << "Bp " << c.bp;
  }
}

// Q gives way to "> 1E6" by magnitude, D by its signed value (NaN too).
TEST(ResultPanel, LargeQAndD) {
  struct Case {
    double q, d;
    const char* qText;
    const char* dText;
  };
  const Case cases[] = {
      {1000000.5, 0.5, "> 1E6", " .5"},
      {-1000000.5, 0.5, "> 1E6", " .5"},
      {-1000000, 1000000, " 1000000", " 1000000"},
      {999999.99996, 1000000.5, " 1000000", "> 1E6"},
      {5, 2000000, " 5", "> 1E6"},
      {5, -2000000, " 5", " 2000000"},
      {NaN, NaN, " 0", "> 1E6"},
      {Inf, -Inf, "> 1E6", " 9.99999999999999E+998"},
      {-Inf, Inf, "> 1E6", "> 1E6"},
  };
  for (const Case& c : cases) {
    CalcState s = CapacitorState();
    s.Q = c.q;
    s.D = c.d;
    EXPECT_EQ(PanelValue(s, 183), c.qText) << "Q " << c.q;
    EXPECT_EQ(PanelValue(s, 184), c.dText) << "D " << c.d;
  }
}

TEST(Report, BeforeAnyCalculation) {
  EXPECT_EQ(ReportLines(CalcState{}), (std::vector<std::string>{
                                          "F =  0 aHz",
                                          "Z =  0 aOhms",
                                          "Rs =  0 aOhms",
                                          "Xs =  0 aOhms",
                                          "Y =  0 amhos",
                                          "Gp =  0 amhos",
                                          "Bp =  0 amhos",
                                          "Device is purely resistive",
                                          "Rp =  0 aOhms",
                                          "Phase angle =  0 degrees",
                                      }));
}

TEST(Report, CapacitorWorkedExample) {
  EXPECT_EQ(ReportLines(CapacitorState()), (std::vector<std::string>{
                                               "F =  1 kHz",
                                               "Z =  159.4688 Ohms",
                                               "Rs =  10 Ohms",
                                               "Xs = -159.1549 Ohms",
                                               "Y =  6.27 mmhos",
                                               "Gp =  393.23 umhos",
                                               "Bp =  6.26 mmhos",
                                               "Cs =  1 uF",
                                               "Cp =  996.0677 nF",
                                               "Rp =  2.543 kOhms",
                                               "Q =  15.9155",
                                               "D =  .0628",
                                               "Phase angle = -86.4 degrees",
                                           }));
}

TEST(Report, InductiveAndNaNBp) {
  std::vector<std::string> lines = ReportLines(InductorState());
  ASSERT_EQ(lines.size(), 13u);
  EXPECT_EQ(lines[7], "Ls =  10 mH");
  EXPECT_EQ(lines[8], "Lp =  10.0633 mH");
  EXPECT_EQ(lines[11], "D =  .0796");

  CalcState s = InductorState();
  s.Bp = NaN;
  lines = ReportLines(s);
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[6], "Bp =  0 amhos");
  EXPECT_EQ(lines[7], "Ls =  10 mH");
  EXPECT_EQ(lines[8], "Lp =  10.0633 mH");
  EXPECT_EQ(lines[9], "Rp =  794.5684 Ohms");
  EXPECT_EQ(lines[10], "Phase angle =  85.45 degrees");
}

// The report prints Q and D as numbers however large they are.
TEST(Report, LargeQAndDAreNumbers) {
  struct Case {
    double q, d;
    const char* qLine;
    const char* dLine;
  };
  const Case cases[] = {
      {5000000, 0.5, "Q =  5000000", "D =  .5"},
      {-1000000.5, 2000000, "Q =  1000000.5", "D =  2000000"},
      {NaN, NaN, "Q =  0", "D =  0"},
  };
  for (const Case& c : cases) {
    CalcState s = CapacitorState();
    s.Q = c.q;
    s.D = c.d;
    const std::vector<std::string> lines = ReportLines(s);
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[10], c.qLine);
    EXPECT_EQ(lines[11], c.dLine);
  }
}

} // namespace
