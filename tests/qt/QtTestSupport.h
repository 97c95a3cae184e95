// Shared fixture of the Qt tests and the screenshot program: runs the real
// program inside its modal loop and closes every box that opens, so that a
// failing test ends instead of hanging.
#pragma once

#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QtTest>

#include <functional>
#include <utility>
#include <vector>

// Modal boxes closed since the last RunGuarded began, as "caption|text".
inline QStringList SeenBoxes;

inline QWidget *MainWindow() { return DialogWidget(DialogHandle); }

inline QWidget *Control(int id) { return ControlWidget(DialogHandle, id); } // nullptr when absent

inline QString TextOf(int id) {
  return Control(id) ? Control(id)->property("text").toString() : QString();
}

// Asserts that the control exists.
inline void Click(int id) { QTest::mouseClick(Control(id), Qt::LeftButton); }

// Selects all of a text box's text and types over it.
inline void TypeInto(int id, const QString &text) {
  Click(id);
  QTest::keyClick(Control(id), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(Control(id), text);
}

// Runs `run`, which blocks in a modal loop, while a watchdog records and
// closes every modal box (all of the program's boxes have only an OK button).
inline void RunGuarded(const std::function<void()> &run) {
  SeenBoxes.clear();
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    for (QWidget *top : QApplication::topLevelWidgets())
      if (auto *dialog = qobject_cast<QDialog *>(top); dialog && dialog->isVisible()) {
        auto *box = qobject_cast<QMessageBox *>(dialog);
        SeenBoxes << dialog->windowTitle() + '|' + (box ? box->text() : QString());
        dialog->reject();
      }
  });
  watchdog.start(25);
  run();
}

// Resets the calculation's records, runs RunMainDialog, calls
// `body` once the window is shown and then closes the window. Returns
// RunMainDialog's result.
inline int RunProgram(const std::function<void()> &body) {
  TheCalcState = CalcState{};
  ModeId = 0;
  QTimer::singleShot(0, [&body] {
    if (QTest::qWaitForWindowExposed(MainWindow()))
      body();
    else
      QTest::qFail("the window was never shown", __FILE__, __LINE__);
    MainWindow()->close();
  });
  int result = -1;
  RunGuarded([&result] { result = RunMainDialog(); });
  return result;
}

// A Calc from a fresh mode: the mode button, the typed entries (text box,
// text), and the report lines it must give.
struct CalcCase {
  int modeButton;
  std::vector<std::pair<int, const char *>> entries;
  QStringList lines;
};

// clang-format off
inline const std::vector<CalcCase> CalcCases = {
    // Capacitive: 1 uF with 10 ohms in series.
    {106, {{152, "1"}, {153, "10"}},
     {"F =  1 kHz", "Z =  159.4688 Ohms", "Rs =  10 Ohms", "Xs = -159.1549 Ohms", "Y =  6.27 mmhos",
      "Gp =  393.23 umhos", "Bp =  6.26 mmhos", "Cs =  1 uF", "Cp =  996.0677 nF", "Rp =  2.543 kOhms",
      "Q =  15.9155", "D =  .0628", "Phase angle = -86.4 degrees"}},
    // Inductive: 10 mH with 5 ohms in series.
    {120, {{152, "10"}, {153, "5"}},
     {"F =  1 kHz", "Z =  63.0305 Ohms", "Rs =  5 Ohms", "Xs =  62.8319 Ohms", "Y =  15.87 mmhos",
      "Gp =  1.26 mmhos", "Bp = -15.82 mmhos", "Ls =  10 mH", "Lp =  10.0633 mH", "Rp =  794.5684 Ohms",
      "Q =  12.5664", "D =  .0796", "Phase angle =  85.45 degrees"}},
    // Purely resistive: bridge X = 0, R = 100.
    {100, {{153, "0"}, {154, "100"}},
     {"F =  1 kHz", "Z =  100 Ohms", "Rs =  100 Ohms", "Xs =  0 aOhms", "Y =  10 mmhos", "Gp =  10 mmhos",
      "Bp =  0 amhos", "Device is purely resistive", "Rp =  100 Ohms", "Phase angle =  0 degrees"}},
    // Not a number: the capacitance left blank.
    {106, {{153, "10"}},
     {"F =  1 kHz", "Z =  9.99999999999999E+998 TOhms", "Rs =  10 Ohms", "Xs = -9.99999999999999E+998 TOhms",
      "Y =  0 amhos", "Gp =  0 amhos", "Bp =  0 amhos", "Ls = -9.99999999999999E+998 TH", "Lp =  0 aH",
      "Rp =  9.99999999999999E+998 TOhms", "Phase angle =  0 degrees"}},
};

// clang-format on

// Clicks the case's mode button, types its entries and clicks Calc.
inline void Calculate(const CalcCase &c) {
  Click(c.modeButton);
  for (const auto &[id, text] : c.entries)
    TypeInto(id, QString::fromLatin1(text));
  Click(CalcButtonId);
}
