// The Qt tests' and screenshot program's fixture: the real program, every box closed.
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
  return Control(id) ? Control(id)->property("text").toString() : "";
}

inline void Click(int id) { QTest::mouseClick(Control(id), Qt::LeftButton); }

inline void TypeInto(int id, const QString &text) {
  Click(id);
  QTest::keyClick(Control(id), Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(Control(id), text);
}

// Runs `run`, a modal loop, while a watchdog notes and closes every box (so no test hangs).
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

// RunMainDialog's result from fresh records, `body` called once the window shows, then closed.
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

// A Calc from a fresh mode: mode button, typed entries (text box, text), the report's lines.
struct CalcCase {
  int modeButton;
  std::vector<std::pair<int, const char *>> entries;
  QStringList lines;
};

// clang-format off
inline const std::vector<CalcCase> CalcCases = {
    {106, {{152, "1"}, {153, "10"}}, // capacitive: 1 uF with 10 ohms in series
     {"F =  1 kHz", "Z =  159.4688 Ohms", "Rs =  10 Ohms", "Xs = -159.1549 Ohms", "Y =  6.27 mmhos",
      "Gp =  393.23 umhos", "Bp =  6.26 mmhos", "Cs =  1 uF", "Cp =  996.0677 nF", "Rp =  2.543 kOhms",
      "Q =  15.9155", "D =  .0628", "Phase angle = -86.4 degrees"}},
    {100, {{153, "0"}, {154, "100"}}, // purely resistive: bridge X = 0, R = 100
     {"F =  1 kHz", "Z =  100 Ohms", "Rs =  100 Ohms", "Xs =  0 aOhms", "Y =  10 mmhos", "Gp =  10 mmhos",
      "Bp =  0 amhos", "Device is purely resistive", "Rp =  100 Ohms", "Phase angle =  0 degrees"}},
    {106, {{153, "10"}}, // not a number: the capacitance left blank
     {"F =  1 kHz", "Z =  9.99999999999999E+998 TOhms", "Rs =  10 Ohms", "Xs = -9.99999999999999E+998 TOhms",
      "Y =  0 amhos", "Gp =  0 amhos", "Bp =  0 amhos", "Ls = -9.99999999999999E+998 TH", "Lp =  0 aH",
      "Rp =  9.99999999999999E+998 TOhms", "Phase angle =  0 degrees"}},
};

// clang-format on

inline void Calculate(const CalcCase &c) {
  Click(c.modeButton);
  for (const auto &[id, text] : c.entries)
    TypeInto(id, QString::fromLatin1(text));
  Click(CalcButtonId);
}
