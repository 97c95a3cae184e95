// The whole program driven as a user drives it: clicks and typed keys on the real window.
#include "QtTestSupport.h"
#include "tests/gui/UserModes.h"

#include <QAccessible>

#include <set>

namespace {

// The window's children as the user sees them (not the toolkit's records), hidden ones negative.
std::set<int> ShownIds() {
  std::set<int> ids;
  for (QWidget *w : MainWindow()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
    ids.insert(w->isVisible() ? w->objectName().toInt() : -w->objectName().toInt());
  return ids;
}

// The 21 fixed controls: mode buttons, Calc, Print, "(c)" and both frames.
const std::set<int> FixedIds = {100, 101, 102, 103, 104, 105, 106, 107, 108, 110, 111,
                                112, 113, 114, 115, 116, 117, 118, 119, 120, 121};

// The panel as report lines ("name = value"), in report order.
QStringList PanelLines() {
  const std::set<int> shown = ShownIds();
  QStringList lines;
  for (int name : {175, 176, 177, 178, 179, 180, 181, 182, 188, 183, 184, 185}) {
    const int value = name == 188 ? 212 : name + 26;
    if (shown.count(name) || shown.count(value))
      lines << TextOf(name) + (shown.count(value) ? " = " + TextOf(value) : QString());
  }
  return lines;
}

} // namespace

class MainWindowTests : public QObject {
  Q_OBJECT

private slots:

  // Each mode, after typing into the one before's last row, shows exactly its rows; each panel
  // exactly, no row left over; keys, another mode and the information box keep panel and entry.
  void warningModesResultsKeysAndAboutBox() {
    const int rc = RunProgram([] {
      Click(CalcButtonId);
      QCOMPARE(ShownIds(), FixedIds);
      MainWindow()->activateWindow(); // offscreen, the closed box hands nothing back
      QVERIFY(QTest::qWaitForWindowActive(MainWindow()));
      for (const UserMode &mode : UserModes) {
        QCOMPARE(TextOf(mode.buttonId), mode.caption);
        Click(mode.buttonId);
        const auto rows = RowsOf(mode);
        std::set<int> wanted = FixedIds;
        for (int k = 0; k < int(rows.size()); ++k) {
          const QString label = QString::fromStdString(rows[k].first),
                        unit = QString::fromStdString(rows[k].second);
          wanted.insert({EntryLabelIds[k], 151 + k, 187}); // the row, and the hint
          QCOMPARE(TextOf(EntryLabelIds[k]), label);
          QCOMPARE(TextOf(151 + k), unit == " Hz" ? "1000" : " ");
          const QAccessibleInterface *box = QAccessible::queryAccessibleInterface(Control(151 + k));
          QCOMPARE(box->text(QAccessible::Name), label);
          QCOMPARE(box->text(QAccessible::Description), unit.trimmed());
          QCOMPARE(TextOf(231 + k), unit); // a unit left over from the mode before shows here
          if (!unit.isEmpty())
            wanted.insert(231 + k);
        }
        QCOMPARE(ShownIds(), wanted); // nothing of another row, not even hidden
        QCOMPARE(TextOf(187), QString::fromStdString(mode.hint));
        const auto frequencies = std::count_if(rows.begin(), rows.end(),
                                               [](const auto &row) { return row.second == " Hz"; });
        QCOMPARE(QApplication::focusWidget(), Control(151 + int(frequencies)));
        TypeInto(150 + int(rows.size()), "2");
      }
      for (const CalcCase &c : CalcCases) {
        Calculate(c);
        QCOMPARE(PanelLines(), c.lines.mid(1));
      }
      TypeInto(152, "5");
      for (int target : {152, CalcButtonId, 120})
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
          QTest::keyClick(Control(target), key);
      QCOMPARE(TextOf(152), "5");
      Click(116);
      Click(AboutButtonId);
      QVERIFY(MainWindow()->isVisible());
      QCOMPARE(PanelLines(), CalcCases.back().lines.mid(1));
      QCOMPARE(SeenBoxes.join('#'), // the warning, then the information box
               "Calvora|Please select a mode then enter some data!#Calvora |Calvora Impedance "
               "Calculator " CALVORA_VERSION " - impedance conversions for the bench\n"
               "No responsibilities are assumed for inaccuracy, lack of suitability\n"
               "for any purpose, or for any loss or damage resulting from its use.\n"
               "Common impedance conversions- note that mhos are used instead of\n"
               "the modern and equivalent Siemens. SI units are automatically\n"
               "scaled so watch your prefixes. User inputs are not checked - GIGO!\n"
               "Thanks for using those great General Radio Corp. bridges and standards!");
    });
    QCOMPARE(rc, 0);
  }
};

QTEST_MAIN(MainWindowTests)
#include "MainWindowTests.moc"
