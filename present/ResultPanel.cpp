// The result panel and the completion sound, built through the toolkit.
#include "dialog/MainDialog.h"
#include "present/ResultContent.h"

void ShowResultPanel() {
  for (const PanelRow& row : ResultPanelRows(TheCalcState, DialogLayout)) {
    const PanelLabel& n = row.name;
    AddControl(ControlKind::Label, DialogHandle, n.id, n.text, n.x, n.y, n.width, n.height, 0, 0);
    const PanelLabel& v = row.value;
    if (v.id != 0)
      AddControl(ControlKind::Label, DialogHandle, v.id, v.text, v.x, v.y, v.width, v.height, 0,
                 0);
  }
  PlayResourceSound("glass_a");
}
