// What the result panel shows and the printed report prints for a CalcState,
// as text: the dialog places the panel's rows, the print service prints the
// report's lines, the command-line companion prints either. Pure functions
// of their arguments.
#pragma once

#include "core/CalcState.h"
#include "CalvoraVersion.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>
#include <string>
#include <vector>

// When a result appears: always; for a capacitive impedance (Bp > 0); when
// it is purely resistive (Bp == 0, -0 included); for an inductive one
// (anything else, NaN included); or with Q and D (Bp a non-zero number).
enum class ResultShown { Always, Capacitive, Resistive, Inductive, WithQuality };

// How a value is written: with an SI prefix and the unit, as a magnitude
// with prefix and unit (capacitances are carried negative), as a plain
// ratio (Q and D, which the panel gives as "> 1E6" when large), the phase
// in degrees, or no value at all (the purely-resistive message).
enum class ResultStyle { Engineering, Magnitude, QualityFactor, DissipationFactor, Phase, Message };

// One result the panel, the report and the companion show.
struct ResultField {
  double CalcState::*member; // nullptr for the message
  const char *label;         // name label and report text: "Z", ..., "Phase angle"
  ResultStyle style;
  int places;       // decimals of the value
  const char *unit; // SI unit after the prefix; nullptr for a ratio
  ResultShown shown;
  int panelRow;        // 0 to 11 on the panel; -1 for a report line only (F)
  int nameId, valueId; // the panel's label identifiers; 0 for none
};

// Every result in panel and report order: F (report only), then the panel's
// rows. Cs and Cp, the message, and Ls and Lp share rows 6 and 7; exactly
// one of the three groups shows. The batch columns are the entries with a
// panel row and a field, named as in CalcStateFields.
inline constexpr ResultField ResultFields[] = {
    {&CalcState::F, "F", ResultStyle::Engineering, 4, "Hz", ResultShown::Always, -1, 0, 0},
    {&CalcState::Z, "Z", ResultStyle::Engineering, 4, "Ohms", ResultShown::Always, 0, 175, 201},
    {&CalcState::Rs, "Rs", ResultStyle::Engineering, 4, "Ohms", ResultShown::Always, 1, 176, 202},
    {&CalcState::Xs, "Xs", ResultStyle::Engineering, 4, "Ohms", ResultShown::Always, 2, 177, 203},
    {&CalcState::Y, "Y", ResultStyle::Engineering, 2, "mhos", ResultShown::Always, 3, 178, 204},
    {&CalcState::Gp, "Gp", ResultStyle::Engineering, 2, "mhos", ResultShown::Always, 4, 179, 205},
    {&CalcState::Bp, "Bp", ResultStyle::Engineering, 2, "mhos", ResultShown::Always, 5, 180, 206},
    {&CalcState::Cs, "Cs", ResultStyle::Magnitude, 4, "F", ResultShown::Capacitive, 6, 181, 207},
    {&CalcState::Cp, "Cp", ResultStyle::Magnitude, 4, "F", ResultShown::Capacitive, 7, 182, 208},
    {nullptr, "Device is purely resistive", ResultStyle::Message, 0, nullptr,
     ResultShown::Resistive, 6, 181, 0},
    {&CalcState::Ls, "Ls", ResultStyle::Engineering, 4, "H", ResultShown::Inductive, 6, 181, 207},
    {&CalcState::Lp, "Lp", ResultStyle::Engineering, 4, "H", ResultShown::Inductive, 7, 182, 208},
    {&CalcState::Rp, "Rp", ResultStyle::Engineering, 4, "Ohms", ResultShown::Always, 8, 188, 212},
    {&CalcState::Q, "Q", ResultStyle::QualityFactor, 4, nullptr, ResultShown::WithQuality, 9, 183,
     209},
    {&CalcState::D, "D", ResultStyle::DissipationFactor, 4, nullptr, ResultShown::WithQuality, 10,
     184, 210},
    {&CalcState::Phase, "Phase angle", ResultStyle::Phase, 2, nullptr, ResultShown::Always, 11, 185,
     211},
};

constexpr std::size_t CountResultColumns() {
  std::size_t n = 0;
  for (const ResultField &f : ResultFields)
    if (f.member != nullptr && f.panelRow >= 0)
      ++n;
  return n;
}

// The results the companion writes as columns, every state alike: each
// field with a panel row, in panel order (Z, Rs, Xs, Y, Gp, Bp, Cs, Cp, Ls,
// Lp, Rp, Q, D, Phase), named as in CalcStateFields.
inline constexpr std::array<double CalcState::*, CountResultColumns()> ResultColumns = [] {
  std::array<double CalcState::*, CountResultColumns()> columns{};
  std::size_t n = 0;
  for (const ResultField &f : ResultFields)
    if (f.member != nullptr && f.panelRow >= 0)
      columns[n++] = f.member;
  return columns;
}();

// Whether `field` appears for this state.
bool ResultFieldShown(const ResultField &field, const CalcState &s);

// One row of the panel: a name label and, except for the message, a value
// label, both on panel row `row`.
struct ResultRow {
  int row = 0;
  int nameId = 0;
  std::string name;
  int valueId = 0; // 0 when the row has no value label
  std::string value;
};

// The panel's rows in creation order: 12 for a reactive device, 9 when Bp
// is zero, 10 when Bp is NaN.
std::vector<ResultRow> ResultPanelRows(const CalcState &s);

// The label identifiers of ResultFields, each once, ascending.
constexpr std::array<int, 2 * std::size(ResultFields)> SortedResultIds(std::size_t &count) {
  std::array<int, 2 * std::size(ResultFields)> ids{};
  count = 0;
  for (const ResultField &f : ResultFields)
    for (int id : {f.nameId, f.valueId})
      if (id != 0)
        ids[count++] = id;
  std::sort(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(count));
  count = static_cast<std::size_t>(
      std::unique(ids.begin(), ids.begin() + static_cast<std::ptrdiff_t>(count)) - ids.begin());
  return ids;
}

constexpr std::size_t CountResultIds() {
  std::size_t count = 0;
  SortedResultIds(count);
  return count;
}

// Every identifier the panel may use, ascending (175 to 185, 188, 201 to
// 212): the order in which the panel is cleared.
inline constexpr std::array<int, CountResultIds()> ResultPanelIds = [] {
  std::size_t count = 0;
  const auto sorted = SortedResultIds(count);
  std::array<int, CountResultIds()> ids{};
  for (std::size_t i = 0; i < ids.size(); ++i)
    ids[i] = sorted[i];
  return ids;
}();

// The printed report's lines, in printing order ("F =  1 kHz", ...):
// 13 for a reactive device, 10 when Bp == 0, 11 when Bp is NaN.
std::vector<std::string> ReportLines(const CalcState &s);

// The information box: seven lines joined by CR LF, no trailing break.
inline constexpr const char *AboutBoxText =
    "Calvora Impedance Calculator " CALVORA_VERSION " - impedance conversions for the bench\r\n"
    "No responsibilities are assumed for inaccuracy, lack of suitability\r\n"
    "for any purpose, or for any loss or damage resulting from its use.\r\n"
    "Common impedance conversions- note that mhos are used instead of\r\n"
    "the modern and equivalent Siemens. SI units are automatically\r\n"
    "scaled so watch your prefixes. User inputs are not checked - GIGO!\r\n"
    "Thanks for using those great General Radio Corp. bridges and standards!";
inline constexpr const char *AboutBoxCaption = "Calvora ";
