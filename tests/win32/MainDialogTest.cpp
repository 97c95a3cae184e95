// The whole main dialog over the Win32 toolkit: RunMainDialog runs for real
// and scripted steps drive it from a timer inside its modal loop.
//
// Test plan:
//  1. The 21 fixed controls: identifiers, classes, captions, rectangles
//     equal to MapDialogRect of their dialog units; nothing else at start.
//  2. Every mode button: its rows' labels, default texts and units, the
//     hint, the rows it must not have, and the caret in its focus row.
//  3. Calc through BM_CLICK with entries set by WM_SETTEXT: the panel read
//     back by identifier; a second Calc of the other sign leaves no stale row.
//  4. The warning (Calc before a mode) and the information box, found by
//     their caption and closed from the timer.
//  5. Enter and Esc through the loop leave the dialog open and unchanged.
//  6. 1,000 Calcs leave the window, record and GDI object counts unchanged.
//  7. Print with no printer available ends silently with no job attached.
//  8. WM_SYSCOMMAND SC_CLOSE ends RunMainDialog with 0 and frees every record.
#include "Win32TestSupport.h"

#include "dialog/MainDialog.h"
#include "present/ResultContent.h"

#include <gtest/gtest.h>

#include <map>

namespace {

HWND MainWindow() { return reinterpret_cast<HWND>(DialogHandle); }

HWND Child(int id) { return GetDlgItem(MainWindow(), id); }

void Click(int id) { SendMessageW(Child(id), BM_CLICK, 0, 0); }

void SetEntry(int row, const wchar_t* text) {
  SendMessageW(Child(EntryBoxId(row)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

int ButtonOf(const char* caption) {
  const ModeDescriptor* mode = FindModeByCaption(caption);
  return mode != nullptr ? mode->buttonId : 0;
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// Resets the program's process-wide values and runs the dialog with `steps`.
StepScript RunProgram(std::vector<std::function<void()>> steps, int* result = nullptr) {
  TheCalcState = CalcState{};
  ModeId = 0;
  DialogHandle = nullptr;
  StepScript script;
  script.target = [] { return IsWindow(MainWindow()) ? MainWindow() : nullptr; };
  script.steps = std::move(steps);
  StartScript(script);
  const int r = RunMainDialog();
  StopScript();
  if (result != nullptr)
    *result = r;
  EXPECT_FALSE(script.timedOut) << "the scripted run did not finish";
  return script;
}

// ---- 1. Fixed controls ------------------------------------------------------

TEST(MainDialog, FixedControlsCaptionsAndRectangles) {
  RunProgram({[] {
    const HWND h = MainWindow();
    EXPECT_EQ(WindowText(h), L"Calvora Impedance Calculator 1.03");
    EXPECT_EQ(CountChildWindows(h), 21) << "only the fixed controls at start";
    EXPECT_EQ(CountToolkitRecords().controls, 21u);
    const auto style = static_cast<std::uint32_t>(GetWindowLongW(h, GWL_STYLE));
    EXPECT_EQ(style & 0x00CF0000u, 0x00CF0000u) << std::hex << style;
    EXPECT_NE(SendMessageW(h, WM_GETICON, ICON_BIG, 0), 0) << "TBICON set";
    for (const FixedControl& c : FixedControls) {
      const HWND control = Child(c.id);
      ASSERT_NE(control, nullptr) << c.id;
      EXPECT_EQ(WindowText(control), Widen(c.caption)) << c.id;
      EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), L"Button"), 0) << c.id;
      const auto s = static_cast<std::uint32_t>(GetWindowLongW(control, GWL_STYLE));
      const unsigned kindBits =
          c.kind == ControlKind::Frame ? BS_GROUPBOX : WS_TABSTOP | BS_PUSHBUTTON;
      EXPECT_EQ(s & (BS_TYPEMASK | WS_TABSTOP), kindBits) << c.id;
      const RECT expected = MappedRect(h, c.x, c.y, c.width, c.height);
      const RECT got = ChildRect(control);
      EXPECT_TRUE(EqualRect(&expected, &got))
          << c.id << " expected " << RectText(expected) << " got " << RectText(got);
    }
    EXPECT_EQ(WindowText(Child(112)), L"Cs||Cs");
    EXPECT_EQ(WindowText(Child(114)), L"Ls||Ls");
  }});
}

// ---- 2. Modes ----------------------------------------------------------------

TEST(MainDialog, EveryModeBuildsItsRowsHintAndFocus) {
  std::vector<std::function<void()>> steps;
  for (const ModeDescriptor& mode : ModeCatalogue) {
    steps.push_back([&mode] { Click(mode.buttonId); });
    steps.push_back([&mode] {
      const HWND h = MainWindow();
      const DialogLayoutValues& L = DialogLayout;
      const int rowY[5] = {L.RowY1, L.RowY2, L.RowY3, L.RowY4, L.RowY5};
      EXPECT_EQ(ModeId, mode.ModeId) << mode.caption;
      for (int k = 1; k <= 5; ++k) {
        const bool present = k <= mode.rowCount;
        const EntryRowDefinition& row = mode.rows[k - 1];
        const int labelId = EntryLabelIds[k - 1];
        if (!present) {
          EXPECT_EQ(Child(labelId), nullptr) << mode.caption << " row " << k;
          EXPECT_EQ(Child(EntryBoxId(k)), nullptr) << mode.caption << " row " << k;
          continue;
        }
        EXPECT_EQ(ChildText(h, labelId), Widen(row.name)) << mode.caption << " row " << k;
        EXPECT_EQ(ChildText(h, EntryBoxId(k)), Widen(row.defaultText))
            << mode.caption << " row " << k;
        if (k <= 4) {
          EXPECT_EQ(ChildText(h, EntryUnitId(k)), row.unit ? Widen(row.unit) : L"<none>")
              << mode.caption << " row " << k;
        }
        const RECT box = ChildRect(Child(EntryBoxId(k)));
        const RECT expected = MappedRect(h, L.EntryX, rowY[k - 1], L.ValueWidth, L.RowHeight);
        EXPECT_TRUE(EqualRect(&box, &expected)) << mode.caption << " row " << k;
        const auto ex = static_cast<std::uint32_t>(GetWindowLongW(Child(EntryBoxId(k)), GWL_EXSTYLE));
        EXPECT_NE(ex & WS_EX_CLIENTEDGE, 0u) << "sunken entry box";
      }
      EXPECT_EQ(ChildText(h, ModeHintId), Widen(mode.hint)) << mode.caption;
      EXPECT_EQ(GetFocus(), Child(EntryBoxId(mode.focusRow))) << mode.caption;
    });
  }
  RunProgram(std::move(steps));
}

// ---- 3. Calc -------------------------------------------------------------------

using PanelTexts = std::map<int, std::wstring>;

struct CalcCase {
  const char* label;
  const char* mode;
  std::vector<const wchar_t*> entries; // row 1 first; nullptr keeps the default
  PanelTexts expected;                 // identifier -> text; L"<none>" = absent
};

const CalcCase CalcCases[] = {
    {"1 uF with DF .01",
     "Cs-D",
     {nullptr, L"1", L".01"},
     {{203, L"-159.1549 Ohms"}, {202, L" 1.5915 Ohms"}, {181, L"Cs"}, {207, L" 1 uF"},
      {185, L"Phase angle"}, {211, L"-89.43 degrees"}}},
    {"1 uF with 10 ohms in series",
     "Cs-R",
     {nullptr, L"1", L"10"},
     {{175, L"Z"}, {201, L" 159.4688 Ohms"}, {202, L" 10 Ohms"}, {203, L"-159.1549 Ohms"},
      {204, L" 6.27 mmhos"}, {205, L" 393.23 umhos"}, {206, L" 6.26 mmhos"}, {207, L" 1 uF"},
      {182, L"Cp"}, {208, L" 996.0677 nF"}, {188, L"Rp"}, {212, L" 2.543 kOhms"},
      {209, L" 15.9155"}, {210, L" .0628"}, {211, L"-86.4 degrees"}}},
    {"10 mH with 5 ohms in series",
     "Ls-R",
     {nullptr, L"10", L"5"},
     {{181, L"Ls"}, {207, L" 10 mH"}, {182, L"Lp"}, {208, L" 10.0633 mH"},
      {206, L"-15.82 mmhos"}, {209, L" 12.5664"}, {210, L" .0796"},
      {211, L" 85.45 degrees"}}},
};

TEST(MainDialog, CalcShowsThePanelByIdentifier) {
  for (const CalcCase& c : CalcCases) {
    PanelTexts got;
    RunProgram({
        [&] { Click(ButtonOf(c.mode)); },
        [&] {
          for (std::size_t k = 0; k < c.entries.size(); ++k)
            if (c.entries[k] != nullptr)
              SetEntry(int(k) + 1, c.entries[k]);
          Click(CalcButtonId);
        },
        [&] {
          for (const auto& [id, text] : c.expected)
            got[id] = ChildText(MainWindow(), id);
        },
    });
    for (const auto& [id, text] : c.expected)
      EXPECT_EQ(got[id], text) << c.label << ", control " << id;
  }
}

TEST(MainDialog, SecondCalcReplacesTheWholePanel) {
  PanelTexts afterResistive;
  int childrenAfterResistive = 0;
  RunProgram({
      [] { Click(ButtonOf("Cs-D")); },
      [] {
        SetEntry(2, L"1");
        SetEntry(3, L".01");
        Click(CalcButtonId);
      },
      [] { Click(ButtonOf("R-X")); },
      [] {
        // The earlier results stay while only the mode changes.
        EXPECT_EQ(ChildText(MainWindow(), 207), L" 1 uF");
        SetEntry(3, L"0");
        SetEntry(4, L"100");
        Click(CalcButtonId);
      },
      [&] {
        for (int id : {181, 182, 207, 208, 183, 184, 209, 210, 211})
          afterResistive[id] = ChildText(MainWindow(), id);
        childrenAfterResistive = CountChildWindows(MainWindow());
      },
  });
  EXPECT_EQ(afterResistive[181], L"Device is purely resistive");
  for (int id : {182, 207, 208, 183, 184, 209, 210})
    EXPECT_EQ(afterResistive[id], L"<none>") << "stale control " << id;
  EXPECT_EQ(afterResistive[211], L" 0 degrees");
  // 21 fixed; R-X's 4 rows of 3 and the hint; 9 panel names and 8 values.
  EXPECT_EQ(childrenAfterResistive, 21 + 12 + 1 + 17);
}

// ---- 4. Message boxes ------------------------------------------------------------

TEST(MainDialog, WarningAndInformationBoxes) {
  int childrenAfter = 0;
  const StepScript script = RunProgram({
      [] { Click(CalcButtonId); },
      [] { Click(AboutButtonId); },
      [&] { childrenAfter = CountChildWindows(MainWindow()); },
  });
  ASSERT_EQ(script.boxes.size(), 2u);
  EXPECT_EQ(script.boxes[0].caption, L"Calvora");
  EXPECT_EQ(script.boxes[0].text, L"Please select a mode then enter some data!");
  EXPECT_EQ(script.boxes[1].caption, L"Calvora ");
  EXPECT_EQ(script.boxes[1].text, Widen(AboutBoxText));
  EXPECT_EQ(childrenAfter, 21) << "neither box adds or removes a control";
}

// ---- 5. Enter and Esc -----------------------------------------------------------

TEST(MainDialog, EnterAndEscLeaveTheDialogOpen) {
  bool open = false;
  std::wstring entry;
  RunProgram({
      [] { Click(ButtonOf("Cs-D")); },
      [] {
        SetEntry(2, L"4.7");
        const HWND focus = GetFocus();
        for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE), WPARAM(VK_RETURN)}) {
          PostMessageW(focus, WM_KEYDOWN, key, 1);
          PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        }
      },
      [&] {
        open = IsWindowVisible(MainWindow()) != FALSE;
        entry = ChildText(MainWindow(), EntryBoxId(2));
      },
  });
  EXPECT_TRUE(open);
  EXPECT_EQ(entry, L"4.7");
}

