// The whole program driven as a user drives it: clicks and typed keys on the
// real window, offscreen. Each case: State / Action / Expected.
#include "QtTestSupport.h"

#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <set>

namespace {

// The direct children of the main window that are shown, by identifier:
// what the user sees, independent of the toolkit's own records.
std::set<int> ShownIds() {
  std::set<int> ids;
  for (QWidget* w : MainWindow()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (w->isVisible())
      ids.insert(w->objectName().toInt());
  return ids;
}

std::set<int> ShownInRange(int first, int last) {
  std::set<int> out;
  for (int id : ShownIds())
    if (id >= first && id <= last)
      out.insert(id);
  return out;
}

// Result panel identifiers: names 175-185 and 188, values 201-212.
std::set<int> ShownPanelIds() {
  std::set<int> ids = ShownInRange(175, 185);
  for (int id : ShownInRange(188, 188))
    ids.insert(id);
  for (int id : ShownInRange(201, 212))
    ids.insert(id);
  return ids;
}

struct PanelCell {
  int id;
  const char* text;
};

// Compares the shown panel with `expected`, cell by cell and as a whole set.
void CheckPanel(const std::vector<PanelCell>& expected) {
  std::set<int> wanted;
  for (const PanelCell& cell : expected) {
    wanted.insert(cell.id);
    QCOMPARE(TextOf(cell.id), QString::fromLatin1(cell.text));
  }
  QCOMPARE(ShownPanelIds(), wanted);
}

struct Row {
  const char* label;
  const char* defaultText;
  const char* unit; // nullptr: no unit label
};

struct ModeCase {
  const char* caption;
  int buttonId;
  std::vector<Row> rows;
  int focusId;
  const char* hint;
};

const char* const BridgeHint = "Frequency entries provide the ratio for manual equipment having "
                               "fixed frequency ranges like the GR 1603 Z-Y bridge.";

const std::vector<ModeCase>& ModeCases() {
  static const std::vector<ModeCase> cases = {
      {"R-X", 100,
       {{"Bridge f0", "1000", " Hz"}, {"Actual f0", "1000", " Hz"}, {"X", " ", " Ohms"},
        {"R", " ", " Ohms"}},
       153, BridgeHint},
      {"G-B", 101,
       {{"Bridge f0", "1000", " Hz"}, {"Actual f0", "1000", " Hz"}, {"G", " ", " umhos"},
        {"B", " ", " umhos"}},
       153, BridgeHint},
      {"Cs-D", 102, {{"F", "1000", " Hz"}, {"Cs", " ", " uF"}, {"DF", " ", nullptr}}, 152,
       "Series Model"},
      {"Cp-D", 103, {{"F", "1000", " Hz"}, {"Cp", " ", " uF"}, {"DF", " ", nullptr}}, 152,
       "Parallel Model"},
      {"Cs-R", 106, {{"F", "1000", " Hz"}, {"Cs", " ", " uF"}, {"R", " ", " Ohms"}}, 152,
       "Series Model"},
      {"Cs||Cs", 112,
       {{"F", "1000", " Hz"}, {"Cs1", " ", " uF"}, {"D1", " ", nullptr}, {"Cs2", " ", " uF"},
        {"D2", " ", nullptr}},
       152,
       "Paralleled capacitors using the series model- note that the combined dissipation "
       "factor is also calculated."},
      {"Ls-Q", 104, {{"F", "1000", " Hz"}, {"Ls", " ", " mH"}, {"Q", " ", nullptr}}, 152,
       "Series Model"},
      {"Lp-Q", 105, {{"F", "1000", " Hz"}, {"Lp", " ", " mH"}, {"Q", " ", nullptr}}, 152,
       "Parallel Model"},
      {"V-Z", 107,
       {{"F", "1000", " Hz"}, {"Z", " ", " Ohms"}, {"Phase angle", " ", " deg."}},
       152,
       "This mode is included for use with vector impedance analyzers like the HP4800A and "
       "HP4815A."},
      {"Cs-Cs", 113,
       {{"F", "1000", " Hz"}, {"Cs1", " ", " uF"}, {"D1", " ", nullptr}, {"Cs2", " ", " uF"},
        {"D2", " ", nullptr}},
       152,
       "Series capacitors using the series model- note that the combined dissipation factor "
       "is also calculated."},
      {"Ls||Ls", 114,
       {{"F", "1000", " Hz"}, {"Ls1", " ", " mH"}, {"Q1", " ", nullptr}, {"Ls2", " ", " mH"},
        {"Q2", " ", nullptr}},
       152,
       "Paralleled inductors using the series model- note that the combined Q is also "
       "calculated."},
      {"Ls-Ls", 115,
       {{"F", "1000", " Hz"}, {"Ls1", " ", " mH"}, {"Q1", " ", nullptr}, {"Ls2", " ", " mH"},
        {"Q2", " ", nullptr}},
       152,
       "Series inductors using the series model- note that the combined Q is also "
       "calculated."},
      {"IVP", 116,
       {{"F", "1000", " Hz"}, {"voltage", " ", " V"}, {"current", " ", " A"},
        {"phase", " ", " deg."}},
       152,
       "Values based on voltage across the part, current through the part, and the phase "
       "angle between voltage and current."},
      {"Lp-R", 119, {{"F", "1000", " Hz"}, {"Lp", " ", " mH"}, {"Rp", " ", " Ohms"}}, 152,
       "Parallel Model"},
      {"Ls-R", 120, {{"F", "1000", " Hz"}, {"Ls", " ", " mH"}, {"Rs", " ", " Ohms"}}, 152,
       "Series Model"},
      {"Cp-Rp", 121, {{"F", "1000", " Hz"}, {"Cp", " ", " uF"}, {"Rp", " ", " Ohms"}}, 152,
       "Parallel Model"},
  };
  return cases;
}

const int LabelIds[5] = {171, 172, 173, 174, 186};

// Checks that the entry area shows exactly the rows, hint and caret of `mode`.
void CheckEntryArea(const ModeCase& mode) {
  std::set<int> wanted{187};
  for (std::size_t k = 0; k < mode.rows.size(); ++k) {
    const Row& row = mode.rows[k];
    const int labelId = LabelIds[k], boxId = 151 + int(k), unitId = 231 + int(k);
    wanted.insert(labelId);
    wanted.insert(boxId);
    QCOMPARE(TextOf(labelId), QString::fromLatin1(row.label));
    QCOMPARE(TextOf(boxId), QString::fromLatin1(row.defaultText));
    if (row.unit) {
      wanted.insert(unitId);
      QCOMPARE(TextOf(unitId), QString::fromLatin1(row.unit));
    }
  }
  std::set<int> shown = ShownInRange(151, 155);
  for (int id : ShownInRange(171, 174))
    shown.insert(id);
  for (int id : ShownInRange(186, 187))
    shown.insert(id);
  for (int id : ShownInRange(231, 234))
    shown.insert(id);
  QCOMPARE(shown, wanted);
  QCOMPARE(TextOf(187), QString::fromLatin1(mode.hint));
  QCOMPARE(QApplication::focusWidget(), Control(mode.focusId));
}

const ModeCase& CaseNamed(const char* caption) {
  const auto& cases = ModeCases();
  return *std::find_if(cases.begin(), cases.end(),
                       [caption](const ModeCase& m) { return qstrcmp(m.caption, caption) == 0; });
}

} // namespace

class MainWindowTests : public QObject {
  Q_OBJECT

private slots:
  // State: fresh window. Action: none. Expected: the title, the 21 fixed
  // controls with their captions, nothing else.
  void startsWithTheFixedControlsOnly() {
    const int rc = RunProgram([] {
      QCOMPARE(MainWindow()->windowTitle(), QStringLiteral("Calvora Impedance Calculator 1.03"));
      std::set<int> fixed;
      for (const FixedControl& c : FixedControls) {
        fixed.insert(c.id);
        QCOMPARE(TextOf(c.id), QString::fromLatin1(c.caption));
      }
      QCOMPARE(ShownIds(), fixed);
      QCOMPARE(TextOf(112), QStringLiteral("Cs||Cs"));
      QCOMPARE(TextOf(114), QStringLiteral("Ls||Ls"));
    });
    QCOMPARE(rc, 0);
  }

