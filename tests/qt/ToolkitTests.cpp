// The dialog toolkit on its own dialogs and on the program's window:
// geometry from dialog units, control kinds, commands, closing, messages
// and accessible names. Each case: State / Action / Expected.
#include "QtTestSupport.h"

#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QIcon>
#include <QImage>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

struct Message {
  unsigned message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};

std::vector<Message> Messages;
std::intptr_t SysCommandResult = 0; // what the recorder answers to the close command

std::intptr_t Recorder(WindowRef, unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  Messages.push_back(Message{message, wParam, lParam});
  return message == MsgSysCommand ? SysCommandResult : 0;
}

// The commands recorded from control `id` (any control when id is 0).
std::vector<Message> Commands(int id = 0) {
  std::vector<Message> out;
  for (const Message& m : Messages)
    if (m.message == MsgCommand && (id == 0 || int(m.wParam & 0xFFFF) == id))
      out.push_back(m);
  return out;
}

std::uintptr_t CommandParam(int id, unsigned code) {
  return std::uintptr_t(id) | std::uintptr_t(code) << 16;
}

// A small dialog of every control kind: label 10, text boxes 11 (" ") and
// 12 (""), button 13, frame 14, label 15 then text box 16.
WindowRef MakeTestDialog() {
  SetDialogFont("Arial", 10, 0, 0);
  WindowRef d = NewDialog(UnitMode::DialogUnits, nullptr, "Toolkit test", std::nullopt,
                          std::nullopt, 200, 120, OverlappedWindowStyle, 0);
  AddControl(ControlKind::Label, d, 10, "Cs", 10, 10, 40, 10, 0, 0);
  AddControl(ControlKind::TextBox, d, 11, " ", 55, 10, 60, 10, 0, 0);
  AddControl(ControlKind::TextBox, d, 12, "", 55, 25, 60, 10, 0, 0);
  AddControl(ControlKind::Button, d, 13, "Go", 10, 40, 35, 14, 0, 0);
  AddControl(ControlKind::Frame, d, 14, "", 5, 60, 150, 50, 0, 0);
  AddControl(ControlKind::Label, d, 15, "DF", 10, 80, 40, 10, 0, 0);
  AddControl(ControlKind::TextBox, d, 16, "1000", 55, 80, 60, 10, 0, 0);
  return d;
}

// Runs the test dialog modally with the recorder and calls `body` once it
// is shown; closes it afterwards if `body` did not.
void RunTestDialog(const std::function<void(WindowRef)>& body) {
  Messages.clear();
  SysCommandResult = 0;
  WindowRef d = MakeTestDialog();
  QTimer::singleShot(0, [&] {
    if (QTest::qWaitForWindowExposed(DialogWidget(d)))
      body(d);
    if (QWidget* w = DialogWidget(d)) {
      SysCommandResult = 0;
      w->close();
    }
  });
  RunGuarded([d] { RunModal(d, Recorder); });
  QVERIFY(!DialogWidget(d));
}

QString AccessibleName(QWidget* w) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  return a ? a->text(QAccessible::Name) : QString();
}