// ---- 6. 1,000 Calcs ----------------------------------------------------------------

TEST(MainDialog, ThousandCalcsLeakNoWindowOrGdiObject) {
  int windowsBefore = 0, windowsAfter = 0;
  ToolkitRecordCounts recordsBefore{}, recordsAfter{};
  unsigned gdiBefore = 0, gdiAfter = 0;
  RunProgram({
      [] { Click(ButtonOf("Cs-D")); },
      [&] {
        SetEntry(2, L"1");
        SetEntry(3, L".01");
        Click(CalcButtonId); // the first panel exists before counting
        windowsBefore = CountChildWindows(MainWindow());
        recordsBefore = CountToolkitRecords();
        gdiBefore = CountGdiObjects();
        for (int i = 0; i < 1000; ++i)
          Click(CalcButtonId);
        windowsAfter = CountChildWindows(MainWindow());
        recordsAfter = CountToolkitRecords();
        gdiAfter = CountGdiObjects();
      },
  });
  EXPECT_EQ(windowsAfter, windowsBefore);
  EXPECT_EQ(recordsAfter.controls, recordsBefore.controls);
  EXPECT_GT(gdiBefore, 0u) << "GDI objects could not be counted";
  EXPECT_EQ(gdiAfter, gdiBefore);
}

// ---- 7. Print without a printer -----------------------------------------------------

TEST(MainDialog, PrintWithoutPrinterEndsSilently) {
  std::string attached = "?";
  bool open = false;
  const StepScript script = RunProgram({
      [] { Click(PrintButtonId); },
      [&] {
        attached = AttachedPrinterName();
        open = IsWindowVisible(MainWindow()) != FALSE;
      },
  });
  EXPECT_EQ(attached, "");
  EXPECT_TRUE(open);
  for (const SeenBox& box : script.boxes)
    EXPECT_NE(box.caption.rfind(L"Calvora", 0), 0u) << "the program itself reports nothing";
}

// ---- 8. Close ------------------------------------------------------------------------

TEST(MainDialog, SysCommandCloseEndsTheRunWithZero) {
  int result = -1;
  HWND window = nullptr;
  RunProgram({[&] { window = MainWindow(); }}, &result);
  EXPECT_EQ(result, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(CountToolkitRecords().dialogs, 0u);
  EXPECT_EQ(CountToolkitRecords().controls, 0u);
}

} // namespace