  // State: fresh window. Action: each mode button in turn, the previous
  // mode's rows still shown. Expected: that mode's rows, defaults, units,
  // hint and caret, and nothing of the previous mode.
  void everyModeButtonBuildsItsRows() {
    RunProgram([] {
      for (const ModeCase& mode : ModeCases()) {
        QCOMPARE(TextOf(mode.buttonId), QString::fromLatin1(mode.caption));
        Click(mode.buttonId);
        Settle(5);
        CheckEntryArea(mode);
        if (QTest::currentTestFailed()) {
          qWarning("mode %s", mode.caption);
          return;
        }
      }
    });
  }

  // State: the five-row "Cs||Cs" with typed values. Action: "Cs-D".
  // Expected: three rows, no control of rows 4 and 5, no unit on row 3.
  void fiveRowsToThreeLeavesNothingBehind() {
    RunProgram([] {
      Click(112);
      TypeInto(154, QStringLiteral("2"));
      Click(100); // a unit on row 3 ...
      Click(102); // ... and then none
      Settle(5);
      CheckEntryArea(CaseNamed("Cs-D"));
      QVERIFY(!Control(154) && !Control(155) && !Control(233) && !Control(234));
    });
  }

  // State: "Cs-D" with a typed frequency. Action: "Cs-D" again.
  // Expected: the default texts come back.
  void sameModeAgainRestoresDefaults() {
    RunProgram([] {
      Click(102);
      TypeInto(151, QStringLiteral("50"));
      TypeInto(152, QStringLiteral("3"));
      QCOMPARE(TextOf(151), QStringLiteral("50"));
      Click(102);
      CheckEntryArea(CaseNamed("Cs-D"));
    });
  }

