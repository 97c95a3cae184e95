// The main dialog: process-wide values, start-up and the command handler.
#pragma once

#include "CalvoraVersion.h"
#include "core/CalcState.h"
#include "dialog/DialogLayout.h"
#include "dialog/ModeCatalogue.h"
#include "platform/Toolkit.h"

#include <cstdint>

// Process-wide values, living from start to exit; all zero at start.
extern CalcState TheCalcState;          // written only by RunCalc
extern int ModeId;                      // 0 until a mode button is pressed
extern WindowRef DialogHandle;          // the main dialog
extern DialogLayoutValues DialogLayout; // set once by RunMainDialog

// Control identifiers of the fixed controls.
inline constexpr int CalcButtonId = 108;
inline constexpr int EntryFrameId = 110;
inline constexpr int ResultFrameId = 111;
inline constexpr int PrintButtonId = 117;
inline constexpr int AboutButtonId = 118;
inline constexpr int ModeHintId = 187;

// Identifiers of entry row k (1..5): name label, text box, unit label. No
// mode has a unit on row 5, so unit labels go up to row 4.
inline constexpr int MaxEntryRows = 5;
inline constexpr int MaxUnitRows = 4;
inline constexpr int EntryLabelIds[MaxEntryRows] = {171, 172, 173, 174, 186};

inline constexpr int EntryBoxId(int row) { return 150 + row; }

inline constexpr int EntryUnitId(int row) { return 230 + row; }

inline constexpr const char *MainDialogTitle = "Calvora Impedance Calculator " CALVORA_VERSION;
inline constexpr const char *NoModeWarning = "Please select a mode then enter some data!";
inline constexpr const char *NoModeCaption = "Calvora";

// One fixed control of the main dialog, in creation order.
struct FixedControl {
  int id;
  ControlKind kind;
  const char *caption;
  int x, y, width, height;
};

extern const FixedControl FixedControls[21];

// Builds the main dialog and runs it until its window is closed; returns 0.
int RunMainDialog();

// The main dialog's message callback: mode buttons, Calc, Print and "(c)".
std::intptr_t DialogCallback(WindowRef dialog, unsigned message, std::uintptr_t wParam,
                             std::intptr_t lParam);

// Entry area and result panel maintenance.
void ClearEntryRows();
void ApplyMode(const ModeDescriptor &mode);
void ClearResultPanel();

// The result content put on screen, on paper and in a box, through the
// toolkit: the panel rows from TheCalcState (then the completion sound),
// the report of TheCalcState on a printer the user picks, the information box.
void ShowResultPanel();
void PrintReport();
void ShowAboutBox();
