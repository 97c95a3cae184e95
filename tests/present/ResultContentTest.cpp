// The result panel's rows and the printed report's lines for given states,
// written out field by field as the calculation leaves them.
#include "dialog/DialogLayout.h"
#include "present/ResultContent.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// 1 uF in series with 10 ohms at 1 kHz.
// clang-format off
constexpr CalcState Capacitor = {
    .F = 1000, .Z = 159.4687929050209, .Rs = 10, .Rp = 2543.0295910584446,
    .Xs = -159.15494309189535, .Gp = 0.00039323175928274824, .Bp = 0.0062584778270571685,
    .Y = 0.006270819398473761, .Cs = -1e-06, .Cp = -9.960676824071725e-07,
    .Ls = -0.025330295910584447, .Lp = -0.025430295910584447, .Q = -15.915494309189535,
    .D = 0.06283185307179585, .Phase = -86.40472622013183};

// clang-format on

// One text per panel row, "id name | id:value @y". Names sit at x 300, 45
// wide (the message 90, with no value label); values at x 350 on the name's
// line, 65 wide; all 10 high.
Lines Panel(const CalcState &s) {
  Lines out;
  for (const ResultRow &r : ResultPanelRows(s)) {
    const DialogRect n = PanelNameRect(MakeDialogLayout(), r.row, r.valueId != 0);
    const DialogRect v = r.valueId == 0 ? DialogRect{} : PanelValueRect(MakeDialogLayout(), r.row);
    EXPECT_EQ((std::array{n.x, n.width, n.height, v.x, v.y, v.width, v.height}),
              (r.valueId == 0 ? std::array{300, 90, 10, 0, 0, 0, 0}
                              : std::array{300, 45, 10, 350, n.y, 65, 10}));
    const std::string value =
        r.valueId == 0 ? "" : " | " + std::to_string(r.valueId) + ":" + r.value;
    out.push_back(std::to_string(r.nameId) + " " + r.name + value + " @" + std::to_string(n.y));
  }
  return out;
}

// The report is the F line, then the panel's rows as "name = value".
TEST(ResultContent, WorkedExample) {
  const Lines panel = {
      "175 Z | 201: 159.4688 Ohms @90",   "176 Rs | 202: 10 Ohms @105",
      "177 Xs | 203:-159.1549 Ohms @120", "178 Y | 204: 6.27 mmhos @135",
      "179 Gp | 205: 393.23 umhos @150",  "180 Bp | 206: 6.26 mmhos @165",
      "181 Cs | 207: 1 uF @180",          "182 Cp | 208: 996.0677 nF @195",
      "188 Rp | 212: 2.543 kOhms @210",   "183 Q | 209: 15.9155 @225",
      "184 D | 210: .0628 @240",          "185 Phase angle | 211:-86.4 degrees @255"};
  EXPECT_EQ(Panel(Capacitor), panel);
  Lines report = {"F =  1 kHz"};
  for (const ResultRow &r : ResultPanelRows(Capacitor))
    report.push_back(r.name + " = " + r.value);
  EXPECT_EQ(ReportLines(Capacitor), report);
}

// Bp alone chooses the capacitance rows (shown as magnitudes), the message or
// the inductance rows (signed), and whether Q and D appear.
TEST(ResultContent, BpChoosesTheRows) {
  // Rows 6 and 7 of the panel, lines 8 and 9 of the report; Rp follows the message.
  const Lines capacitive = {"181 Cs | 207: 1 uF @180", "182 Cp | 208: 996.0677 nF @195",
                            "Cs =  1 uF", "Cp =  996.0677 nF"};
  const Lines inductive = {"181 Ls | 207:-25.3303 mH @180", "182 Lp | 208:-25.4303 mH @195",
                           "Ls = -25.3303 mH", "Lp = -25.4303 mH"};
  const Lines resistive = {"181 Device is purely resistive @180", "188 Rp | 212: 2.543 kOhms @210",
                           "Device is purely resistive", "Rp =  2.543 kOhms"};

  const struct {
    double bp;
    const Lines &expected;
    std::size_t rows, lines;
  } cases[] = {{1e-3, capacitive, 12, 13}, {HUGE_VAL, capacitive, 12, 13},
               {-1e-3, inductive, 12, 13}, {NAN, inductive, 10, 11},
               {0.0, resistive, 9, 10},    {-0.0, resistive, 9, 10}};

  for (const auto &c : cases) {
    CalcState s = Capacitor;
    s.Bp = c.bp;
    const Lines panel = Panel(s), report = ReportLines(s);
    ASSERT_EQ((std::array{panel.size(), report.size()}), (std::array{c.rows, c.lines})) << c.bp;
    EXPECT_EQ((Lines{panel[6], panel[7], report[7], report[8]}), c.expected) << c.bp;
    EXPECT_EQ(panel.back(), "185 Phase angle | 211:-86.4 degrees @255") << c.bp;
  }
}

// The panel shows "> 1E6" for a Q of magnitude above 1E6 and for a D above
// 1E6 or NaN; the report always prints both as magnitudes.
TEST(ResultContent, LargeQAndD) {
  const struct {
    double q, d;
    Lines expected; // panel Q and D, report Q and D
  } cases[] = {
      {-1000000.5, 1000000, {"> 1E6", " 1000000", "Q =  1000000.5", "D =  1000000"}},
      {-1000000, 1000000.5, {" 1000000", "> 1E6", "Q =  1000000", "D =  1000000.5"}},
      {999999.99996, -2000000, {" 1000000", " 2000000", "Q =  1000000", "D =  2000000"}},
      {NAN, NAN, {" 0", "> 1E6", "Q =  0", "D =  0"}},
  };

  for (const auto &c : cases) {
    CalcState s = Capacitor;
    s.Q = c.q;
    s.D = c.d;
    const std::vector<ResultRow> rows = ResultPanelRows(s);
    const Lines report = ReportLines(s);
    EXPECT_EQ((Lines{rows.at(9).value, rows.at(10).value, report.at(10), report.at(11)}),
              c.expected)
        << c.q << " " << c.d;
  }
}

// The panel is cleared by these identifiers, in this order, whatever rows the
// last calculation showed.
TEST(ResultContent, PanelIdentifiersAscending) {
  EXPECT_EQ(std::vector<int>(ResultPanelIds.begin(), ResultPanelIds.end()),
            (std::vector<int>{175, 176, 177, 178, 179, 180, 181, 182, 183, 184, 185, 188,
                              201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212}));
}

} // namespace
