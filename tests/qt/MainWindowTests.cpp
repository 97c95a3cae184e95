// The whole program driven as a user drives it: clicks and typed keys on the
// real window, offscreen.
#include "QtTestSupport.h"
#include "tests/gui/UserModes.h"

#include <QAccessible>

#include <set>

namespace {

// Identifiers of the shown direct children of the window: what the user
// sees, independent of the toolkit's records.
std::set<int> ShownIds() {
  std::set<int> ids;
  for (QWidget *w : MainWindow()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
    if (w->isVisible())
      ids.insert(w->objectName().toInt());
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

  // State: fresh window. Action: each mode button in turn, after typing into
  // the previous mode's last row (five rows to three, a unit on row 3 to
  // none, ...). Expected: the fixed controls and exactly that mode's rows,
  // no control of the other rows even hidden: label, text box named by its
  // label, default ("1000" for a frequency, one blank otherwise), unit, hint;
  // the caret in the first row that is not a frequency.
  void everyModeButtonBuildsItsRows() {
    RunProgram([] {
      const int labelIds[5] = {171, 172, 173, 174, 186};
      for (const UserMode &mode : UserModes) {
        QCOMPARE(TextOf(mode.buttonId), mode.caption);
        Click(mode.buttonId);
        const auto rows = RowsOf(mode);
        std::set<int> wanted = FixedIds;
        wanted.insert(187);
        for (int k = 0; k < 5; ++k) {
          if (k >= int(rows.size())) {
            QVERIFY(!Control(labelIds[k]) && !Control(151 + k) && !Control(231 + k));
            continue;
          }
          const QString label = QString::fromStdString(rows[k].first),
                        unit = QString::fromStdString(rows[k].second);
          wanted.insert({labelIds[k], 151 + k});
          QCOMPARE(TextOf(labelIds[k]), label);
          QCOMPARE(TextOf(151 + k), unit == " Hz" ? "1000" : " ");
          QCOMPARE(QAccessible::queryAccessibleInterface(Control(151 + k))->text(QAccessible::Name),
                   label);
          QCOMPARE(TextOf(231 + k), unit); // a unit left over from the mode before shows here
          if (!unit.isEmpty())
            wanted.insert(231 + k);
        }
        QCOMPARE(ShownIds(), wanted);
        QCOMPARE(TextOf(187), QString::fromStdString(mode.hint));
        const auto frequencies = std::count_if(rows.begin(), rows.end(),
                                               [](const auto &row) { return row.second == " Hz"; });
        QCOMPARE(QApplication::focusWidget(), Control(151 + int(frequencies)));
        TypeInto(150 + int(rows.size()), "2");
      }
    });
  }

  // State: fresh window, the fixed controls only. Action: Calc; then one
  // result after another in the same window (the sign of Bp flips, then the
  // device turns resistive, then Bp is not a number); a new entry, then
  // Enter, keypad Enter and Esc on a text box, on Calc and on a mode button;
  // another mode; "(c)". Expected: the warning and nothing else; each panel
  // exactly, no row of the one before; the keys, the mode change and the box
  // keep the panel and the entry, and leave the window open; the box holds
  // the seven lines under its caption; closing ends the run with 0.
  void warningResultsKeysAndAboutBox() {
    const int rc = RunProgram([] {
      QCOMPARE(MainWindow()->windowTitle(), "Calvora Impedance Calculator " CALVORA_VERSION);
      Click(CalcButtonId);
      QCOMPARE(ShownIds(), FixedIds);
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
      QCOMPARE(
          SeenBoxes,
          QStringList({"Calvora|Please select a mode then enter some data!",
                       "Calvora |Calvora Impedance Calculator " CALVORA_VERSION
                       " - impedance conversions for the bench\n"
                       "No responsibilities are assumed for inaccuracy, lack of suitability\n"
                       "for any purpose, or for any loss or damage resulting from its use.\n"
                       "Common impedance conversions- note that mhos are used instead of\n"
                       "the modern and equivalent Siemens. SI units are automatically\n"
                       "scaled so watch your prefixes. User inputs are not checked - GIGO!\n"
                       "Thanks for using those great General Radio Corp. bridges and standards!"}));
    });
    QCOMPARE(rc, 0);
  }
};

QTEST_MAIN(MainWindowTests)
#include "MainWindowTests.moc"
