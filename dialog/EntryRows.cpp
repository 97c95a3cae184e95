#include "dialog/MainDialog.h"

#include "present/ResultContent.h"

void ClearEntryRows() {
  static constexpr int Ids[] = {171, 172, 173, 174, 186, 187, 151, 152,
                                153, 154, 155, 231, 232, 233, 234};
  for (int id : Ids)
    RemoveControl(DialogHandle, id);
}

void ApplyMode(const ModeDescriptor& mode) {
  const DialogLayoutValues& L = DialogLayout;
  const int rowY[5] = {L.RowY1, L.RowY2, L.RowY3, L.RowY4, L.RowY5};
  for (int k = 1; k <= mode.rowCount; ++k) {
    const EntryRowDefinition& row = mode.rows[k - 1];
    const int y = rowY[k - 1];
    AddControl(ControlKind::Label, DialogHandle, EntryLabelIds[k - 1], row.name, L.LabelX, y,
               L.LabelWidth, L.RowHeight, 0, 0);
    AddControl(ControlKind::TextBox, DialogHandle, EntryBoxId(k), row.defaultText, L.EntryX, y,
               L.ValueWidth, L.RowHeight, 0, 0);
    if (row.unit)
      AddControl(ControlKind::Label, DialogHandle, EntryUnitId(k), row.unit, L.UnitX, y,
                 L.UnitWidth, L.RowHeight, 0, 0);
  }
  AddControl(ControlKind::Label, DialogHandle, ModeHintId, mode.hint, L.LabelX, L.HintY, 135, 44,
             0, 0);
  ModeId = mode.ModeId;
}

void ClearResultPanel() {
  for (int id : ResultPanelIds)
    RemoveControl(DialogHandle, id);
}
