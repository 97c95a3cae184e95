// The dialog toolkit: geometry from dialog units on the program's window,
// and the messages a dialog of its own delivers for keys, clicks and closing.
#include "QtTestSupport.h"

#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

#include <QtTest>

#include <cmath>

namespace {

using Message = std::pair<unsigned, std::uintptr_t>; // message, wParam
std::vector<Message> Messages;

// Records the clicked commands, the close command and the close message.
std::intptr_t Recorder(WindowRef, unsigned message, std::uintptr_t wParam, std::intptr_t) {
  if (message == MsgSysCommand || message == MsgClose ||
      (message == MsgCommand && wParam >> 16 == NotifyClicked))
    Messages.emplace_back(message, wParam);
  return 0;
}

// The rectangle a dialog-unit rectangle maps to, from the font's own
// metrics: half the rounded-up average width of the 52 letters, and height.
QRect Expected(const QFont& font, int x, int y, int w, int h) {
  const QFontMetrics m(font);
  int sum = 0;
  for (char c = 'A'; c <= 'Z'; ++c)
    sum += m.horizontalAdvance(QLatin1Char(c)) + m.horizontalAdvance(QLatin1Char(char(c + 32)));
  const int bx = (sum / 26 + 1) / 2, by = m.height();
  auto map = [](int v, int base, int div) { return int(std::lround(double(v) * base / div)); };
  const int left = map(x, bx, 4), top = map(y, by, 8);
  return QRect(left, top, map(x + w, bx, 4) - left, map(y + h, by, 8) - top);
}

} // namespace

class ToolkitTests : public QObject {
  Q_OBJECT

private slots:

  // The program's window in the 13-pixel Arial face: every fixed control,
  // an entry row and the hint sit at their dialog-unit mapping, whatever
  // the window's size.
  void controlsSitAtTheirDialogUnitRectangles() {
    RunProgram([] {
      const QFont font = MainWindow()->font();
      QCOMPARE(font.pixelSize(), 13);
      QCOMPARE(MainWindow()->size(), Expected(font, 0, 0, 450, 290).size());
      Click(102);
      auto check = [&font] {
        for (const FixedControl& c : FixedControls)
          QCOMPARE(Control(c.id)->geometry(), Expected(font, c.x, c.y, c.width, c.height));
        QCOMPARE(Control(152)->geometry(), Expected(font, 100, 110, 65, 10));
        QCOMPARE(Control(187)->geometry(), Expected(font, 50, 210, 135, 44));
      };
      check();
      for (const QSize size : {QSize(1300, 900), QSize(200, 150)}) {
        MainWindow()->resize(size);
        Settle();
        check();
      }
      MainWindow()->showMaximized();
      Settle();
      check();
    });
  }

  // State: a dialog of the toolkit's own. Action: Enter, keypad Enter and
  // Esc in a text box, a click on a button; then the close box, or Alt+F4.
  // Expected: commands 1, 1, 2 and the button's, the dialog still open; then
  // the close command and the close message, and the modal run ends.
  void keysClicksAndClosing() {
    for (const bool altF4 : {false, true}) {
      SetDialogFont("Arial", 10, 0, 0);
      WindowRef d = NewDialog(UnitMode::DialogUnits, nullptr, "Toolkit test", std::nullopt,
                              std::nullopt, 200, 120, OverlappedWindowStyle, 0);
      AddControl(ControlKind::TextBox, d, 11, "", 10, 10, 60, 10, 0, 0);
      AddControl(ControlKind::Button, d, 13, "Go", 10, 40, 35, 14, 0, 0);
      Messages.clear();
      QTimer::singleShot(0, [d, altF4] {
        QVERIFY(QTest::qWaitForWindowExposed(DialogWidget(d)));
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
          QTest::keyClick(ControlWidget(d, 11), key);
        QVERIFY(DialogWidget(d) && DialogWidget(d)->isVisible());
        QTest::mouseClick(ControlWidget(d, 13), Qt::LeftButton);
        if (altF4)
          QTest::keyClick(ControlWidget(d, 11), Qt::Key_F4, Qt::AltModifier);
        else
          DialogWidget(d)->close();
      });
      RunGuarded([d] { RunModal(d, Recorder); });
      QVERIFY(!DialogWidget(d));
      // clang-format off
      const std::vector<Message> expected = {{MsgCommand, 1}, {MsgCommand, 1}, {MsgCommand, 2},
          {MsgCommand, 13}, {MsgSysCommand, SysCommandClose}, {MsgClose, 0}};
      // clang-format on
      QCOMPARE(Messages, expected);
    }
  }
};

QTEST_MAIN(ToolkitTests)
#include "ToolkitTests.moc"