  // State: fresh window. Action: Calc. Expected: the warning with its exact
  // text and caption, one button, no icon; no panel, no mode, state zero.
  void calcBeforeAnyModeWarns() {
    RunProgram([] {
      Click(108);
      Settle(50);
      QCOMPARE(SeenBoxes.size(), std::size_t(1));
      QCOMPARE(SeenBoxes[0].title, QStringLiteral("Calvora"));
      QCOMPARE(SeenBoxes[0].text, QStringLiteral("Please select a mode then enter some data!"));
      QCOMPARE(SeenBoxes[0].buttonCount, 1);
      QVERIFY(!SeenBoxes[0].hasIcon);
      QVERIFY(ShownPanelIds().empty());
      QCOMPARE(ModeId, 0);
      QCOMPARE(TheCalcState.Z, 0.0);
      QCOMPARE(TheCalcState.F, 0.0);
    });
  }

  // State: a capacitor result on screen. Action: an inductor Calc, then a
  // resistor Calc. Expected: each panel exactly, no row of the one before.
  void calcShowsEachKindOfResult() {
    RunProgram([] {
      // Capacitive: 1 uF with 10 ohms in series at 1 kHz.
      Click(106);
      TypeInto(152, QStringLiteral("1"));
      TypeInto(153, QStringLiteral("10"));
      Click(108);
      CheckPanel({{175, "Z"}, {201, " 159.4688 Ohms"}, {176, "Rs"}, {202, " 10 Ohms"},
                  {177, "Xs"}, {203, "-159.1549 Ohms"}, {178, "Y"}, {204, " 6.27 mmhos"},
                  {179, "Gp"}, {205, " 393.23 umhos"}, {180, "Bp"}, {206, " 6.26 mmhos"},
                  {181, "Cs"}, {207, " 1 uF"}, {182, "Cp"}, {208, " 996.0677 nF"},
                  {188, "Rp"}, {212, " 2.543 kOhms"}, {183, "Q"}, {209, " 15.9155"},
                  {184, "D"}, {210, " .0628"}, {185, "Phase angle"}, {211, "-86.4 degrees"}});

      // Inductive: 10 mH with 5 ohms in series; Bp changes sign.
      Click(120);
      TypeInto(152, QStringLiteral("10"));
      TypeInto(153, QStringLiteral("5"));
      Click(108);
      CheckPanel({{175, "Z"}, {201, " 63.0305 Ohms"}, {176, "Rs"}, {202, " 5 Ohms"},
                  {177, "Xs"}, {203, " 62.8319 Ohms"}, {178, "Y"}, {204, " 15.87 mmhos"},
                  {179, "Gp"}, {205, " 1.26 mmhos"}, {180, "Bp"}, {206, "-15.82 mmhos"},
                  {181, "Ls"}, {207, " 10 mH"}, {182, "Lp"}, {208, " 10.0633 mH"},
                  {188, "Rp"}, {212, " 794.5684 Ohms"}, {183, "Q"}, {209, " 12.5664"},
                  {184, "D"}, {210, " .0796"}, {185, "Phase angle"}, {211, " 85.45 degrees"}});

      // Purely resistive: a bridge reading of X = 0, R = 100.
      Click(100);
      TypeInto(153, QStringLiteral("0"));
      TypeInto(154, QStringLiteral("100"));
      Click(108);
      CheckPanel({{175, "Z"}, {201, " 100 Ohms"}, {176, "Rs"}, {202, " 100 Ohms"},
                  {177, "Xs"}, {203, " 0 aOhms"}, {178, "Y"}, {204, " 10 mmhos"},
                  {179, "Gp"}, {205, " 10 mmhos"}, {180, "Bp"}, {206, " 0 amhos"},
                  {181, "Device is purely resistive"}, {188, "Rp"}, {212, " 100 Ohms"},
                  {185, "Phase angle"}, {211, " 0 degrees"}});
      // The message label is wider than a name label, as wide as 90 units.
      const BaseUnits base = DialogBaseUnits(DialogHandle);
      QCOMPARE(Control(181)->width(), MulDiv(390, base.x, 4) - MulDiv(300, base.x, 4));
    });
  }

