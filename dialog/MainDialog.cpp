#include "dialog/MainDialog.h"

CalcState TheCalcState;
int ModeId = 0;
WindowRef DialogHandle = nullptr;
DialogLayoutValues DialogLayout{};

const FixedControl FixedControls[21] = {
    {120, ControlKind::Button, "Ls-R", 58, 20, 35, 14},
    {100, ControlKind::Button, "R-X", 101, 20, 35, 14},
    {102, ControlKind::Button, "Cs-D", 144, 20, 35, 14},
    {103, ControlKind::Button, "Cp-D", 187, 20, 35, 14},
    {112, ControlKind::Button, "Cs||Cs", 230, 20, 35, 14},
    {113, ControlKind::Button, "Cs-Cs", 273, 20, 35, 14},
    {106, ControlKind::Button, "Cs-R", 316, 20, 35, 14},
    {107, ControlKind::Button, "V-Z", 359, 20, 35, 14},
    {119, ControlKind::Button, "Lp-R", 58, 40, 35, 14},
    {101, ControlKind::Button, "G-B", 101, 40, 35, 14},
    {104, ControlKind::Button, "Ls-Q", 144, 40, 35, 14},
    {105, ControlKind::Button, "Lp-Q", 187, 40, 35, 14},
    {114, ControlKind::Button, "Ls||Ls", 230, 40, 35, 14},
    {115, ControlKind::Button, "Ls-Ls", 273, 40, 35, 14},
    {116, ControlKind::Button, "IVP", 316, 40, 35, 14},
    {117, ControlKind::Button, "Print", 359, 40, 35, 14},
    {121, ControlKind::Button, "Cp-Rp", 58, 60, 35, 14},
    {108, ControlKind::Button, "Calc", 227, 160, 30, 30},
    {118, ControlKind::Button, "(c)", 236, 255, 12, 12},
    {110, ControlKind::Frame, "", 35, 80, 165, 190},
    {111, ControlKind::Frame, "", 285, 80, 131, 190},
};

int RunMainDialog() {
  // Step 1: the layout values, fixed for the whole run.
  DialogLayout = MakeDialogLayout();

  // Step 2: the font that defines the dialog units of everything below.
  SetDialogFont("Arial", 10, 0, 0);

  // Step 3: the dialog itself, hidden and centred.
  DialogHandle =
      NewDialog(UnitMode::DialogUnits, nullptr, MainDialogTitle, std::nullopt, std::nullopt,
                DialogLayout.DialogWidth, DialogLayout.DialogHeight, OverlappedWindowStyle, 0);

  // Step 4: its icon, then the fixed controls in creation order.
  SetDialogIcon(DialogHandle, "TBICON");
  for (const FixedControl &c : FixedControls)
    AddControl(c.kind, DialogHandle, c.id, c.caption, c.x, c.y, c.width, c.height, 0, 0);

  // Step 5: run until the window is closed.
  RunModal(DialogHandle, DialogCallback);
  return 0;
}
