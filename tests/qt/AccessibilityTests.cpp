// The window as a screen reader gets it through Qt's accessibility interfaces
// (which the AT-SPI bridge hands on): roles, names, descriptions, relations.
#include "QtTestSupport.h"
#include "tests/gui/UserModes.h"

#include <QAccessible>

namespace {

QString Said(QWidget *widget, QAccessible::Text which) {
  return QAccessible::queryAccessibleInterface(widget)->text(which);
}

// The widgets that label `widget` (labelled-by relations).
QList<QWidget *> LabelledBy(QWidget *widget) {
  QList<QWidget *> labels;
  for (const auto &[other, relation] :
       QAccessible::queryAccessibleInterface(widget)->relations(QAccessible::Label))
    labels << qobject_cast<QWidget *>(other->object());
  return labels;
}

} // namespace

class AccessibilityTests : public QObject {
  Q_OBJECT

private slots:

  // The window a dialog, its frames (empty on screen) named; in every mode each entry box
  // described by its unit without the leading blank, or not at all. Results of each kind: each
  // value labelled and described by its row's name label; name labels labelled by nothing.
  void dialogFramesUnitsAndResults() {
    RunProgram([] {
      QCOMPARE(QAccessible::queryAccessibleInterface(MainWindow())->role(), QAccessible::Dialog);
      QCOMPARE(Said(Control(EntryFrameId), QAccessible::Name), "Entry");
      QCOMPARE(Said(Control(ResultFrameId), QAccessible::Name), "Results");
      QCOMPARE(TextOf(EntryFrameId) + TextOf(ResultFrameId), "");
      for (const UserMode &mode : UserModes) {
        Click(mode.buttonId);
        const auto rows = RowsOf(mode);
        for (int k = 1; k <= int(rows.size()); ++k)
          QCOMPARE(Said(Control(EntryBoxId(k)), QAccessible::Description),
                   QString::fromStdString(rows[std::size_t(k - 1)].second).trimmed());
      }
      for (const CalcCase &c : CalcCases) {
        Calculate(c);
        int values = 0;
        for (int name : {175, 176, 177, 178, 179, 180, 181, 182, 188, 183, 184, 185}) {
          const int value = name == 188 ? 212 : name + 26;
          if (!Control(name))
            continue;
          QVERIFY(LabelledBy(Control(name)).isEmpty());
          if (!Control(value))
            continue;
          ++values;
          QCOMPARE(LabelledBy(Control(value)), QList<QWidget *>{Control(name)});
          QCOMPARE(Said(Control(value), QAccessible::Description), TextOf(name));
          QVERIFY(c.lines.contains(TextOf(name) + " = " + Said(Control(value), QAccessible::Name)));
        }
        QCOMPARE(values, c.lines.mid(1).filter(" = ").size());
      }
    });
  }
};

QTEST_MAIN(AccessibilityTests)
#include "AccessibilityTests.moc"
