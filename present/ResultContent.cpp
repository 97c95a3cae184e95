// What the result panel shows and the printed report prints for a CalcState.
#include "present/ResultContent.h"

#include "present/NumberText.h"

#include <cmath>
#include <utility>

namespace {

constexpr double LargeBound = 1000000.0;

std::string MagnitudeText(double value) { return NumberText(Abs(RoundDecimals(value, 4))); }

// The value of `f` as the report prints it; the panel differs only for a
// large Q or D, which it shows as "> 1E6".
std::string ValueText(const ResultField &f, const CalcState &s, bool panel) {
  const double v = f.member != nullptr ? s.*f.member : 0;
  switch (f.style) {
  case ResultStyle::Engineering:
    return EngineeringFormatter(v, f.places, f.unit);
  case ResultStyle::Magnitude:
    return EngineeringFormatter(std::fabs(v), f.places, f.unit);
  case ResultStyle::QualityFactor:
    // Q gives way only for a large magnitude: a NaN shows as a number.
    return panel && std::fabs(v) > LargeBound ? "> 1E6" : MagnitudeText(v);
  case ResultStyle::DissipationFactor:
    // D gives way for anything but a signed value at most 1E6, NaN included.
    return panel && !(v <= LargeBound) ? "> 1E6" : MagnitudeText(v);
  case ResultStyle::Phase:
    return NumberText(RoundDecimals(v, f.places)) + " degrees";
  case ResultStyle::Message:
    break;
  }
  return std::string();
}

} // namespace

bool ResultFieldShown(const ResultField &field, const CalcState &s) {
  const double bp = s.Bp;
  switch (field.shown) {
  case ResultShown::Always:
    return true;
  case ResultShown::Capacitive:
    return bp > 0;
  case ResultShown::Resistive:
    return bp == 0;
  case ResultShown::Inductive:
    return !(bp > 0) && !(bp == 0);
  case ResultShown::WithQuality:
    return bp != 0 && !std::isnan(bp);
  }
  return false;
}

std::vector<ResultRow> ResultPanelRows(const CalcState &s) {
  std::vector<ResultRow> rows;
  rows.reserve(12);
  for (const ResultField &f : ResultFields) {
    if (f.panelRow < 0 || !ResultFieldShown(f, s))
      continue;
    ResultRow r;
    r.row = f.panelRow;
    r.nameId = f.nameId;
    r.name = f.label;
    r.valueId = f.valueId;
    if (f.valueId != 0)
      r.value = ValueText(f, s, true);
    rows.push_back(std::move(r));
  }
  return rows;
}

std::vector<std::string> ReportLines(const CalcState &s) {
  std::vector<std::string> lines;
  lines.reserve(13);
  for (const ResultField &f : ResultFields) {
    if (!ResultFieldShown(f, s))
      continue;
    // The report always prints Q and D as numbers, however large.
    if (f.style == ResultStyle::Message)
      lines.push_back(f.label);
    else
      lines.push_back(std::string(f.label) + " = " + ValueText(f, s, false));
  }
  return lines;
}
