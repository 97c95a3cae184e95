// The result panel's rows and the printed report's lines for given states,
// written out field by field as the calculation leaves them.
#include "present/ResultContent.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
using Lines = std::vector<std::string>;

// 1 uF in series with 10 ohms at 1 kHz.
constexpr CalcState Capacitor = {
    .F = 1000, .Z = 159.4687929050209, .Rs = 10, .Rp = 2543.0295910584446, .Xs = -159.15494309189535,
    .Gp = 0.00039323175928274824, .Bp = 0.0062584778270571685, .Y = 0.006270819398473761, .Cs = -1e-06,
    .Cp = -9.960676824071725e-07, .Ls = -0.025330295910584447, .Lp = -0.025430295910584447,
    .Q = -15.915494309189535, .D = 0.06283185307179585, .Phase = -86.40472622013183};

// 100 ohms with no reactance: Bp is -0.
constexpr CalcState Resistor = {.F = 1000, .Z = 100, .Rs = 100, .Rp = 100, .Xs = 0, .Gp = 0.01, .Bp = -0.0,
                                .Y = 0.01, .Cs = Inf, .Cp = NaN, .Ls = 0, .Lp = NaN, .Q = 0, .D = -Inf};

// One text per panel row, "id name | id:value @y". The x positions and sizes
// are the same for every row and are checked here.
Lines Panel(const CalcState& s) {
  Lines out;
  for (const PanelRow& r : ResultPanelRows(s, MakeDialogLayout())) {
    const bool message = r.value.id == 0;
    EXPECT_EQ((std::array{r.name.x, r.name.width, r.name.height}), (std::array{300, message ? 90 : 45, 10}));
    std::string row = std::to_string(r.name.id) + " " + r.name.text;
    if (!message) {
      EXPECT_EQ((std::array{r.value.x, r.value.y, r.value.width, r.value.height}),
                (std::array{350, r.name.y, 65, 10}));
      row += " | " + std::to_string(r.value.id) + ":" + r.value.text;
    }
    out.push_back(row + " @" + std::to_string(r.name.y));
  }
  return out;
}

TEST(ResultPanel, WorkedExamples) {
  EXPECT_EQ(Panel(Capacitor), (Lines{"175 Z | 201: 159.4688 Ohms @90", "176 Rs | 202: 10 Ohms @105",
                                     "177 Xs | 203:-159.1549 Ohms @120", "178 Y | 204: 6.27 mmhos @135",
                                     "179 Gp | 205: 393.23 umhos @150", "180 Bp | 206: 6.26 mmhos @165",
                                     "181 Cs | 207: 1 uF @180", "182 Cp | 208: 996.0677 nF @195",
                                     "188 Rp | 212: 2.543 kOhms @210", "183 Q | 209: 15.9155 @225",
                                     "184 D | 210: .0628 @240", "185 Phase angle | 211:-86.4 degrees @255"}));
  EXPECT_EQ(Panel(Resistor), (Lines{"175 Z | 201: 100 Ohms @90", "176 Rs | 202: 100 Ohms @105",
                                    "177 Xs | 203: 0 aOhms @120", "178 Y | 204: 10 mmhos @135",
                                    "179 Gp | 205: 10 mmhos @150", "180 Bp | 206: 0 amhos @165",
                                    "181 Device is purely resistive @180", "188 Rp | 212: 100 Ohms @210",
                                    "185 Phase angle | 211: 0 degrees @255"}));
}

TEST(Report, WorkedExamples) {
  EXPECT_EQ(ReportLines(Capacitor),
            (Lines{"F =  1 kHz", "Z =  159.4688 Ohms", "Rs =  10 Ohms", "Xs = -159.1549 Ohms", "Y =  6.27 mmhos",
                   "Gp =  393.23 umhos", "Bp =  6.26 mmhos", "Cs =  1 uF", "Cp =  996.0677 nF",
                   "Rp =  2.543 kOhms", "Q =  15.9155", "D =  .0628", "Phase angle = -86.4 degrees"}));
}

// Bp alone chooses the capacitance rows (shown as magnitudes), the message or
// the inductance rows (signed), and whether Q and D appear.
TEST(ResultContent, BpChoosesTheRows) {
  // Rows 6 and 7 of the panel, lines 8 and 9 of the report; Rp follows the message.
  const Lines capacitive = {"181 Cs | 207: 1 uF @180", "182 Cp | 208: 996.0677 nF @195", "Cs =  1 uF",
                            "Cp =  996.0677 nF"};
  const Lines inductive = {"181 Ls | 207:-25.3303 mH @180", "182 Lp | 208:-25.4303 mH @195", "Ls = -25.3303 mH",
                           "Lp = -25.4303 mH"};
  const Lines resistive = {"181 Device is purely resistive @180", "188 Rp | 212: 2.543 kOhms @210",
                           "Device is purely resistive", "Rp =  2.543 kOhms"};
  struct Case { double bp; const Lines& expected; std::size_t rows, lines; };
  const Case cases[] = {{1e-3, capacitive, 12, 13}, {Inf, capacitive, 12, 13}, {-1e-3, inductive, 12, 13},
                        {NaN, inductive, 10, 11},    {0.0, resistive, 9, 10},   {-0.0, resistive, 9, 10}};
  for (const Case& c : cases) {
    CalcState s = Capacitor;
    s.Bp = c.bp;
    const Lines panel = Panel(s), report = ReportLines(s);
    ASSERT_EQ(panel.size(), c.rows) << c.bp;
    ASSERT_EQ(report.size(), c.lines) << c.bp;
    EXPECT_EQ((Lines{panel[6], panel[7], report[7], report[8]}), c.expected) << c.bp;
  }
}

// The panel shows "> 1E6" for a Q of magnitude above 1E6 and for a D above
// 1E6 or NaN; the report always prints both as magnitudes.
TEST(ResultContent, LargeQAndD) {
  struct Case { double q, d; const char *panelQ, *panelD, *reportQ, *reportD; };
  const Case cases[] = {
      {1000000.5, 0.5, "> 1E6", " .5", " 1000000.5", " .5"},
      {-1000000.5, 1000000, "> 1E6", " 1000000", " 1000000.5", " 1000000"},
      {-1000000, 1000000.5, " 1000000", "> 1E6", " 1000000", " 1000000.5"},
      {999999.99996, -2000000, " 1000000", " 2000000", " 1000000", " 2000000"},
      {NaN, NaN, " 0", "> 1E6", " 0", " 0"},
      {Inf, -Inf, "> 1E6", " 9.99999999999999E+998", " 9.99999999999999E+998", " 9.99999999999999E+998"},
  };
  for (const Case& c : cases) {
    CalcState s = Capacitor;
    s.Q = c.q;
    s.D = c.d;
    const std::vector<PanelRow> rows = ResultPanelRows(s, MakeDialogLayout());
    const Lines report = ReportLines(s);
    EXPECT_EQ(rows.at(9).value.text, c.panelQ) << c.q;
    EXPECT_EQ(rows.at(10).value.text, c.panelD) << c.d;
    EXPECT_EQ(report.at(10), "Q = " + std::string(c.reportQ)) << c.q;
    EXPECT_EQ(report.at(11), "D = " + std::string(c.reportD)) << c.d;
  }
}

} // namespace
