#include "QtTestSupport.h"

#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

std::vector<SeenBox> SeenBoxes;

namespace {

// Every 25 ms: record and close whatever modal box is open. A print dialog or
// any other dialog is rejected; a message box is closed with its button.
void CloseOpenBoxes() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(top);
    if (!dialog || !dialog->isVisible())
      continue;
    SeenBox seen;
    seen.title = dialog->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
      seen.isMessageBox = true;
      seen.text = box->text();
      seen.buttonCount = int(box->buttons().size());
      seen.hasIcon = box->icon() != QMessageBox::NoIcon;
      SeenBoxes.push_back(seen);
      if (!box->buttons().isEmpty())
        box->buttons().first()->click();
      else
        box->reject();
    } else {
      SeenBoxes.push_back(seen);
      dialog->reject();
    }
  }
}

} // namespace

QWidget* MainWindow() { return DialogWidget(DialogHandle); }

QWidget* Control(int id) { return ControlWidget(DialogHandle, id); }

void Settle(int ms) { QTest::qWait(ms); }

void RunGuarded(const std::function<void()>& run) {
  SeenBoxes.clear();
  QTimer watchdog;
  QObject::connect(&watchdog, &QTimer::timeout, &CloseOpenBoxes);
  watchdog.start(25);

  // A test that never closes its window still ends, and fails.
  QTimer deadline;
  deadline.setSingleShot(true);
  QObject::connect(&deadline, &QTimer::timeout, [] {
    QTest::qFail("a window was still open after 60 s", __FILE__, __LINE__);
    for (QWidget* top : QApplication::topLevelWidgets())
      if (top->isVisible())
        top->close();
  });
  deadline.start(60000);
  run();
}

int RunProgram(const std::function<void()>& body) {
  TheCalcState = CalcState{};
  ModeId = 0;
  DialogHandle = nullptr;
  DialogLayout = DialogLayoutValues{};

  QTimer::singleShot(0, [&body] {
    QWidget* window = MainWindow();
    if (window && QTest::qWaitForWindowExposed(window))
      body();
    else
      QTest::qFail("the main window was never shown", __FILE__, __LINE__);
    if (QWidget* w = MainWindow())
      w->close();
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

QString TextOf(int id) {
  QWidget* w = Control(id);
  if (auto* label = qobject_cast<QLabel*>(w))
    return label->text();
  if (auto* edit = qobject_cast<QLineEdit*>(w))
    return edit->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w))
    return button->text();
  if (auto* frame = qobject_cast<QGroupBox*>(w))
    return frame->title();
  return QString();
}

std::vector<int> PresentIds(int first, int last) {
  std::vector<int> ids;
  for (int id = first; id <= last; ++id)
    if (Control(id))
      ids.push_back(id);
  return ids;
}
