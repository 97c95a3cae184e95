// The whole program driven as a user drives it: clicks and typed keys on the
// real window, offscreen.
#include "QtTestSupport.h"

#include "dialog/MainDialog.h"

#include <QAccessible>
#include <QApplication>
#include <QtTest>

#include <set>

namespace {

// Identifiers of the shown direct children of the window: what the user
// sees, independent of the toolkit's records.
std::set<int> ShownIds() {
  std::set<int> ids;
  for (QWidget* w : MainWindow()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
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

struct ModeCase {
  const char* caption;
  int buttonId;
  std::vector<std::pair<const char*, const char*>> rows; // label, unit ("" for none)
  const char* hint;
};

const char* const Bridge = "Frequency entries provide the ratio for manual equipment having fixed "
                           "frequency ranges like the GR 1603 Z-Y bridge.";
const char* const Series = "Series Model";
const char* const Parallel = "Parallel Model";

// clang-format off
const std::vector<ModeCase> Modes = {
    {"R-X", 100, {{"Bridge f0", " Hz"}, {"Actual f0", " Hz"}, {"X", " Ohms"}, {"R", " Ohms"}}, Bridge},
    {"G-B", 101, {{"Bridge f0", " Hz"}, {"Actual f0", " Hz"}, {"G", " umhos"}, {"B", " umhos"}}, Bridge},
    {"Cs-D", 102, {{"F", " Hz"}, {"Cs", " uF"}, {"DF", ""}}, Series},
    {"Cp-D", 103, {{"F", " Hz"}, {"Cp", " uF"}, {"DF", ""}}, Parallel},
    {"Cs-R", 106, {{"F", " Hz"}, {"Cs", " uF"}, {"R", " Ohms"}}, Series},
    {"Cs||Cs", 112, {{"F", " Hz"}, {"Cs1", " uF"}, {"D1", ""}, {"Cs2", " uF"}, {"D2", ""}},
     "Paralleled capacitors using the series model- note that the combined dissipation factor is "
     "also calculated."},
    {"Ls-Q", 104, {{"F", " Hz"}, {"Ls", " mH"}, {"Q", ""}}, Series},
    {"Lp-Q", 105, {{"F", " Hz"}, {"Lp", " mH"}, {"Q", ""}}, Parallel},
    {"V-Z", 107, {{"F", " Hz"}, {"Z", " Ohms"}, {"Phase angle", " deg."}},
     "This mode is included for use with vector impedance analyzers like the HP4800A and HP4815A."},
    {"Cs-Cs", 113, {{"F", " Hz"}, {"Cs1", " uF"}, {"D1", ""}, {"Cs2", " uF"}, {"D2", ""}},
     "Series capacitors using the series model- note that the combined dissipation factor is "
     "also calculated."},
    {"Ls||Ls", 114, {{"F", " Hz"}, {"Ls1", " mH"}, {"Q1", ""}, {"Ls2", " mH"}, {"Q2", ""}},
     "Paralleled inductors using the series model- note that the combined Q is also calculated."},
    {"Ls-Ls", 115, {{"F", " Hz"}, {"Ls1", " mH"}, {"Q1", ""}, {"Ls2", " mH"}, {"Q2", ""}},
     "Series inductors using the series model- note that the combined Q is also calculated."},
    {"IVP", 116, {{"F", " Hz"}, {"voltage", " V"}, {"current", " A"}, {"phase", " deg."}},
     "Values based on voltage across the part, current through the part, and the phase angle "
     "between voltage and current."},
    {"Lp-R", 119, {{"F", " Hz"}, {"Lp", " mH"}, {"Rp", " Ohms"}}, Parallel},
    {"Ls-R", 120, {{"F", " Hz"}, {"Ls", " mH"}, {"Rs", " Ohms"}}, Series},
    {"Cp-Rp", 121, {{"F", " Hz"}, {"Cp", " uF"}, {"Rp", " Ohms"}}, Parallel},
};

// clang-format on

// The window shows the fixed controls and exactly the rows of `mode`, and
// holds no control of the other rows: label, text box named by that label,
// its default ("1000" for a frequency, one space otherwise), the unit, the
// hint; the caret is in the first row that is not a frequency.
void CheckEntryArea(const ModeCase& mode) {
  const int labelIds[5] = {171, 172, 173, 174, 186};
  std::set<int> wanted = FixedIds;
  wanted.insert(187);
  int focusId = 0;
  for (int k = 0; k < 5; ++k) {
    if (k >= int(mode.rows.size())) {
      QVERIFY(!Control(labelIds[k]) && !Control(151 + k) && !Control(231 + k));
      continue;
    }
    const auto [label, unit] = mode.rows[std::size_t(k)];
    const bool hz = qstrcmp(unit, " Hz") == 0;
    wanted.insert({labelIds[k], 151 + k});
    QCOMPARE(TextOf(labelIds[k]), QString::fromLatin1(label));
    QCOMPARE(TextOf(151 + k), QString::fromLatin1(hz ? "1000" : " "));
    QCOMPARE(QAccessible::queryAccessibleInterface(Control(151 + k))->text(QAccessible::Name),
             QString::fromLatin1(label));
    if (*unit) {
      wanted.insert(231 + k);
      QCOMPARE(TextOf(231 + k), QString::fromLatin1(unit));
    }
    if (!hz && !focusId)
      focusId = 151 + k;
  }
  QCOMPARE(ShownIds(), wanted);
  QCOMPARE(TextOf(187), QString::fromLatin1(mode.hint));
  QCOMPARE(QApplication::focusWidget(), Control(focusId));
}

} // namespace

class MainWindowTests : public QObject {
  Q_OBJECT

private slots:

  // State: fresh window, the fixed controls only. Action: Calc; then a mode,
  // a typed value, and Enter, keypad Enter and Esc on a text box and on
  // buttons. Expected: the warning, nothing else changes; the keys change
  // nothing and leave the window open.
  void onlyCalcComputesAndNothingCloses() {
    const int rc = RunProgram([] {
      QCOMPARE(MainWindow()->windowTitle(), QStringLiteral("Calvora Impedance Calculator 1.03"));
      QCOMPARE(ShownIds(), FixedIds);
      Click(CalcButtonId);
      Settle(50);
      QCOMPARE(SeenBoxes, QStringList{"Calvora|Please select a mode then enter some data!"});
      QCOMPARE(ShownIds(), FixedIds);
      QCOMPARE(ModeId, 0);
      Click(104);
      TypeInto(152, QStringLiteral("10"));
      const std::set<int> before = ShownIds();
      for (int target : {152, 108, 120})
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape})
          QTest::keyClick(Control(target), key);
      Settle(50);
      QVERIFY(MainWindow() && MainWindow()->isVisible());
      QCOMPARE(ShownIds(), before);
      QCOMPARE(TextOf(152), QStringLiteral("10"));
      QCOMPARE(SeenBoxes.size(), 1);
    });
    QCOMPARE(rc, 0);
  }

