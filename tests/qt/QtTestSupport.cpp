#include "QtTestSupport.h"

#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

QStringList SeenBoxes;

// clang-format off
const std::vector<CalcCase> CalcCases = {
    {"capacitive: 1 uF with 10 ohms", 106, {{152, "1"}, {153, "10"}},
     {"F =  1 kHz", "Z =  159.4688 Ohms", "Rs =  10 Ohms", "Xs = -159.1549 Ohms", "Y =  6.27 mmhos",
      "Gp =  393.23 umhos", "Bp =  6.26 mmhos", "Cs =  1 uF", "Cp =  996.0677 nF", "Rp =  2.543 kOhms",
      "Q =  15.9155", "D =  .0628", "Phase angle = -86.4 degrees"}},
    {"inductive: 10 mH with 5 ohms", 120, {{152, "10"}, {153, "5"}},
     {"F =  1 kHz", "Z =  63.0305 Ohms", "Rs =  5 Ohms", "Xs =  62.8319 Ohms", "Y =  15.87 mmhos",
      "Gp =  1.26 mmhos", "Bp = -15.82 mmhos", "Ls =  10 mH", "Lp =  10.0633 mH", "Rp =  794.5684 Ohms",
      "Q =  12.5664", "D =  .0796", "Phase angle =  85.45 degrees"}},
    {"resistive: bridge X = 0, R = 100", 100, {{153, "0"}, {154, "100"}},
     {"F =  1 kHz", "Z =  100 Ohms", "Rs =  100 Ohms", "Xs =  0 aOhms", "Y =  10 mmhos", "Gp =  10 mmhos",
      "Bp =  0 amhos", "Device is purely resistive", "Rp =  100 Ohms", "Phase angle =  0 degrees"}},
    {"not a number: capacitance left blank", 106, {{153, "10"}},
     {"F =  1 kHz", "Z =  9.99999999999999E+998 TOhms", "Rs =  10 Ohms", "Xs = -9.99999999999999E+998 TOhms",
      "Y =  0 amhos", "Gp =  0 amhos", "Bp =  0 amhos", "Ls = -9.99999999999999E+998 TH", "Lp =  0 aH",
      "Rp =  9.99999999999999E+998 TOhms", "Phase angle =  0 degrees"}},
};

// clang-format on

QWidget* MainWindow() { return DialogWidget(DialogHandle); }

QWidget* Control(int id) { return ControlWidget(DialogHandle, id); }

QString TextOf(int id) {
  return Control(id) ? Control(id)->property("text").toString() : QString();
}

void Settle(int ms) { QTest::qWait(ms); }

void RunGuarded(const std::function<void()>& run) {
  SeenBoxes.clear();
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QDialog*>(top);
      if (!dialog || !dialog->isVisible())
        continue;
      auto* box = qobject_cast<QMessageBox*>(dialog);
      SeenBoxes << dialog->windowTitle() + '|' + (box ? box->text() : QString());
      if (box && !box->buttons().isEmpty())
        box->buttons().first()->click();
      else
        dialog->reject();
    }
  });
  watchdog.start(25);
  run();
}

int RunProgram(const std::function<void()>& body) {
  TheCalcState = CalcState{};
  ModeId = 0;
  DialogHandle = nullptr;
  DialogLayout = DialogLayoutValues{};
  QTimer::singleShot(0, [&body] {
    if (MainWindow() && QTest::qWaitForWindowExposed(MainWindow()))
      body();
    else
      QTest::qFail("the main window was never shown", __FILE__, __LINE__);
    if (MainWindow())
      MainWindow()->close();
  });
  int result = -1;
  RunGuarded([&result] { result = RunMainDialog(); });
  return result;
}

void Click(int id) {
  QWidget* w = Control(id);
  QVERIFY2(w, qPrintable(QStringLiteral("no control %1 to click").arg(id)));
  QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, w->rect().center());
}

void TypeInto(int id, const QString& text) {
  auto* edit = qobject_cast<QLineEdit*>(Control(id));
  QVERIFY2(edit, qPrintable(QStringLiteral("no text box %1 to type into").arg(id)));
  QTest::mouseClick(edit, Qt::LeftButton);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(edit, text);
}

void Calculate(const CalcCase& c) {
  Click(c.modeButton);
  for (const auto& [id, text] : c.entries)
    TypeInto(id, QString::fromLatin1(text));
  Click(CalcButtonId);
}
