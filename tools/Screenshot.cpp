// Takes the picture of the window that the README shows: the real program
// on the X display, a capacitor entered and calculated, captured from the
// X server's screen. Usage: calvora_screenshot OUTPUT.png
#include "QtTestSupport.h"

#include <QScreen>

#include <cstdio>

int main(int argc, char **argv) {
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  bool saved = false;
  RunProgram([&] {
    Calculate({102, {{152, "1"}, {153, ".01"}}, {}}); // Cs-D: 1 uF with D = 0.01 at 1 kHz
    QTest::qWait(500);
    const QRect r = MainWindow()->frameGeometry();
    const QPixmap shot = MainWindow()->screen()->grabWindow(0, r.x(), r.y(), r.width(), r.height());
    saved = argc == 2 && shot.save(QString::fromLocal8Bit(argv[1]), "PNG");
  });
  if (!saved)
    std::fprintf(stderr, "usage: %s OUTPUT.png; the screenshot could not be taken\n", argv[0]);
  return saved ? 0 : 1;
}
