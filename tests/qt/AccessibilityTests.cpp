// The window as a screen reader gets it, through Qt's accessibility
// interfaces (which the AT-SPI bridge hands on): roles, names, descriptions
// and the relations that tie each text to what it belongs to.
#include "QtTestSupport.h"
#include "tests/gui/UserModes.h"

#include <QAccessible>

namespace {

QAccessibleInterface *Accessible(QWidget *widget) {
  return QAccessible::queryAccessibleInterface(widget);
}

QString AccessibleText(QWidget *widget, QAccessible::Text which) {
  QAccessibleInterface *a = Accessible(widget);
  return a ? a->text(which) : QStringLiteral("<no interface>");
}

// The widgets that label `widget` (labelled-by relations).
QList<QWidget *> LabelledBy(QWidget *widget) {
  QList<QWidget *> labels;
  for (const auto &[other, relation] : Accessible(widget)->relations(QAccessible::Label))
    labels << qobject_cast<QWidget *>(other->object());
  return labels;
}

} // namespace

class AccessibilityTests : public QObject {
  Q_OBJECT

private slots:

  // State: fresh window, then each mode in turn. Action: its button.
  // Expected: the window is a dialog; the two frames, empty on screen, are
  // named "Entry" and "Results"; every entry box is named by its row's label
  // and described by its unit without the leading blank ("uF"), or not
  // described on a row without a unit.
  void dialogFramesAndEntryBoxes() {
    RunProgram([] {
      QCOMPARE(Accessible(MainWindow())->role(), QAccessible::Dialog);
      QCOMPARE(AccessibleText(Control(EntryFrameId), QAccessible::Name), "Entry");
      QCOMPARE(AccessibleText(Control(ResultFrameId), QAccessible::Name), "Results");
      QCOMPARE(TextOf(EntryFrameId) + TextOf(ResultFrameId), "");
      for (const UserMode &mode : UserModes) {
        Click(mode.buttonId);
        const auto rows = RowsOf(mode);
        for (int k = 1; k <= int(rows.size()); ++k) {
          const auto &[label, unit] = rows[std::size_t(k - 1)];
          QWidget *box = Control(EntryBoxId(k));
          QCOMPARE(AccessibleText(box, QAccessible::Name), QString::fromStdString(label));
          QCOMPARE(AccessibleText(box, QAccessible::Description),
                   QString::fromStdString(unit).trimmed());
        }
      }
    });
  }

  // State: results of each kind (capacitive, inductive, purely resistive,
  // not a number). Action: Calc. Expected: every value label is labelled by
  // the name label of its row, and described by that name; "Device is
  // purely resistive", which has no value, and the name labels are labelled
  // by nothing; the value texts are as shown.
  void resultValuesAreTiedToTheirNames() {
    RunProgram([] {
      for (const CalcCase &c : CalcCases) {
        Calculate(c);
        int values = 0;
        for (int name : {175, 176, 177, 178, 179, 180, 181, 182, 188, 183, 184, 185}) {
          if (!Control(name))
            continue;
          QVERIFY(LabelledBy(Control(name)).isEmpty());
          const int value = name == 188 ? 212 : name + 26;
          if (!Control(value))
            continue;
          ++values;
          QCOMPARE(LabelledBy(Control(value)), QList<QWidget *>{Control(name)});
          QCOMPARE(AccessibleText(Control(value), QAccessible::Description), TextOf(name));
          QCOMPARE(AccessibleText(Control(value), QAccessible::Name), TextOf(value));
          QVERIFY(c.lines.contains(TextOf(name) + " = " + TextOf(value)));
        }
        QCOMPARE(values, c.lines.mid(1).filter(" = ").size());
      }
    });
  }
};

QTEST_MAIN(AccessibilityTests)
#include "AccessibilityTests.moc"
