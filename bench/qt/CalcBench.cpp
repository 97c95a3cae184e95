// Time from a click on "Calc" to the rebuilt result panel painted on the
// screen, in the real program's window on the current display. Prints
// figures; asserts nothing.
#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

double Millis(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

void Type(int id, const char *text) {
  auto *edit = static_cast<QLineEdit *>(ControlWidget(DialogHandle, id));
  edit->selectAll();
  QTest::keyClicks(edit, QString::fromLatin1(text));
}

// Counts the paint events that widgets receive, to show that the measured
// interval includes the painting.
struct PaintCounter : QObject {
  long paints = 0;

  bool eventFilter(QObject *, QEvent *event) override {
    if (event->type() == QEvent::Paint)
      ++paints;
    return false;
  }
};

void Report(const char *what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-44s median %7.3f ms   p90 %7.3f ms   max %7.3f ms   (%zu clicks)\n", what,
              ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back(), ms.size());
}

} // namespace

int main(int argc, char **argv) {
  const int clicks = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
  int qtArgc = 1;
  StartToolkit(qtArgc, argv);
  QTimer::singleShot(0, [clicks] {
    QWidget *window = DialogWidget(DialogHandle);
    if (!QTest::qWaitForWindowExposed(window)) {
      std::fprintf(stderr, "the window was never shown\n");
      window->close();
      return;
    }
    QWidget *calc = ControlWidget(DialogHandle, CalcButtonId);
    std::vector<double> rebuilt, painted;
    PaintCounter counter;
    qApp->installEventFilter(&counter);
    long paintsDuringCalc = 0;
    double first = 0;
    // Alternate a capacitive and an inductive result so that every click
    // rebuilds a panel of a different shape.
    for (int i = 0; i <= clicks; ++i) {
      QTest::mouseClick(ControlWidget(DialogHandle, i % 2 ? 120 : 102), Qt::LeftButton);
      Type(152, i % 2 ? "10" : "1");
      Type(153, i % 2 ? "5" : ".01");
      QCoreApplication::processEvents();
      const auto t0 = std::chrono::steady_clock::now();
      QTest::mouseClick(calc, Qt::LeftButton);
      const auto t1 = std::chrono::steady_clock::now();
      // The window system's update: the changed areas are painted and sent
      // to the X server, and the old panel's widgets are released.
      const long before = counter.paints;
      QCoreApplication::processEvents();
      const auto t2 = std::chrono::steady_clock::now();
      paintsDuringCalc += counter.paints - before;
      if (i == 0) {
        first = Millis(t2 - t0);
        continue;
      }
      rebuilt.push_back(Millis(t1 - t0));
      painted.push_back(Millis(t2 - t0));
    }
    std::printf("%-44s %7.3f ms (loads the sound module, opens the audio output)\n",
                "first Calc, click to painted panel", first);
    Report("Calc click to rebuilt panel (not painted)", rebuilt);
    Report("Calc click to painted panel", painted);
    std::printf("%-44s %7.1f\n", "widgets painted per Calc",
                double(paintsDuringCalc) / double(clicks + 1));
    qApp->removeEventFilter(&counter);
    window->close();
  });
  const int rc = RunMainDialog();
  StopToolkit();
  return rc;
}
