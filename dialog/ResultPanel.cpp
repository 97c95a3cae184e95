// The result panel and the completion sound, built through the toolkit: the
// rows' texts come from the result content, their places from the layout.
#include "dialog/MainDialog.h"
#include "present/ResultContent.h"

void ShowResultPanel() {
  for (const ResultRow &row : ResultPanelRows(TheCalcState)) {
    const bool hasValue = row.valueId != 0;
    const DialogRect n = PanelNameRect(DialogLayout, row.row, hasValue);
    AddControl(ControlKind::Label, DialogHandle, row.nameId, row.name, n.x, n.y, n.width, n.height,
               0, 0);
    if (hasValue) {
      const DialogRect v = PanelValueRect(DialogLayout, row.row);
      AddControl(ControlKind::Label, DialogHandle, row.valueId, row.value, v.x, v.y, v.width,
                 v.height, 0, 0);
    }
  }
  PlayResourceSound("glass_a");
}

void ClearResultPanel() {
  for (int id : ResultPanelIds)
    RemoveControl(DialogHandle, id);
}