// The rectangle that a dialog-unit rectangle maps to, from the font's own
// metrics: average width of the 52 letters, as Windows averages it, and height.
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
  // The rounding of MulDiv: half away from zero, in 64 bits.
  void mulDivRounds_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("c");
    QTest::addColumn<int>("expected");
    QTest::newRow("exact") << 450 << 8 << 4 << 900;
    QTest::newRow("half up") << 5 << 15 << 8 << 9;     // 9.375
    QTest::newRow("tie up") << 1 << 6 << 4 << 2;       // 1.5
    QTest::newRow("tie negative") << -1 << 6 << 4 << -2;
    QTest::newRow("below half") << 1 << 5 << 4 << 1;   // 1.25
    QTest::newRow("out of range") << 2000000000 << 3 << 2 << -1;
    QTest::newRow("zero divisor") << 7 << 7 << 0 << -1;
  }
  void mulDivRounds() {
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, c);
    QFETCH(int, expected);
    QCOMPARE(MulDiv(a, b, c), expected);
  }

  // State: the program's window. Action: none, then resize and maximize.
  // Expected: the dialog font is the 13-pixel Arial face (Liberation Sans);
  // every fixed control and the client area sit at their dialog-unit
  // mapping, and stay there whatever the window's size.
  void controlsSitAtTheirDialogUnitRectangles() {
    RunProgram([] {
      const QFont font = MainWindow()->font();
      QCOMPARE(font.pixelSize(), 13);
      const QString family = QFontInfo(font).family();
      QVERIFY2(family == "Arial" || family == "Liberation Sans", qPrintable(family));
      QCOMPARE(MainWindow()->size(), Expected(font, 0, 0, 450, 290).size());
      auto check = [&font] {
        for (const FixedControl& c : FixedControls)
          QCOMPARE(Control(c.id)->geometry(), Expected(font, c.x, c.y, c.width, c.height));
      };
      check();
      // An entry row: the unit label begins where the text box ends.
      Click(102);
      QCOMPARE(Control(152)->geometry(), Expected(font, 100, 110, 65, 10));
      QCOMPARE(Control(232)->geometry().left(), Control(152)->geometry().right() + 1);
      QCOMPARE(Control(187)->geometry(), Expected(font, 50, 210, 135, 44));
      const QRect box = Control(152)->geometry();

      MainWindow()->resize(1300, 900);
      Settle();
      check();
      MainWindow()->showMaximized();
      Settle();
      check();
      MainWindow()->showNormal();
      MainWindow()->resize(200, 150);
      Settle();
      check();
      QCOMPARE(Control(152)->geometry(), box);
    });
  }

  // State: a dialog of every kind. Action: read and remove by identifier.
  // Expected: the kinds' defaults; absent controls read empty and remove
  // quietly; one space stays one space.
  void controlKindsAndIdentifiers() {
    RunTestDialog([](WindowRef d) {
      auto* button = qobject_cast<QPushButton*>(ControlWidget(d, 13));
      QVERIFY(button);
      QVERIFY(button->focusPolicy() & Qt::TabFocus);
      QVERIFY(!button->isDefault() && !button->autoDefault());
      auto* frame = qobject_cast<QGroupBox*>(ControlWidget(d, 14));
      QVERIFY(frame);
      QCOMPARE(frame->focusPolicy(), Qt::NoFocus);
      auto* label = qobject_cast<QLabel*>(ControlWidget(d, 10));
      QVERIFY(label);
      QVERIFY(label->wordWrap());
      QCOMPARE(label->alignment(), Qt::AlignLeft | Qt::AlignTop);
      QCOMPARE(label->textFormat(), Qt::PlainText);
      auto* edit = qobject_cast<QLineEdit*>(ControlWidget(d, 11));
      QVERIFY(edit);
      QVERIFY(edit->hasFrame());
      QVERIFY(edit->focusPolicy() & Qt::TabFocus);

      QCOMPARE(GetControlText(d, 11), std::string(" "));
      QCOMPARE(GetControlText(d, 12), std::string());
      QCOMPARE(GetControlText(d, 13), std::string("Go"));
      QCOMPARE(GetControlText(d, 99), std::string());
      RemoveControl(d, 99);
      RemoveControl(d, 11);
      RemoveControl(d, 11);
      QCOMPARE(GetControlText(d, 11), std::string());
      QVERIFY(!ControlWidget(d, 11));
      Settle();
      QVERIFY(!DialogWidget(d)->findChild<QWidget*>(QStringLiteral("11")));
      SetControlFocus(d, 99); // nothing happens
      QCOMPARE(GetControlText(d, 16), std::string("1000"));
    });
  }

  // State: a dialog of every kind. Action: click, type, Enter, Esc.
  // Expected: (id, BN_CLICKED) for the click with the button as lParam;
  // nonzero codes for edits; commands 1 and 2 for Enter and Esc; still open.
  void commandsReachTheCallback() {
    RunTestDialog([](WindowRef d) {
      QWidget* button = ControlWidget(d, 13);
      Messages.clear();
      QTest::mouseClick(button, Qt::LeftButton);
      std::vector<Message> got = Commands(13);
      QCOMPARE(got.size(), std::size_t(1));
      QCOMPARE(got[0].wParam, CommandParam(13, NotifyClicked));
      QCOMPARE(got[0].lParam, std::intptr_t(button));

      Messages.clear();
      QTest::keyClicks(ControlWidget(d, 16), QStringLiteral("5"));
      got = Commands();
      QVERIFY(!got.empty());
      QCOMPARE(Commands(16).size(), got.size());
      for (const Message& m : got) {
        QCOMPARE(int(m.wParam & 0xFFFF), 16);
        QVERIFY((m.wParam >> 16) != 0);
      }
      QCOMPARE(GetControlText(d, 16), std::string("51000")); // the caret starts at the left

      const struct {
        Qt::Key key;
        int id;
      } keys[] = {{Qt::Key_Return, CommandOk}, {Qt::Key_Enter, CommandOk},
                  {Qt::Key_Escape, CommandCancel}};
      for (QWidget* target : {ControlWidget(d, 16), button, DialogWidget(d)}) {
        for (const auto& k : keys) {
          Messages.clear();
          QTest::keyClick(target, k.key);
          got = Commands(k.id);
          QCOMPARE(got.size(), std::size_t(1));
          QCOMPARE(got[0].wParam, CommandParam(k.id, NotifyClicked));
          QVERIFY(DialogWidget(d) && DialogWidget(d)->isVisible());
        }
      }
      const bool closedMessage = std::any_of(Messages.begin(), Messages.end(), [](auto& m) {
        return m.message == MsgClose || m.message == MsgSysCommand;
      });
      QVERIFY(!closedMessage);
    });
  }

  // State: a shown dialog. Action: the close box, then Alt+F4 on a new one.
  // Expected: the close command, then the close message, as the last two
  // messages; the window is gone and RunModal has returned.
  void closingDeliversCloseCommandThenClose() {
    for (int way = 0; way < 2; ++way) {
      RunTestDialog([way](WindowRef d) {
        Messages.clear();
        if (way == 0)
          DialogWidget(d)->close();
        else
          QTest::keyClick(ControlWidget(d, 16), Qt::Key_F4, Qt::AltModifier);
      });
      QVERIFY(Messages.size() >= 2);
      const Message& a = Messages[Messages.size() - 2];
      const Message& b = Messages.back();
      QCOMPARE(a.message, MsgSysCommand);
      QCOMPARE(a.wParam, std::uintptr_t(SysCommandClose));
      QCOMPARE(b.message, MsgClose);
    }
  }

  // State: a callback that handles the close command. Action: close box.
  // Expected: no close message and the window stays.
  void handledCloseCommandKeepsTheWindow() {
    RunTestDialog([](WindowRef d) {
      SysCommandResult = 1;
      Messages.clear();
      DialogWidget(d)->close();
      Settle();
      QVERIFY(DialogWidget(d) && DialogWidget(d)->isVisible());
      QCOMPARE(Messages.size(), std::size_t(1));
      QCOMPARE(Messages[0].message, MsgSysCommand);
    });
  }

  // State: a new dialog. Action: RunModal. Expected: init, then size,
  // before the window shows; an unknown dialog gets both and returns.
  void runModalStartsWithInitAndSize() {
    RunTestDialog([](WindowRef) {});
    QVERIFY(Messages.size() >= 2);
    QCOMPARE(Messages[0].message, MsgInitDialog);
    QCOMPARE(Messages[1].message, MsgSize);
    QCOMPARE(Messages[1].wParam, std::uintptr_t(SizeRestored));
    QVERIFY(Messages[1].lParam != 0);

    Messages.clear();
    RunModal(nullptr, Recorder);
    QCOMPARE(Messages.size(), std::size_t(2));
    AddControl(ControlKind::Button, nullptr, 1, "x", 0, 0, 1, 1, 0, 0);
    QCOMPARE(GetControlText(nullptr, 1), std::string());
  }

  // State: a dialog with labels before text boxes. Expected: each control's
  // accessible name is its caption; a text box is named by its label.
  void accessibleNames() {
    RunTestDialog([](WindowRef d) {
      QCOMPARE(AccessibleName(ControlWidget(d, 13)), QStringLiteral("Go"));
      QCOMPARE(AccessibleName(ControlWidget(d, 10)), QStringLiteral("Cs"));
      QCOMPARE(AccessibleName(ControlWidget(d, 11)), QStringLiteral("Cs"));
      QCOMPARE(AccessibleName(ControlWidget(d, 16)), QStringLiteral("DF"));
      QVERIFY(AccessibleName(ControlWidget(d, 12)).isEmpty()); // follows a text box
    });
    RunProgram([] {
      Click(102);
      QCOMPARE(AccessibleName(Control(152)), QStringLiteral("Cs"));
      QCOMPARE(AccessibleName(Control(153)), QStringLiteral("DF"));
      QCOMPARE(AccessibleName(Control(151)), QStringLiteral("F"));
      QCOMPARE(AccessibleName(Control(108)), QStringLiteral("Calc"));
    });
  }

  // Action: a message with CR LF breaks. Expected: line breaks, the caption,
  // one button, no icon; the result is OK.
  void showMessageBox() {
    int result = 0;
    RunGuarded([&result] { result = ShowMessage("one\r\ntwo\r\nthree", 0x12000, "Cap"); });
    QCOMPARE(result, CommandOk);
    QCOMPARE(SeenBoxes.size(), std::size_t(1));
    QCOMPARE(SeenBoxes[0].text, QStringLiteral("one\ntwo\nthree"));
    QCOMPARE(SeenBoxes[0].title, QStringLiteral("Cap"));
    QCOMPARE(SeenBoxes[0].buttonCount, 1);
    QVERIFY(!SeenBoxes[0].hasIcon);
  }

  // Expected: the program carries the completion sound (a 31,182-byte WAV)
  // and the icon at 16, 32 and 48 pixels; the window wears that icon.
  void embeddedSoundAndIcon() {
    QFile wav(QStringLiteral(":/calvora/glass_a.wav"));
    QVERIFY(wav.open(QIODevice::ReadOnly));
    const QByteArray bytes = wav.readAll();
    QCOMPARE(bytes.size(), qsizetype(31182));
    QVERIFY(bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE");
    for (int size : {16, 32, 48}) {
      const QImage image(QStringLiteral(":/calvora/calvora-%1.png").arg(size));
      QCOMPARE(image.size(), QSize(size, size));
      QVERIFY(image.hasAlphaChannel());
    }
    RunProgram([] {
      const QIcon icon = MainWindow()->windowIcon();
      QVERIFY(!icon.isNull());
      QCOMPARE(icon.availableSizes().size(), qsizetype(3));
    });
  }

  // Action: the sound, known and unknown. Expected: the known one starts
  // and returns at once whether or not there is an audio device.
  void soundStartsWithoutWaiting() {
    QVERIFY(PlayResourceSound("glass_a"));
    QVERIFY(PlayResourceSound("GLASS_A"));
    QVERIFY(!PlayResourceSound("missing"));
  }
};

QTEST_MAIN(ToolkitTests)
#include "ToolkitTests.moc"
