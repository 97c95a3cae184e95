// What a screen reader gets (entry boxes' names and descriptions: MainWindowTests).
#include "QtTestSupport.h"

#include <QAccessible>

namespace {

QString Said(QWidget *widget, QAccessible::Text which) {
  return QAccessible::queryAccessibleInterface(widget)->text(which);
}

// The one widget labelling `widget` (labelled-by), nullptr for none or several.
QObject *LabelOf(QWidget *widget) {
  const auto labels = QAccessible::queryAccessibleInterface(widget)->relations(QAccessible::Label);
  return labels.size() == 1 ? labels[0].first->object() : nullptr;
}

} // namespace

class AccessibilityTests : public QObject {
  Q_OBJECT

private slots:

  // Each result value labelled and described by its name label, which nothing labels.
  void dialogFramesAndResults() {
    RunProgram([] {
      QCOMPARE(QAccessible::queryAccessibleInterface(MainWindow())->role(), QAccessible::Dialog);
      QCOMPARE(Said(Control(EntryFrameId), QAccessible::Name), "Entry");
      QCOMPARE(Said(Control(ResultFrameId), QAccessible::Name), "Results");
      QCOMPARE(TextOf(EntryFrameId) + TextOf(ResultFrameId), "");
      for (const CalcCase &c : CalcCases) {
        Calculate(c);
        QStringList heard; // "name = value" for each value tied to its name label
        for (int name : {175, 176, 177, 178, 179, 180, 181, 182, 188, 183, 184, 185}) {
          QWidget *value = Control(name == 188 ? 212 : name + 26);
          if (value && LabelOf(value) == Control(name) && !LabelOf(Control(name)) &&
              Said(value, QAccessible::Description) == TextOf(name))
            heard << TextOf(name) + " = " + Said(value, QAccessible::Name);
        }
        QCOMPARE(heard, c.lines.mid(1).filter(" = "));
      }
    });
  }
};

QTEST_MAIN(AccessibilityTests)
#include "AccessibilityTests.moc"
