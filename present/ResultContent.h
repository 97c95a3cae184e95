// What the result panel and the printed report show for a CalcState, as
// plain data: the GUI turns it into controls or printed lines, the
// command-line companion prints it. Pure functions of their arguments.
#pragma once

#include "core/CalcState.h"
#include "dialog/DialogLayout.h"

#include <string>
#include <vector>

// One static label of the result panel, geometry in dialog units.
struct PanelLabel {
  int id = 0; // 0: no label
  std::string text;
  int x = 0, y = 0, width = 0, height = 0;
};

// One row of the panel: a name label and, except for the purely-resistive
// message, a value label.
struct PanelRow {
  PanelLabel name;
  PanelLabel value; // value.id == 0 when the row has no value label
};

// The panel's rows in creation order (name label before value label), placed
// with the x positions and sizes of `layout`; row r sits at y = 90 + 15·r.
// Capacitance rows when Bp > 0, the message "Device is purely resistive"
// when Bp == 0, inductance rows otherwise; Q and D rows only when Bp is a
// non-zero number.
std::vector<PanelRow> ResultPanelRows(const CalcState& s, const DialogLayoutValues& layout);

// Every identifier the panel may use, in removal order.
inline constexpr int ResultPanelIds[] = {175, 176, 177, 178, 179, 180, 181, 182,
                                         183, 184, 185, 188, 201, 202, 203, 204,
                                         205, 206, 207, 208, 209, 210, 211, 212};

// The printed report's lines, in printing order ("F =  1 kHz", ...):
// 13 for a reactive device, 10 when Bp == 0, 11 when Bp is NaN.
std::vector<std::string> ReportLines(const CalcState& s);

// The information box: seven lines joined by CR LF, no trailing break.
inline constexpr const char* AboutBoxText =
    "Calvora Impedance Calculator 1.03 - impedance conversions for the bench\r\n"
    "No responsibilities are assumed for inaccuracy, lack of suitability\r\n"
    "for any purpose, or for any loss or damage resulting from its use.\r\n"
    "Common impedance conversions- note that mhos are used instead of\r\n"
    "the modern and equivalent Siemens. SI units are automatically\r\n"
    "scaled so watch your prefixes. User inputs are not checked - GIGO!\r\n"
    "Thanks for using those great General Radio Corp. bridges and standards!";
inline constexpr const char* AboutBoxCaption = "Calvora ";
