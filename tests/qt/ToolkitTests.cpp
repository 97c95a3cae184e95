// The Qt dialog toolkit: dialog-unit geometry, keys, clicks, closing and the numeric mode.
#include "QtTestSupport.h"
#include "tests/gui/NumericMode.h"

#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

namespace {

std::vector<std::pair<unsigned, std::uintptr_t>> Messages; // message, wParam
std::vector<bool> EnteredInNumericMode;                    // one per message the callback saw

// Notes clicks, closing and whether each call came in the numeric mode; leaves it spoiled.
std::intptr_t Recorder(WindowRef, unsigned message, std::uintptr_t wParam, std::intptr_t) {
  EnteredInNumericMode.push_back(InNumericMode());
  SpoilNumericMode();
  if (message == MsgSysCommand || message == MsgClose ||
      (message == MsgCommand && wParam >> 16 == NotifyClicked))
    Messages.emplace_back(message, wParam);
  return 0;
}

// A dialog-unit rectangle in pixels: half the rounded-up mean width of the 52 letters, height.
QRect Expected(const QFont &font, int x, int y, int w, int h) {
  const QFontMetrics m(font);
  int sum = 0;
  for (char c = 'A'; c <= 'Z'; ++c)
    sum += m.horizontalAdvance(QLatin1Char(c)) + m.horizontalAdvance(QLatin1Char(char(c + 32)));
  const double bx = (sum / 26 + 1) / 2 / 4.0, by = m.height() / 8.0; // pixels per unit
  const auto px = [](double v) { return int(std::lround(v)); };
  return QRect(QPoint(px(x * bx), px(y * by)), QPoint(px((x + w) * bx) - 1, px((y + h) * by) - 1));
}

} // namespace

class ToolkitTests : public QObject {
  Q_OBJECT

private slots:

  // In 13-pixel Arial, at the window's own size, larger and smaller.
  void controlsSitAtTheirDialogUnitRectangles() {
    RunProgram([] {
      const QFont font = MainWindow()->font();
      QCOMPARE(font.pixelSize(), 13);
      QCOMPARE(MainWindow()->size(), Expected(font, 0, 0, 450, 290).size());
      Click(102);
      for (const QSize size : {MainWindow()->size(), QSize(1300, 900), QSize(200, 150)}) {
        MainWindow()->resize(size);
        QTest::qWait(20);
        for (const FixedControl &c : FixedControls)
          QCOMPARE(Control(c.id)->geometry(), Expected(font, c.x, c.y, c.width, c.height));
        QCOMPARE(Control(152)->geometry(), Expected(font, 100, 110, 65, 10));
        QCOMPARE(Control(187)->geometry(), Expected(font, 50, 210, 135, 44));
      }
    });
  }

  // Each call returns in the numeric mode; Alt+F4 closes as the close box, keys and clicks don't.
  void keysClicksClosingAndTheNumericMode() {
    WindowRef d = nullptr;
    QTemporaryDir dir;
    const std::function<void()> operations[] = {
        [] { SetDialogFont("Arial", 10, 0, 0); },
        [&] {
          d = NewDialog(UnitMode::DialogUnits, nullptr, "Toolkit test", std::nullopt, std::nullopt,
                        200, 120, OverlappedWindowStyle, 0);
        },
        [&] { SetDialogIcon(d, "tbicon"); },
        [&] { AddControl(ControlKind::TextBox, d, 11, "1", 10, 10, 60, 10, 0, 0); },
        [&] { AddControl(ControlKind::Button, d, 13, "Go", 10, 40, 35, 14, 0, 0); },
        [&] { AddControl(ControlKind::Label, d, 14, "x", 10, 70, 35, 10, 0, 0); },
        [&] { QCOMPARE(GetControlText(d, 11), "1"); },
        [&] { SetControlFocus(d, 11); },
        [] { PlayResourceSound("glass_a"); },
        [&] { RemoveControl(d, 14); },
        [] { RunGuarded([] { ShowMessage("Box", 0, "Mode test"); }); },
        [&] {
          PrintNextJobToPdf(dir.filePath("mode.pdf").toStdString());
          AttachPrinter(PrinterChoice::Choose, PrintDialogOptions{}, "");
        },
        [] { AttachedPrinterName(); },
        [] { PrintText("Z =  1 kOhms"); },
        PrintLineBreak,
        DetachPrinter};
    for (std::size_t i = 0; i < std::size(operations); ++i)
      QVERIFY2(RestoresNumericMode(operations[i]), qPrintable(QString("operation %1").arg(i)));
    QVERIFY(QFileInfo(dir.filePath("mode.pdf")).size() > 0);
    QVERIFY(!ControlWidget(d, 14));
    QTimer::singleShot(0, [d] {
      for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        SpoilNumericMode();
        QTest::keyClick(ControlWidget(d, 11), key);
      }
      SpoilNumericMode();
      QTest::mouseClick(ControlWidget(d, 13), Qt::LeftButton);
      QVERIFY(DialogWidget(d) && DialogWidget(d)->isVisible());
      SpoilNumericMode();
      QTest::keyClick(ControlWidget(d, 11), Qt::Key_F4, Qt::AltModifier);
    });
    bool restored = false;
    RunGuarded([&] { restored = RestoresNumericMode([&] { RunModal(d, Recorder); }); });
    QVERIFY(restored);
    QVERIFY(!DialogWidget(d));
    // clang-format off
    const decltype(Messages) expected = {{MsgCommand, 1}, {MsgCommand, 1}, {MsgCommand, 2},
        {MsgCommand, 13}, {MsgSysCommand, SysCommandClose}, {MsgClose, 0}};
    // clang-format on
    QCOMPARE(Messages, expected);
    QVERIFY(EnteredInNumericMode.size() >= 8); // init, size, the six above
    QCOMPARE(std::count(EnteredInNumericMode.begin(), EnteredInNumericMode.end(), false), 0);
  }
};

QTEST_MAIN(ToolkitTests)
#include "ToolkitTests.moc"
