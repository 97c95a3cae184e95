// Shared fixture of the Qt tests: runs the real program or a bare toolkit
// dialog inside its own modal loop, and closes every box that opens so that
// a failing test ends instead of hanging.
#pragma once

#include "platform/Toolkit.h"

#include <QString>

#include <functional>
#include <vector>

class QWidget;

// A modal box that the watchdog saw and closed.
struct SeenBox {
  QString title;
  QString text;
  int buttonCount = 0;
  bool hasIcon = false;
  bool isMessageBox = false;
};

// Boxes closed since the last RunProgram/RunDialog started, in order.
extern std::vector<SeenBox> SeenBoxes;

// Runs `run`, which blocks in a modal loop, with the box watchdog on and a
// 60 s deadline that fails the test and closes every window.
void RunGuarded(const std::function<void()>& run);

// Resets the program's process-wide records, runs RunMainDialog and calls
// `body` once its window is shown and active. The window is closed after
// `body` unless `body` closed it. Returns RunMainDialog's result.
int RunProgram(const std::function<void()>& body);

// The main dialog's widget and its control of identifier `id` (nullptr when absent).
QWidget* MainWindow();
QWidget* Control(int id);

// Clicks the control with the left mouse button, as a user would.
void Click(int id);

// Selects the whole text of text box `id` and types `text` over it.
void TypeInto(int id, const QString& text);

// The visible text of control `id`; a null string when the control is absent.
QString TextOf(int id);

// Identifiers in [first, last] that currently have a control.
std::vector<int> PresentIds(int first, int last);

// Lets pending events run (repaints, deferred deletes) for `ms` milliseconds.
void Settle(int ms = 20);
