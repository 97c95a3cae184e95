// Text in the window as drawn, measured in the pixels of the rendered window
// (at the scale factor the test runs with): every text drawn in one colour
// that no frame or background has, so that the rows and columns of its ink
// show where each text sits and whether any of it was cut.
#include "QtTestSupport.h"

#include <QLineEdit>
#include <QPainter>

#include <cmath>

namespace {

// Rows and columns of strong ink of the text colour, in device pixels;
// top -1 when there is none.
struct Ink {
  int top = -1, bottom = -1, left = -1, right = -1;

  int Height() const { return top < 0 ? 0 : bottom - top + 1; }
};

const QColor TextColour(255, 0, 0);

bool IsInk(QRgb p) { return qRed(p) - std::max(qGreen(p), qBlue(p)) > 100; }

Ink InkIn(const QImage &image, const QRect &area) {
  Ink ink;
  for (int y = std::max(0, area.top()); y <= std::min(image.height() - 1, area.bottom()); ++y)
    for (int x = std::max(0, area.left()); x <= std::min(image.width() - 1, area.right()); ++x)
      if (IsInk(image.pixel(x, y))) {
        if (ink.top < 0)
          ink = Ink{y, y, x, x};
        ink.bottom = y;
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
      }
  return ink;
}

// The ink of `text` drawn freely (nothing to cut it) in `font` at the
// device pixel ratio the window is drawn at.
Ink FreeInk(const QString &text, const QFont &font, qreal ratio) {
  QImage image((QSize(400, 120) * ratio), QImage::Format_RGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setFont(font);
  painter.setPen(TextColour);
  painter.drawText(QPointF(10, 60), text);
  painter.end();
  return InkIn(image, image.rect());
}

// The window as it is drawn now, every text in TextColour and no caret.
QImage Rendered(QWidget *window) {
  QPalette palette = window->palette();
  for (QPalette::ColorRole role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
    palette.setColor(role, TextColour);
  window->setPalette(palette);
  if (QWidget *focus = QApplication::focusWidget())
    focus->clearFocus();
  return window->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A control's rectangle in the device pixels of the window's picture.
QRect DeviceRect(const QWidget *control, qreal ratio) {
  const QRect r = control->geometry();
  const auto px = [ratio](int v) { return int(std::lround(v * ratio)); };
  return QRect(QPoint(px(r.left()), px(r.top())),
               QPoint(px(r.right() + 1) - 1, px(r.bottom() + 1) - 1));
}

// Letters reaching the font's ascent and descent.
const QString TallAndDeep = QString::fromUtf8("\u00c9\u00c1gjpqy\u00b5");

} // namespace

class TextLayoutTests : public QObject {
  Q_OBJECT

private slots:

  // State: text boxes 9 to 12 dialog units high (the main window's are 10)
  // at rows where the unit mapping rounds their height down and up, in the
  // main window's font. Action: draw them with letters reaching the ascent
  // and the descent. Expected: each box, at least as high as the font's line,
  // shows the letters as tall as they are drawn freely: the style's frame
  // and margins give way, nothing of the line is cut.
  void boxesAsLowAsTheLineStillShowIt() {
    SetDialogFont("Arial", 10, 0, 0);
    WindowRef d = NewDialog(UnitMode::DialogUnits, nullptr, "Boxes", std::nullopt, std::nullopt,
                            200, 200, OverlappedWindowStyle, 0);
    const int heights[] = {9, 10, 11, 12};
    const int tops[] = {4, 22, 41, 60, 79};
    int id = 10;
    for (int top : tops)
      for (int h : heights)
        AddControl(ControlKind::TextBox, d, id++, "", 10 + 45 * (h - 9), top, 40, h, 0, 0);
    for (int i = 10; i < id; ++i)
      static_cast<QLineEdit *>(ControlWidget(d, i))->setText(TallAndDeep);
    QWidget *window = DialogWidget(d);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const qreal ratio = window->devicePixelRatioF();
    const QImage picture = Rendered(window);
    const QFontMetrics metrics(window->font());
    const Ink free = FreeInk(TallAndDeep, window->font(), ratio);
    for (int i = 10; i < id; ++i) {
      QWidget *box = ControlWidget(d, i);
      QCOMPARE_GE(box->height(), metrics.height());
      QCOMPARE(InkIn(picture, DeviceRect(box, ratio)).Height(), free.Height());
    }
    window->close();
  }

  // State: mode Cs-D, the first row's box holding the row's own label text,
  // then its unit's text. Action: draw. Expected: the label's ink and the
  // box's ink of the same letters take the same rows: one baseline across
  // the row, for the name label and for the unit.
  void labelsAndUnitsShareTheBaselineOfTheirBox() {
    RunProgram([] {
      Click(102);
      const qreal ratio = MainWindow()->devicePixelRatioF();
      for (int beside : {EntryLabelIds[0], EntryUnitId(1)}) {
        TypeInto(EntryBoxId(1), TextOf(beside).trimmed());
        const QImage picture = Rendered(MainWindow());
        const Ink label = InkIn(picture, DeviceRect(Control(beside), ratio));
        const Ink box = InkIn(picture, DeviceRect(Control(EntryBoxId(1)), ratio));
        QCOMPARE_GE(label.top, 0);
        QCOMPARE(label.top, box.top);
        QCOMPARE(label.bottom, box.bottom);
      }
    });
  }

  // State: Cs-R with the capacitance left empty, so that Rp is infinite.
  // Action: Calc and draw. Expected: " 9.99999999999999E+998 TOhms" is wider
  // than its label: it shows as one line (no ink below the first line's
  // descent), cut at the label's right edge. Then IVP, whose hint is taller
  // than a line: it still wraps onto the lines below its first.
  void aValueWiderThanItsLabelIsOneLineCutAtTheEdge() {
    RunProgram([] {
      Calculate(CalcCases.back());
      const int rp = 212; // Rp's value label
      QCOMPARE(TextOf(rp), " 9.99999999999999E+998 TOhms");
      const qreal ratio = MainWindow()->devicePixelRatioF();
      const QImage picture = Rendered(MainWindow());
      const QRect area = DeviceRect(Control(rp), ratio);
      const Ink ink = InkIn(picture, area);
      const QFontMetrics metrics(MainWindow()->font());
      const int oneLine = int(std::ceil(metrics.height() * ratio));
      QCOMPARE_GE(ink.top, 0);
      QCOMPARE_LE(ink.Height(), oneLine);
      QCOMPARE_GE(ink.right, area.right() - int(std::ceil(ratio)));
      Click(116);
      const Ink hint = InkIn(Rendered(MainWindow()), DeviceRect(Control(ModeHintId), ratio));
      QCOMPARE_GT(hint.Height(), int(2 * metrics.height() * ratio));
    });
  }
};

QTEST_MAIN(TextLayoutTests)
#include "TextLayoutTests.moc"
