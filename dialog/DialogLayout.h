// The main dialog's fixed layout values, in dialog units.
#pragma once

struct DialogLayoutValues {
  int LabelX;                            // entry-row labels and the mode hint
  int EntryX;                            // entry text boxes
  int UnitX;                             // entry-row unit labels
  int PanelLabelX;                       // result-panel name labels
  int PanelValueX;                       // result-panel value labels
  int RowY1, RowY2, RowY3, RowY4, RowY5; // entry rows 1 to 5
  int HintY;                             // mode hint
  int LabelWidth;                        // entry-row labels and result-panel name labels
  int UnitWidth;                         // entry-row unit labels
  int ValueWidth;                        // entry text boxes and result-panel value labels
  int RowHeight;                         // every entry-row and result-panel control
  // Beyond the fifteen: the dialog's own size, the hint's box, and the
  // result panel's pitch and message width.
  int DialogWidth, DialogHeight;
  int HintWidth, HintHeight;
  int PanelRowPitch; // result row r sits at RowY1 + r * PanelRowPitch
  int MessageWidth;  // "Device is purely resistive", which has no value label
};

// The values as the layout derives them, in table order: a text box ends
// exactly where its unit label begins, and rows are 20 units apart.
constexpr DialogLayoutValues MakeDialogLayout() {
  DialogLayoutValues v{};
  v.LabelX = 50;
  v.EntryX = v.LabelX + 50;
  v.UnitX = v.EntryX + 65;
  v.PanelLabelX = 300;
  v.PanelValueX = v.PanelLabelX + 50;
  v.RowY1 = 90;
  v.RowY2 = v.RowY1 + 20;
  v.RowY3 = v.RowY2 + 20;
  v.RowY4 = v.RowY3 + 20;
  v.RowY5 = v.RowY4 + 20;
  v.HintY = v.RowY1 + 6 * 20;
  v.LabelWidth = 45;
  v.UnitWidth = 24;
  v.ValueWidth = 65;
  v.RowHeight = 10;
  v.DialogWidth = 450;
  v.DialogHeight = 290;
  v.HintWidth = 135;
  v.HintHeight = 44;
  v.PanelRowPitch = 15;
  v.MessageWidth = 90;
  return v;
}

// A rectangle in dialog units.
struct DialogRect {
  int x, y, width, height;
};

// Where result-panel row `row` (0 to 11) puts its name label, which is the
// wider message box when the row has no value label...
constexpr DialogRect PanelNameRect(const DialogLayoutValues &L, int row, bool hasValue) {
  return {L.PanelLabelX, L.RowY1 + L.PanelRowPitch * row, hasValue ? L.LabelWidth : L.MessageWidth,
          L.RowHeight};
}

// ...and its value label, on the same line.
constexpr DialogRect PanelValueRect(const DialogLayoutValues &L, int row) {
  return {L.PanelValueX, L.RowY1 + L.PanelRowPitch * row, L.ValueWidth, L.RowHeight};
}
