// Text as drawn, in device pixels: all text red, so that its ink shows where it sits and any cut.
#include "QtTestSupport.h"

#include <QPainter>

#include <cmath>

namespace {

// The bounding box of the strong red ink in `area` (empty for none).
QRect InkIn(const QImage &image, const QRect &area) {
  QRect ink;
  const QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x)
      if (const QRgb p = image.pixel(x, y); qRed(p) - std::max(qGreen(p), qBlue(p)) > 100)
        ink |= QRect(x, y, 1, 1);
  return ink;
}

// The window as drawn now, every text in red and no caret.
QImage Rendered(QWidget *window) {
  QPalette palette = window->palette();
  for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
    palette.setColor(role, Qt::red);
  window->setPalette(palette);
  if (QWidget *focus = QApplication::focusWidget())
    focus->clearFocus();
  return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A control's rectangle in the window picture's device pixels, edges rounded.
QRect DeviceRect(const QWidget *control, qreal ratio) {
  const QRectF r(QPointF(control->pos()) * ratio, QSizeF(control->size()) * ratio);
  return QRect(r.topLeft().toPoint(), r.bottomRight().toPoint() - QPoint(1, 1));
}

} // namespace

class TextLayoutTests : public QObject {
  Q_OBJECT

private slots:

  // Boxes 9 to 12 units high, at tops rounding down and up, show ascent and descent whole.
  void boxesAsLowAsTheLineStillShowIt() {
    const char *tallAndDeep = "\u00c9\u00c1gjpqy\u00b5";
    SetDialogFont("Arial", 10, 0, 0);
    WindowRef d = NewDialog(UnitMode::DialogUnits, nullptr, "Boxes", std::nullopt, std::nullopt,
                            200, 200, OverlappedWindowStyle, 0);
    int id = 10;
    for (int top : {4, 22, 41, 60, 79})
      for (int h = 9; h <= 12; ++h)
        AddControl(ControlKind::TextBox, d, id++, tallAndDeep, 10 + 45 * (h - 9), top, 40, h, 0, 0);
    QWidget *window = DialogWidget(d);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const qreal ratio = window->devicePixelRatioF();
    QImage free(QSize(400, 120) * ratio, QImage::Format_RGB32);
    free.setDevicePixelRatio(ratio);
    free.fill(Qt::white);
    QPainter painter(&free);
    painter.setFont(window->font());
    painter.setPen(Qt::red);
    painter.drawText(QPointF(10, 60), QString::fromUtf8(tallAndDeep));
    painter.end();
    const QImage picture = Rendered(window);
    for (int i = 10; i < id; ++i) {
      QCOMPARE_GE(ControlWidget(d, i)->height(), QFontMetrics(window->font()).height());
      QCOMPARE(InkIn(picture, DeviceRect(ControlWidget(d, i), ratio)).height(),
               InkIn(free, free.rect()).height());
    }
    window->close();
  }

  // Label, box and unit share a baseline; a too-wide value is cut on one line; a hint wraps.
  void labelsOnTheBoxesBaselineValuesCutHintsWrapped() {
    RunProgram([] {
      const qreal ratio = MainWindow()->devicePixelRatioF();
      Click(102);
      for (int beside : {EntryLabelIds[0], EntryUnitId(1)}) {
        TypeInto(EntryBoxId(1), TextOf(beside).trimmed());
        const QImage picture = Rendered(MainWindow());
        const QRect label = InkIn(picture, DeviceRect(Control(beside), ratio));
        const QRect box = InkIn(picture, DeviceRect(Control(EntryBoxId(1)), ratio));
        QVERIFY(!label.isEmpty());
        QCOMPARE(std::pair(label.top(), label.bottom()), std::pair(box.top(), box.bottom()));
      }
      Calculate(CalcCases.back());
      const int rp = 212; // Rp's value label
      QCOMPARE(TextOf(rp), " 9.99999999999999E+998 TOhms");
      const QRect area = DeviceRect(Control(rp), ratio);
      const QRect ink = InkIn(Rendered(MainWindow()), area);
      const QFontMetrics metrics(MainWindow()->font());
      QVERIFY(!ink.isEmpty());
      QCOMPARE_LE(ink.height(), int(std::ceil(metrics.height() * ratio)));
      QCOMPARE_GE(ink.right(), area.right() - int(std::ceil(ratio)));
      Click(116);
      const QRect hint = InkIn(Rendered(MainWindow()), DeviceRect(Control(ModeHintId), ratio));
      QCOMPARE_GT(hint.height(), int(2 * metrics.height() * ratio));
    });
  }
};

QTEST_MAIN(TextLayoutTests)
#include "TextLayoutTests.moc"
