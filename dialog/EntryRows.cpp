#include "dialog/MainDialog.h"

void ClearEntryRows() {
  for (int k = 1; k <= MaxEntryRows; ++k)
    RemoveControl(DialogHandle, EntryLabelIds[k - 1]);
  RemoveControl(DialogHandle, ModeHintId);
  for (int k = 1; k <= MaxEntryRows; ++k)
    RemoveControl(DialogHandle, EntryBoxId(k));
  for (int k = 1; k <= MaxUnitRows; ++k)
    RemoveControl(DialogHandle, EntryUnitId(k));
}

void ApplyMode(const ModeDescriptor &mode) {
  const DialogLayoutValues &L = DialogLayout;
  const int rowY[MaxEntryRows] = {L.RowY1, L.RowY2, L.RowY3, L.RowY4, L.RowY5};
  const ModeRows &entry = mode.entry;
  for (int k = 1; k <= entry.rowCount; ++k) {
    const EntryRowDefinition &row = entry.rows[k - 1];
    const int y = rowY[k - 1];
    AddControl(ControlKind::Label, DialogHandle, EntryLabelIds[k - 1], row.name, L.LabelX, y,
               L.LabelWidth, L.RowHeight, 0, 0);
    AddControl(ControlKind::TextBox, DialogHandle, EntryBoxId(k), row.defaultText, L.EntryX, y,
               L.ValueWidth, L.RowHeight, 0, 0);
    if (row.unit)
      AddControl(ControlKind::Label, DialogHandle, EntryUnitId(k), row.unit, L.UnitX, y,
                 L.UnitWidth, L.RowHeight, 0, 0);
  }
  AddControl(ControlKind::Label, DialogHandle, ModeHintId, mode.hint, L.LabelX, L.HintY,
             L.HintWidth, L.HintHeight, 0, 0);
  ModeId = entry.ModeId;
}
