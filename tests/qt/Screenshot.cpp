// Takes the picture of the window that the README shows: the real program
// on the X display, a capacitor entered and calculated, captured from the
// X server's screen. Usage: calvora_screenshot OUTPUT.png
#include "QtTestSupport.h"

#include "dialog/MainDialog.h"

#include <QApplication>
#include <QScreen>
#include <QWidget>
#include <QtTest>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[1]);
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  bool saved = false;
  RunProgram([&] {
    Click(102); // "Cs-D": 1 uF with D = 0.01 at 1 kHz
    TypeInto(152, QStringLiteral("1"));
    TypeInto(153, QStringLiteral(".01"));
    Click(108);
    Settle(500);
    QWidget* window = MainWindow();
    const QRect frame = window->frameGeometry();
    const QPixmap shot = window->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(),
                                                     frame.height());
    saved = !shot.isNull() && shot.save(output, "PNG");
  });
  if (!saved)
    std::fprintf(stderr, "the screenshot could not be taken\n");
  return saved ? 0 : 1;
}
