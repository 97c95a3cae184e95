// The text box and the label of the Qt backend, drawn as the dialog-unit
// layout expects: the font's whole line (ascent and descent) inside a text
// box's rectangle, a label's text on the same baseline as the text box beside
// it, and nothing of a label drawn where its rectangle cannot show it.
// Internal to platform/qt/.
#pragma once

#include <QLabel>
#include <QLineEdit>

class QFontMetrics;

// Pixels between the top of a one-line control `height` pixels high and the
// top of its line of text: the line centred in the height, at most the width
// of a text box's sunken edge below the top (taller controls start their
// text there too). Text boxes and labels of one row use the same value, so
// their texts share a baseline.
int TextTop(int height, const QFontMetrics &metrics);

// A single-line edit field that keeps the font's line inside its rectangle:
// the style's frame and margins give way where they would cut the line.
class TextBox : public QLineEdit {
public:
  TextBox(const QString &text, QWidget *parent);

protected:
  void resizeEvent(QResizeEvent *event) override;
  void changeEvent(QEvent *event) override;

private:
  void FitLineInBox();
};

// A static text: left-aligned, words wrapped onto the lines that its
// rectangle shows whole; the last of those lines takes the rest of the text
// unbroken and is cut at the right edge (a one-line label never wraps).
class StaticText : public QLabel {
public:
  StaticText(const QString &text, QWidget *parent);

protected:
  void paintEvent(QPaintEvent *event) override;
};
