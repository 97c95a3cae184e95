// The result panel's rows and the printed report's lines for given states.
#include "dialog/DialogLayout.h"
#include "present/ResultContent.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;

// 1 uF in series with 10 ohms at 1 kHz, field by field as the calculation leaves them.
// clang-format off
constexpr CalcState Capacitor = {
    .F = 1000, .Z = 159.4687929050209, .Rs = 10, .Rp = 2543.0295910584446, .Xs = -159.15494309189535,
    .Gp = 0.00039323175928274824, .Bp = 0.0062584778270571685, .Y = 0.006270819398473761, .Cs = -1e-06,
    .Cp = -9.960676824071725e-07, .Ls = -0.025330295910584447, .Lp = -0.025430295910584447,
    .Q = -15.915494309189535, .D = 0.06283185307179585, .Phase = -86.40472622013183};

// clang-format on

// "id name | id:value @y" per row; names at x 300, 45 wide (the message 90, no value label),
// values at x 350 on the name's line, 65 wide; all 10 high.
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

// The report: the F line, then the panel's rows as "name = value"; the ids cleared, ascending.
TEST(ResultContent, WorkedExample) {
  // clang-format off
  const Lines panel = {
      "175 Z | 201: 159.4688 Ohms @90", "176 Rs | 202: 10 Ohms @105", "177 Xs | 203:-159.1549 Ohms @120",
      "178 Y | 204: 6.27 mmhos @135", "179 Gp | 205: 393.23 umhos @150", "180 Bp | 206: 6.26 mmhos @165",
      "181 Cs | 207: 1 uF @180", "182 Cp | 208: 996.0677 nF @195", "188 Rp | 212: 2.543 kOhms @210",
      "183 Q | 209: 15.9155 @225", "184 D | 210: .0628 @240", "185 Phase angle | 211:-86.4 degrees @255"};
  // clang-format on
  EXPECT_EQ(Panel(Capacitor), panel);
  Lines report = {"F =  1 kHz"};
  for (const ResultRow &r : ResultPanelRows(Capacitor))
    report.push_back(r.name + " = " + r.value);
  EXPECT_EQ(ReportLines(Capacitor), report);
  EXPECT_EQ(std::vector<int>(ResultPanelIds.begin(), ResultPanelIds.end()),
            (std::vector<int>{175, 176, 177, 178, 179, 180, 181, 182, 183, 184, 185, 188,
                              201, 202, 203, 204, 205, 206, 207, 208, 209, 210, 211, 212}));
}

// Bp alone chooses the capacitance rows (magnitudes), the message or the inductance rows
// (signed), and whether Q and D appear. The panel shows "> 1E6" for |Q| above 1E6 and for D
// above 1E6 or NaN; the report always prints both as magnitudes.
TEST(ResultContent, BpChoosesTheRowsAndLargeQAndDAreCapped) {
  // Rows 6 and 7 of the panel, lines 8 and 9 of the report; Rp follows the message.
  const Lines capacitive = {"181 Cs | 207: 1 uF @180", "182 Cp | 208: 996.0677 nF @195",
                            "Cs =  1 uF", "Cp =  996.0677 nF"};
  const Lines inductive = {"181 Ls | 207:-25.3303 mH @180", "182 Lp | 208:-25.4303 mH @195",
                           "Ls = -25.3303 mH", "Lp = -25.4303 mH"};
  const Lines resistive = {"181 Device is purely resistive @180", "188 Rp | 212: 2.543 kOhms @210",
                           "Device is purely resistive", "Rp =  2.543 kOhms"};

  const double bp = Capacitor.Bp, q = Capacitor.Q, d = Capacitor.D;

  // clang-format off
  const struct { double bp, q, d; std::size_t row, rows, lines; Lines expected; } cases[] = {
      {1e-3, q, d, 6, 12, 13, capacitive}, {HUGE_VAL, q, d, 6, 12, 13, capacitive},
      {-1e-3, q, d, 6, 12, 13, inductive}, {NAN, q, d, 6, 10, 11, inductive},
      {0.0, q, d, 6, 9, 10, resistive}, {-0.0, q, d, 6, 9, 10, resistive},
      // Rows 9 and 10 of the panel, lines 11 and 12 of the report.
      {bp, -1000000.5, 1000000, 9, 12, 13, {"183 Q | 209:> 1E6 @225", "184 D | 210: 1000000 @240", "Q =  1000000.5", "D =  1000000"}},
      {bp, -1000000, 1000000.5, 9, 12, 13, {"183 Q | 209: 1000000 @225", "184 D | 210:> 1E6 @240", "Q =  1000000", "D =  1000000.5"}},
      {bp, 999999.99996, -2000000, 9, 12, 13, {"183 Q | 209: 1000000 @225", "184 D | 210: 2000000 @240", "Q =  1000000", "D =  2000000"}},
      {bp, NAN, NAN, 9, 12, 13, {"183 Q | 209: 0 @225", "184 D | 210:> 1E6 @240", "Q =  0", "D =  0"}},
  };

  // clang-format on
  for (const auto &c : cases) {
    CalcState s = Capacitor;
    s.Bp = c.bp, s.Q = c.q, s.D = c.d;
    const Lines panel = Panel(s), report = ReportLines(s);
    SCOPED_TRACE(testing::Message() << "Bp " << c.bp << ", Q " << c.q << ", D " << c.d);
    ASSERT_EQ((std::array{panel.size(), report.size()}), (std::array{c.rows, c.lines}));
    EXPECT_EQ((Lines{panel[c.row], panel[c.row + 1], report[c.row + 1], report[c.row + 2]}),
              c.expected);
    EXPECT_EQ(panel.back(), "185 Phase angle | 211:-86.4 degrees @255");
  }
}

} // namespace
