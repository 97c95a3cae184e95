#include "platform/qt/QtControls.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>

#include <algorithm>

namespace {

// The sunken edge of the window system's text boxes: two pixels.
constexpr int SunkenEdge = 2;

// NOTE: a line edit draws top-aligned text this many pixels below the top of
// the area its text margins leave (QLineEdit's fixed vertical margin).
constexpr int LineEditTopGap = 1;

} // namespace

int TextTop(int height, const QFontMetrics &metrics) {
  return std::clamp((height - metrics.height()) / 2, 0, SunkenEdge);
}

TextBox::TextBox(const QString &text, QWidget *parent) : QLineEdit(text, parent) {
  setAlignment(Qt::AlignLeft | Qt::AlignTop);
  FitLineInBox();
}

void TextBox::resizeEvent(QResizeEvent *event) {
  QLineEdit::resizeEvent(event);
  FitLineInBox();
}

void TextBox::changeEvent(QEvent *event) {
  QLineEdit::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
    FitLineInBox();
}

// The style reserves its frame width and a margin above and below the text;
// in a box of 10 dialog units that can leave less than the line's height and
// cut the descenders. The text margins move the text area to where TextTop
// puts the line, with a pixel to spare on each side, even if that reaches
// into the style's frame.
void TextBox::FitLineInBox() {
  QStyleOptionFrame option;
  initStyleOption(&option);
  const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
  const QFontMetrics metrics = fontMetrics();
  const int lineTop = TextTop(height(), metrics);
  const int areaTop = lineTop - LineEditTopGap;
  const int areaBottom = lineTop + metrics.height() + 1; // exclusive: a pixel below the line
  const int contentsBottom = contents.y() + contents.height();
  setTextMargins(0, areaTop - contents.y(), 0, std::min(0, contentsBottom - areaBottom));
}

StaticText::StaticText(const QString &text, QWidget *parent) : QLabel(text, parent) {
  setTextFormat(Qt::PlainText);
}

void StaticText::paintEvent(QPaintEvent * /*event*/) {
  const QFontMetrics metrics = fontMetrics();
  const int lineHeight = std::max(1, metrics.height());
  const int top = TextTop(height(), metrics);
  // Step 1: how many lines the rectangle shows whole below the first line's
  // top; at least one, which the bottom edge may cut.
  const int shownLines = std::max(1, (height() - top) / lineHeight);

  // Step 2: lay the text out: every shown line but the last wraps at the
  // right edge between words; the last takes the rest of the paragraph on one
  // line. A line break in the text starts a new line, as on the window system.
  QString shown = text();
  shown.replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextOption option(Qt::AlignLeft);
  option.setWrapMode(QTextOption::WordWrap);
  QTextLayout layout(shown, font(), this);
  layout.setTextOption(option);
  const qreal unbroken = qreal(metrics.horizontalAdvance(shown)) + width() + 1;
  layout.beginLayout();
  for (int i = 0; i < shownLines; ++i) {
    QTextLine line = layout.createLine();
    if (!line.isValid())
      break;
    line.setLineWidth(i + 1 < shownLines ? width() : unbroken);
    line.setPosition(QPointF(0, top + i * lineHeight));
  }
  layout.endLayout();

  // Step 3: draw the lines laid out, clipped to the rectangle; text past the
  // last shown line is not drawn at all.
  QPainter painter(this);
  painter.setClipRect(rect());
  painter.setPen(palette().color(foregroundRole()));
  layout.draw(&painter, QPointF(0, 0));
}
