// What the result panel shows and the printed report prints for a CalcState.
#include "present/ResultContent.h"

#include "present/NumberText.h"

#include <cmath>
#include <utility>

namespace {

constexpr int FirstRowY = 90;
constexpr int RowPitch = 15;
constexpr int MessageWidth = 90;
constexpr double LargeBound = 1000000.0;

enum class Reactance { Capacitive, Resistive, Inductive };

// Bp > 0 is capacitive, Bp == 0 (-0 included) purely resistive, and
// everything else, NaN included, inductive.
Reactance ReactanceOf(double bp) {
  if (bp > 0)
    return Reactance::Capacitive;
  if (bp == 0)
    return Reactance::Resistive;
  return Reactance::Inductive;
}

// Q and D only mean something when Bp is a non-zero number.
bool HasQualityRows(double bp) { return bp != 0 && !std::isnan(bp); }

std::string MagnitudeText(double value) {
  return NumberText(std::fabs(RoundDecimals(value, 4)));
}

std::string PhaseText(double phase) { return NumberText(RoundDecimals(phase, 2)) + " degrees"; }

PanelRow Row(const DialogLayoutValues& layout, int row, int nameId, std::string name, int valueId,
             std::string value) {
  const int y = FirstRowY + RowPitch * row;
  PanelRow r;
  r.name = {nameId, std::move(name), layout.PanelLabelX, y, layout.LabelWidth, layout.RowHeight};
  r.value = {valueId, std::move(value), layout.PanelValueX, y, layout.ValueWidth,
             layout.RowHeight};
  return r;
}

} // namespace

std::vector<PanelRow> ResultPanelRows(const CalcState& s, const DialogLayoutValues& layout) {
  std::vector<PanelRow> rows;
  rows.reserve(12);
  rows.push_back(Row(layout, 0, 175, "Z", 201, EngineeringFormatter(s.Z, 4, "Ohms")));
  rows.push_back(Row(layout, 1, 176, "Rs", 202, EngineeringFormatter(s.Rs, 4, "Ohms")));
  rows.push_back(Row(layout, 2, 177, "Xs", 203, EngineeringFormatter(s.Xs, 4, "Ohms")));
  rows.push_back(Row(layout, 3, 178, "Y", 204, EngineeringFormatter(s.Y, 2, "mhos")));
  rows.push_back(Row(layout, 4, 179, "Gp", 205, EngineeringFormatter(s.Gp, 2, "mhos")));
  rows.push_back(Row(layout, 5, 180, "Bp", 206, EngineeringFormatter(s.Bp, 2, "mhos")));

  switch (ReactanceOf(s.Bp)) {
  case Reactance::Capacitive:
    rows.push_back(Row(layout, 6, 181, "Cs", 207, EngineeringFormatter(std::fabs(s.Cs), 4, "F")));
    rows.push_back(Row(layout, 7, 182, "Cp", 208, EngineeringFormatter(std::fabs(s.Cp), 4, "F")));
    break;
  case Reactance::Resistive: {
    PanelRow message;
    message.name = {181,          "Device is purely resistive", layout.PanelLabelX,
                    FirstRowY + RowPitch * 6, MessageWidth, layout.RowHeight};
    rows.push_back(std::move(message));
    break;
  }
  case Reactance::Inductive:
    rows.push_back(Row(layout, 6, 181, "Ls", 207, EngineeringFormatter(s.Ls, 4, "H")));
    rows.push_back(Row(layout, 7, 182, "Lp", 208, EngineeringFormatter(s.Lp, 4, "H")));
    break;
  }

  rows.push_back(Row(layout, 8, 188, "Rp", 212, EngineeringFormatter(s.Rp, 4, "Ohms")));

  if (HasQualityRows(s.Bp)) {
    // Q gives way to "> 1E6" only for a large magnitude (a NaN shows as a
    // number); D for anything but a signed value at most 1E6 (NaN included).
    const bool largeQ = std::fabs(s.Q) > LargeBound;
    const bool smallD = s.D <= LargeBound;
    rows.push_back(Row(layout, 9, 183, "Q", 209, largeQ ? "> 1E6" : MagnitudeText(s.Q)));
    rows.push_back(Row(layout, 10, 184, "D", 210, smallD ? MagnitudeText(s.D) : "> 1E6"));
  }

  rows.push_back(Row(layout, 11, 185, "Phase angle", 211, PhaseText(s.Phase)));
  return rows;
}

std::vector<std::string> ReportLines(const CalcState& s) {
  std::vector<std::string> lines;
  lines.reserve(13);
  lines.push_back("F = " + EngineeringFormatter(s.F, 4, "Hz"));
  lines.push_back("Z = " + EngineeringFormatter(s.Z, 4, "Ohms"));
  lines.push_back("Rs = " + EngineeringFormatter(s.Rs, 4, "Ohms"));
  lines.push_back("Xs = " + EngineeringFormatter(s.Xs, 4, "Ohms"));
  lines.push_back("Y = " + EngineeringFormatter(s.Y, 2, "mhos"));
  lines.push_back("Gp = " + EngineeringFormatter(s.Gp, 2, "mhos"));
  lines.push_back("Bp = " + EngineeringFormatter(s.Bp, 2, "mhos"));

  switch (ReactanceOf(s.Bp)) {
  case Reactance::Capacitive:
    lines.push_back("Cs = " + EngineeringFormatter(std::fabs(s.Cs), 4, "F"));
    lines.push_back("Cp = " + EngineeringFormatter(std::fabs(s.Cp), 4, "F"));
    break;
  case Reactance::Resistive:
    lines.push_back("Device is purely resistive");
    break;
  case Reactance::Inductive:
    lines.push_back("Ls = " + EngineeringFormatter(s.Ls, 4, "H"));
    lines.push_back("Lp = " + EngineeringFormatter(s.Lp, 4, "H"));
    break;
  }

  lines.push_back("Rp = " + EngineeringFormatter(s.Rp, 4, "Ohms"));

  // The report always prints Q and D as numbers, however large.
  if (HasQualityRows(s.Bp)) {
    lines.push_back("Q = " + MagnitudeText(s.Q));
    lines.push_back("D = " + MagnitudeText(s.D));
  }

  lines.push_back("Phase angle = " + PhaseText(s.Phase));
  return lines;
}
