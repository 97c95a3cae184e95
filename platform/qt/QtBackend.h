// What the Qt backend offers beyond the toolkit operations: process start-up
// for the program's main, and access to the real widgets for the tests, the
// screenshot driver and the benchmark. Nothing outside platform/qt/, tests/qt/
// and bench/qt/ includes this header.
#pragma once

#include "platform/Toolkit.h"

#include <string>

class QWidget;

// Creates the application object (reading no command-line argument) and the
// application icon; call once before any toolkit operation.
void StartToolkit(int &argc, char **argv);

// Releases the application object; the last call before the process ends.
void StopToolkit();

// The dialog's top-level widget; nullptr for a handle that is not a dialog.
QWidget *DialogWidget(WindowRef dialog);

// The first control of that identifier in the dialog; nullptr when absent.
QWidget *ControlWidget(WindowRef dialog, int id);

// The dialog font's base units in pixels: average character width (as the
// dialog-unit formula averages the 52 letters) and character height.
struct BaseUnits {
  int x;
  int y;
};

BaseUnits DialogBaseUnits(WindowRef dialog);

// Windows' MulDiv: a * b / c rounded half away from zero, in 64 bits.
int MulDiv(int a, int b, int c);

// Makes the next AttachPrinter skip the print dialog and print to a PDF
// file at `path` instead, as if the user had chosen that destination.
void PrintNextJobToPdf(const std::string &path);