  // State: "Cs-R" with the capacitance left blank. Action: Calc.
  // Expected: Bp is not a number: inductance rows, no Q and D rows.
  void calcWithNotANumberSusceptance() {
    RunProgram([] {
      Click(106);
      TypeInto(153, QStringLiteral("10"));
      Click(108);
      QVERIFY(std::isnan(TheCalcState.Bp));
      CheckPanel({{175, "Z"}, {201, " 9.99999999999999E+998 TOhms"}, {176, "Rs"},
                  {202, " 10 Ohms"}, {177, "Xs"}, {203, "-9.99999999999999E+998 TOhms"},
                  {178, "Y"}, {204, " 0 amhos"}, {179, "Gp"}, {205, " 0 amhos"}, {180, "Bp"},
                  {206, " 0 amhos"}, {181, "Ls"}, {207, "-9.99999999999999E+998 TH"},
                  {182, "Lp"}, {208, " 0 aH"}, {188, "Rp"},
                  {212, " 9.99999999999999E+998 TOhms"}, {185, "Phase angle"},
                  {211, " 0 degrees"}});
    });
  }

  // State: a result on screen. Action: another mode. Expected: the panel stays.
  void modeChangeKeepsTheResults() {
    RunProgram([] {
      Click(102);
      TypeInto(152, QStringLiteral("1"));
      TypeInto(153, QStringLiteral(".01"));
      Click(108);
      QCOMPARE(TextOf(207), QStringLiteral(" 1 uF"));
      QCOMPARE(TextOf(211), QStringLiteral("-89.43 degrees"));
      const std::set<int> before = ShownPanelIds();
      Click(116);
      QCOMPARE(ShownPanelIds(), before);
      QCOMPARE(TextOf(207), QStringLiteral(" 1 uF"));
    });
  }

  // State: before and after a Calc. Action: "(c)". Expected: the seven-line
  // information text with its caption, and the window unchanged.
  void aboutBoxShowsSevenLines() {
    RunProgram([] {
      Click(118);
      Settle(50);
      Click(102);
      TypeInto(152, QStringLiteral("1"));
      Click(108);
      const std::set<int> before = ShownIds();
      Click(118);
      Settle(50);
      QCOMPARE(ShownIds(), before);
      QCOMPARE(SeenBoxes.size(), std::size_t(2));
      for (const SeenBox& box : SeenBoxes) {
        QCOMPARE(box.title, QStringLiteral("Calvora "));
        const QStringList lines = box.text.split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 7);
        QVERIFY(lines[0].startsWith(QStringLiteral("Calvora")));
        QCOMPARE(lines[1], QStringLiteral(
                               "No responsibilities are assumed for inaccuracy, lack of suitability"));
        QCOMPARE(lines[6], QStringLiteral("Thanks for using those great General Radio Corp. "
                                          "bridges and standards!"));
        QVERIFY(!box.text.contains(QLatin1Char('\r')));
        QCOMPARE(box.buttonCount, 1);
        QVERIFY(!box.hasIcon);
      }
    });
  }

  // State: a mode with a typed value, caret in a row. Action: Enter, Esc,
  // on the text box and on a button. Expected: the window stays open and
  // nothing is computed or rebuilt.
  void enterAndEscLeaveTheWindowOpen() {
    RunProgram([] {
      Click(104);
      TypeInto(152, QStringLiteral("10"));
      for (int target : {152, 108, 120}) {
        QTest::keyClick(Control(target), Qt::Key_Return);
        QTest::keyClick(Control(target), Qt::Key_Enter);
        QTest::keyClick(Control(target), Qt::Key_Escape);
      }
      Settle(50);
      QVERIFY(MainWindow() && MainWindow()->isVisible());
      QCOMPARE(TextOf(152), QStringLiteral("10"));
      QVERIFY(ShownPanelIds().empty());
      QVERIFY(SeenBoxes.empty());
    });
  }
};

QTEST_MAIN(MainWindowTests)
#include "MainWindowTests.moc"
