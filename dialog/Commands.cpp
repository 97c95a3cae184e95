#include "dialog/MainDialog.h"

#include "core/RunCalc.h"

#include <string>
#include <string_view>

namespace {

// Reads the current mode's entry rows, computes and rebuilds the panel.
void CalculateAndShow() {
  const int rows = ModeRowCount(ModeId);
  std::string texts[5];
  std::string_view views[5];
  for (int k = 1; k <= rows; ++k) {
    texts[k - 1] = GetControlText(DialogHandle, EntryBoxId(k));
    views[k - 1] = texts[k - 1];
  }
  RunCalc(TheCalcState, ModeId, std::span<const std::string_view>(views, std::size_t(rows)));
  ClearResultPanel();
  ShowResultPanel();
}

} // namespace

std::intptr_t DialogCallback(WindowRef, unsigned message, std::uintptr_t wParam, std::intptr_t) {
  if (message != MsgCommand)
    return 0;
  const int id = int(wParam & 0xFFFF);
  const unsigned code = unsigned((wParam >> 16) & 0xFFFF);

  if (const ModeDescriptor *mode = FindModeByButton(id)) {
    if (code == NotifyClicked) {
      ClearEntryRows();
      ApplyMode(*mode);
      SetControlFocus(DialogHandle, EntryBoxId(mode->focusRow));
    }
    return 0;
  }
  switch (id) {
  case AboutButtonId:
    if (code == NotifyClicked)
      ShowAboutBox();
    return 0;
  case PrintButtonId:
    if (code == NotifyClicked)
      PrintReport();
    return 0;
  case CalcButtonId:
    if (code == NotifyClicked) {
      if (ModeId == 0)
        ShowMessage(NoModeWarning, MessageStyleOkForeground, NoModeCaption);
      else
        CalculateAndShow();
    }
    return 1;
  default:
    return 0;
  }
}
