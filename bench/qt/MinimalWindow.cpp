// The yardstick for the window's start-up, memory and idle figures: the
// least a Qt 6 Widgets program can be that shows the same window, a
// 450 x 290 dialog-unit window of 21 push buttons in the same font, and
// nothing else.
#include <QApplication>
#include <QFontMetrics>
#include <QPushButton>
#include <QWidget>

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QWidget window;
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(13);
  window.setFont(font);
  const QFontMetrics metrics(font);
  const int bx = (metrics.horizontalAdvance(
                      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                      26 +
                  1) /
                 2;
  const int by = metrics.height();
  window.setWindowTitle(QStringLiteral("Minimal"));
  window.resize(450 * bx / 4, 290 * by / 8);
  for (int i = 0; i < 21; ++i) {
    auto *button = new QPushButton(QStringLiteral("B%1").arg(i), &window);
    button->setGeometry((58 + 43 * (i % 8)) * bx / 4, (20 + 20 * (i / 8)) * by / 8, 35 * bx / 4,
                        14 * by / 8);
  }
  window.show();
  return app.exec();
}
