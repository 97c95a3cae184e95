// Shared fixture of the Qt tests and the screenshot program: runs the real
// program inside its modal loop and closes every box that opens, so that a
// failing test ends instead of hanging.
#pragma once

#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

class QWidget;

// Modal boxes closed since the last RunGuarded began, as "caption|text".
extern QStringList SeenBoxes;

// Runs `run`, which blocks in a modal loop, while a watchdog records and
// closes every modal box (message boxes with their button, others rejected).
void RunGuarded(const std::function<void()>& run);

// Resets the program's process-wide records, runs RunMainDialog and calls
// `body` once the window is shown; closes the window afterwards if still
// open. Returns RunMainDialog's result.
int RunProgram(const std::function<void()>& body);

QWidget* MainWindow();
QWidget* Control(int id);                   // nullptr when absent
QString TextOf(int id);                     // null when absent
void Click(int id);                         // left mouse button on the control's centre
void TypeInto(int id, const QString& text); // selects all and types over it
void Settle(int ms = 20);                   // lets pending events run

// A Calc from a fresh mode, and the report's lines that it must give.
struct CalcCase {
  const char* name;
  int modeButton;
  std::vector<std::pair<int, const char*>> entries; // text box, typed text
  QStringList lines;
};

extern const std::vector<CalcCase> CalcCases;

// Clicks the case's mode button, types its entries and clicks Calc.
void Calculate(const CalcCase& c);