  // State: fresh window. Action: each mode button in turn, after typing into
  // the previous mode's last row (five rows to three, a unit on row 3 to
  // none, ...). Expected: exactly that mode's entry area.
  void everyModeButtonBuildsItsRows() {
    RunProgram([] {
      for (const ModeCase& mode : Modes) {
        QCOMPARE(TextOf(mode.buttonId), QString::fromLatin1(mode.caption));
        Click(mode.buttonId);
        Settle(5);
        CheckEntryArea(mode);
        if (QTest::currentTestFailed())
          return qWarning("mode %s", mode.caption);
        TypeInto(150 + int(mode.rows.size()), QStringLiteral("2"));
      }
    });
  }

  // State: one result after another in the same window (the sign of Bp
  // flips, then the device turns resistive, then Bp is not a number).
  // Action: Calc, then another mode. Expected: each panel exactly, no row of
  // the one before; a mode change keeps the panel.
  void calcShowsEachKindOfResult() {
    RunProgram([] {
      for (const CalcCase& c : CalcCases) {
        Calculate(c);
        QCOMPARE(PanelLines(), c.lines.mid(1));
      }
      Click(116);
      QCOMPARE(PanelLines(), CalcCases.back().lines.mid(1));
      QVERIFY(SeenBoxes.isEmpty());
    });
  }

  // State: a result on screen. Action: "(c)". Expected: the seven-line text
  // with its caption; the window unchanged.
  void aboutBoxShowsSevenLines() {
    RunProgram([] {
      Calculate(CalcCases[0]);
      const std::set<int> before = ShownIds();
      Click(AboutButtonId);
      Settle(50);
      QCOMPARE(ShownIds(), before);
      QCOMPARE(
          SeenBoxes,
          QStringList{
              "Calvora |Calvora Impedance Calculator 1.03 - impedance conversions for the bench\n"
              "No responsibilities are assumed for inaccuracy, lack of suitability\n"
              "for any purpose, or for any loss or damage resulting from its use.\n"
              "Common impedance conversions- note that mhos are used instead of\n"
              "the modern and equivalent Siemens. SI units are automatically\n"
              "scaled so watch your prefixes. User inputs are not checked - GIGO!\n"
              "Thanks for using those great General Radio Corp. bridges and standards!"});
    });
  }
};

QTEST_MAIN(MainWindowTests)
#include "MainWindowTests.moc"
