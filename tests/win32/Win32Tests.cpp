// The Win32 toolkit, the main dialog and the printed report with real
// windows and a real GDI device context, in-process under the modal loops.
//
// Test plan:
//  1. The dialog: exact style (hidden, centred, font bits), title and font.
//  2. Each control kind: class, exact style bits (GetWindowLong), font and
//     rectangle (MapDialogRect of its dialog units); texts round-trip (one
//     space, empty, 8-bit, longer than the box, missing control);
//     RemoveControl; destroying the dialog forgets every record.
//  3. Icons at 32 and 16 pixels, a missing icon sets nothing, replacing
//     frees the first pair; the sound resource of type "SOUND".
//  4. RunModal: the two direct calls before showing, Enter and Esc through
//     IsDialogMessageW arriving as IDOK and IDCANCEL with the dialog left
//     open, a callback result as the message result, SC_CLOSE then WM_CLOSE
//     ending the loop.
//  5. The numeric mode is back after every toolkit operation.
//  6. Main dialog: the 21 fixed controls (caption, kind, rectangle); SC_CLOSE
//     ends RunMainDialog with 0 and frees every record.
//  7. Every mode: row labels, default texts, units, absent rows, the hint
//     and the focus row (the sixteen catalogue modes in turn).
//  8. Calc by BM_CLICK after WM_SETTEXT, the panel read back by identifier,
//     one run for all cases so that no row outlives its panel; Enter and Esc
//     on the way leave the dialog open.
//  9. The warning and information boxes, found by caption and closed from
//     the timer; Print without a printer ends with no job and no message.
// 10. 1,000 Calcs leave the window, record and GDI object counts unchanged.
// 11. The report's lines drawn into an enhanced metafile and read back: the
//     texts, the font, the alignment and the line pitch; detaching frees the
//     font and nothing prints unattached.
#include "core/RunCalc.h"
#include "dialog/MainDialog.h"
#include "platform/win32/Win32Toolkit.h"
#include "present/ResultContent.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>

namespace {

HWND Hwnd(WindowRef ref) { return reinterpret_cast<HWND>(ref); }

std::wstring Text(HWND window) {
  wchar_t buffer[1024] = L"<none>";
  if (window != nullptr)
    GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::wstring ChildText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }

std::wstring Widen(const char* text) { return WideFromProgramText(text); }

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

int CountChildren(HWND window) {
  int n = 0;
  for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    ++n;
  return n;
}

// A control's rectangle in its dialog's client area, and what MapDialogRect
// makes of a rectangle in dialog units, as {left, top, right, bottom}.
std::array<LONG, 4> ChildRect(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

std::array<LONG, 4> Mapped(HWND dialog, int x, int y, int width, int height) {
  RECT r{x, y, x + width, y + height};
  MapDialogRect(dialog, &r);
  return {r.left, r.top, r.right, r.bottom};
}

// Live GDI objects of this process. Wine's GetGuiResources answers 0, so
// under Wine the shared handle table whose address Wine keeps in the process
// environment block (fs:0x30, offset 0x94) is read: 24-byte entries, the
// type byte at offset 14, 0 for a free slot.
unsigned CountGdiObjects() {
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr)
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const unsigned char* peb = nullptr;
  __asm__("movl %%fs:0x30, %0" : "=r"(peb));
  const auto* table = *reinterpret_cast<const unsigned char* const*>(peb + 0x94);
  unsigned count = 0;
  for (int i = 0; table != nullptr && i < 0x10000; ++i)
    count += table[i * 24 + 14] != 0 ? 1 : 0;
  return count;
}

// Steps run one per timer tick inside the modal loop of the dialog that
// DialogHandle names; after the last one (or two minutes) that dialog gets
// WM_SYSCOMMAND SC_CLOSE. Every other visible dialog-class window of the
// thread (a message box) is recorded as {caption, text} and cancelled.
struct Script {
  std::vector<std::function<void()>> steps;
  std::vector<std::pair<std::wstring, std::wstring>> boxes;
  std::size_t next = 0;
  bool busy = false, closeSent = false;
  int result = -1; // of RunMainDialog
  DWORD start = GetTickCount();
};
Script* Running = nullptr;

HWND Target() { return IsWindow(Hwnd(DialogHandle)) ? Hwnd(DialogHandle) : nullptr; }

BOOL CALLBACK CancelBox(HWND window, LPARAM) {
  if (IsWindowVisible(window) && window != Target() && ClassOf(window) == L"#32770") {
    Running->boxes.emplace_back(Text(window), ChildText(window, 0xFFFF));
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  }
  return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  Script& s = *Running;
  if (Target() == nullptr)
    return;
  EnumThreadWindows(GetCurrentThreadId(), CancelBox, 0);
  if (s.busy || s.closeSent)
    return;
  s.busy = true;
  if (s.next < s.steps.size() && GetTickCount() - s.start < 120000)
    s.steps[s.next++]();
  else
    s.closeSent = PostMessageW(Target(), WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE;
  s.busy = false;
}

// Runs `modal` with the script's timer going; every step must have run.
void RunScripted(Script& script, const std::function<void()>& modal) {
  Running = &script;
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, Tick);
  modal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(script.next, script.steps.size()) << "the run ended early or timed out";
}

// ---- 1-5. The toolkit ---------------------------------------------------------

WindowRef NewTestDialog() {
  SetDialogFont("Arial", 10, 0, 0);
  return NewDialog(UnitMode::DialogUnits, nullptr, "Toolkit test", std::nullopt, std::nullopt,
                   450, 290, 0x00CF0000, 0);
}

TEST(Toolkit, DialogControlsTextsIconsAndRecords) {
  const ToolkitRecordCounts start = CountToolkitRecords();
  const WindowRef dialog = NewTestDialog();
  const HWND h = Hwnd(dialog);
  // Overlapped-window bits as asked, plus font, no-fail, 3D look and centred;
  // hidden until RunModal shows it.
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE), 0x00CF0854 | WS_CLIPSIBLINGS);
  EXPECT_EQ(Text(h), L"Toolkit test");
  const auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  GetObjectW(font, sizeof lf, &lf);
  const HDC screen = GetDC(nullptr);
  EXPECT_EQ(lf.lfHeight, -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);
  EXPECT_STREQ(lf.lfFaceName, L"Arial");

  struct Case {
    ControlKind kind;
    std::uint32_t style;
    const char* text;
    const wchar_t* className;
    std::uint32_t expected, expectedEx;
  };
  const Case cases[] = {
      {ControlKind::Button, 0, "Calc", L"Button", 0x50010000, 0},            // push button, tab stop
      {ControlKind::Button, BS_DEFPUSHBUTTON, "", L"Button", 0x50000001, 0}, // child, visible added
      {ControlKind::Frame, WS_TABSTOP | BS_CHECKBOX, "F", L"Button", 0x50000007, 0}, // group box only
      {ControlKind::Label, 0, "\xB5" "F \xB0", L"Static", 0x50000000, 0},   // 8-bit text
      {ControlKind::TextBox, 0, " ", L"Edit", 0x50010080, WS_EX_CLIENTEDGE}, // sunken, no border
      {ControlKind::TextBox, WS_BORDER, "-1.5e-3 and a text longer than its box", L"Edit", 0x50800000, 0},
  };
  for (int i = 0; i < 6; ++i) {
    const Case& c = cases[i];
    AddControl(c.kind, dialog, 300 + i, c.text, 20, 10 + 20 * i, 65, 14, c.style, 0);
    const HWND control = GetDlgItem(h, 300 + i);
    EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), c.className), 0) << i;
    EXPECT_EQ(ControlStylesFor(c.kind, c.style, 0).style, c.expected) << i;
    // The edit class draws a requested border itself and drops the bit.
    const std::uint32_t dropped = c.kind == ControlKind::TextBox ? WS_BORDER : 0;
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongW(control, GWL_STYLE)), c.expected & ~dropped) << i;
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongW(control, GWL_EXSTYLE)), c.expectedEx) << i;
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), font) << i;
    EXPECT_EQ(ChildRect(control), Mapped(h, 20, 10 + 20 * i, 65, 14)) << i;
    EXPECT_EQ(GetControlText(dialog, 300 + i), c.text) << i;
  }
  EXPECT_EQ(GetControlText(dialog, 399), "") << "missing control";

  const HWND first = GetDlgItem(h, 300);
  RemoveControl(dialog, 300);
  RemoveControl(dialog, 300); // again, and one never added: nothing happens
  RemoveControl(dialog, 399);
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(CountToolkitRecords().controls, start.controls + 5);

  SetDialogIcon(dialog, "NOSUCHICON");
  EXPECT_EQ(SendMessageW(h, WM_GETICON, ICON_BIG, 0), 0) << "a missing icon sets nothing";
  SetDialogIcon(dialog, "TBICON");
  const unsigned gdi = CountGdiObjects();
  SetDialogIcon(dialog, "TBICON");
  EXPECT_EQ(CountGdiObjects(), gdi) << "the new pair replaces and frees the first";
  for (const auto& [which, size] : {std::pair{ICON_BIG, 32}, std::pair{ICON_SMALL, 16}}) {
    ICONINFO info{};
    BITMAP bitmap{};
    GetIconInfo(reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, which, 0)), &info);
    GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_EQ(bitmap.bmWidth, size) << which;
  }
  DestroyWindow(h);
  EXPECT_EQ(CountToolkitRecords().dialogs, start.dialogs);
  EXPECT_EQ(CountToolkitRecords().controls, start.controls);
}

TEST(Toolkit, SoundResourceOfTypeSound) {
  const std::span<const std::byte> wav = FindSoundResource("glass_a");
  ASSERT_EQ(wav.size(), 31182u);
  EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVE", 4), 0);
  EXPECT_FALSE(PlayResourceSound("nosuch")) << "a missing sound plays nothing, not a default";
}

std::string Trace;
constexpr unsigned AskForAnswer = WM_APP + 7;

// Notes the messages the test is about; a WM_SIZE only while the dialog is
// still hidden (the platform sends its own when the window is shown).
std::intptr_t Recorder(WindowRef dialog, unsigned message, std::uintptr_t w, std::intptr_t l) {
  char entry[64] = "";
  if (message == WM_INITDIALOG || (message == WM_SIZE && !IsWindowVisible(Hwnd(dialog))))
    std::snprintf(entry, sizeof entry, "%s %u %ld;", message == WM_SIZE ? "size" : "init",
                  unsigned(w), long(l));
  else if (message == WM_COMMAND && (w == IDOK || w == IDCANCEL))
    std::snprintf(entry, sizeof entry, w == IDOK ? "ok;" : "cancel;");
  else if ((message == WM_SYSCOMMAND && w == SC_CLOSE) || message == WM_CLOSE || message == AskForAnswer)
    std::snprintf(entry, sizeof entry, message == WM_CLOSE ? "close;" : message == AskForAnswer ? "answer;" : "sysclose;");
  Trace += entry;
  return message == AskForAnswer ? 42 : 0;
}

TEST(Toolkit, RunModal) {
  Trace.clear();
  RunModal(nullptr, Recorder);
  EXPECT_EQ(Trace, "init 0 0;size 0 0;") << "an unknown dialog gets the two calls only";

  Trace.clear();
  DialogHandle = NewTestDialog();
  const HWND h = Hwnd(DialogHandle);
  AddControl(ControlKind::TextBox, DialogHandle, 151, "1000", 100, 90, 65, 10, 0, 0);
  RECT client{};
  GetClientRect(h, &client);
  LRESULT answer = 0;
  Script script;
  script.steps = {
      [&] {
        SetControlFocus(DialogHandle, 151);
        for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) {
          PostMessageW(GetDlgItem(h, 151), WM_KEYDOWN, key, 1);
          PostMessageW(GetDlgItem(h, 151), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        }
      },
      [&] { answer = SendMessageW(h, AskForAnswer, 0, 0); },
  };
  RunScripted(script, [] { RunModal(DialogHandle, Recorder); });
  EXPECT_EQ(Trace, "init 0 0;size 0 " + std::to_string(MAKELPARAM(client.right, client.bottom)) +
                       ";ok;cancel;answer;sysclose;close;");
  EXPECT_EQ(answer, 42) << "a nonzero callback result is the message result";
  EXPECT_FALSE(IsWindow(h));
}

TEST(Toolkit, NumericModeRestoredAfterEveryOperation) {
  const WindowRef dialog = NewTestDialog();
  const std::function<void()> operations[] = {
      [] { SetDialogFont("Arial", 10, 0, 0); },
      [&] { AddControl(ControlKind::TextBox, dialog, 151, "1", 100, 90, 65, 10, 0, 0); },
      [&] { GetControlText(dialog, 151); },
      [&] { SetControlFocus(dialog, 151); },
      [&] { SetDialogIcon(dialog, "TBICON"); },
      [&] { RemoveControl(dialog, 151); },
      [] { PlayResourceSound("nosuch"); },
      [] { DestroyWindow(Hwnd(NewTestDialog())); },
  };
  for (int i = 0; i < 8; ++i) {
    // x87: 53-bit precision, round toward zero; SSE: flush to zero, round down.
    const unsigned short corruptWord = 0x0E7F;
    const unsigned corruptCsr = 0xBF80;
    __asm__ volatile("fldcw %0\n\tldmxcsr %1" : : "m"(corruptWord), "m"(corruptCsr));
    operations[i]();
    unsigned short word = 0;
    unsigned csr = 0;
    __asm__ volatile("fnstcw %0\n\tstmxcsr %1" : "=m"(word), "=m"(csr));
    EXPECT_EQ(word & 0x0F3F, 0x033F) << "operation " << i;
    EXPECT_EQ(csr & 0xFFC0, 0x1F80u) << "operation " << i;
  }
  DestroyWindow(Hwnd(dialog));
}

// ---- 6-10. The main dialog ------------------------------------------------------

HWND Child(int id) { return GetDlgItem(Hwnd(DialogHandle), id); }

void Click(int id) { SendMessageW(Child(id), BM_CLICK, 0, 0); }

void SetEntry(int row, const wchar_t* text) {
  SendMessageW(Child(EntryBoxId(row)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

int ButtonOf(const char* caption) { return FindModeByCaption(caption)->buttonId; }

// Runs the main dialog from fresh process-wide values with `steps` driven
// from its modal loop.
Script RunProgram(std::vector<std::function<void()>> steps) {
  TheCalcState = CalcState{};
  ModeId = 0;
  DialogHandle = nullptr;
  Script script;
  script.steps = std::move(steps);
  RunScripted(script, [&script] { script.result = RunMainDialog(); });
  return script;
}

TEST(MainDialog, FixedControlsThenCloseEndsTheRunWithZero) {
  HWND window = nullptr;
  const Script script = RunProgram({[&] {
    window = Hwnd(DialogHandle);
    EXPECT_EQ(Text(window), L"Calvora Impedance Calculator 1.03");
    EXPECT_EQ(CountChildren(window), 21) << "only the fixed controls at start";
    EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
    for (const FixedControl& c : FixedControls) {
      EXPECT_EQ(Text(Child(c.id)), Widen(c.caption)) << c.id;
      const auto style = static_cast<std::uint32_t>(GetWindowLongW(Child(c.id), GWL_STYLE));
      EXPECT_EQ(style & (BS_TYPEMASK | WS_TABSTOP),
                c.kind == ControlKind::Frame ? BS_GROUPBOX : WS_TABSTOP | BS_PUSHBUTTON) << c.id;
      EXPECT_EQ(ChildRect(Child(c.id)), Mapped(window, c.x, c.y, c.width, c.height)) << c.id;
    }
  }});
  EXPECT_EQ(script.result, 0);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(CountToolkitRecords().dialogs, 0u);
  EXPECT_EQ(CountToolkitRecords().controls, 0u);
}

TEST(MainDialog, EveryModeBuildsItsRowsHintAndFocus) {
  std::vector<std::function<void()>> steps;
  for (const ModeDescriptor& mode : ModeCatalogue) {
    steps.push_back([&mode] { Click(mode.buttonId); });
    steps.push_back([&mode] {
      const HWND h = Hwnd(DialogHandle);
      EXPECT_EQ(ModeId, mode.ModeId) << mode.caption;
      for (int k = 1; k <= 5; ++k) {
        const EntryRowDefinition& row = mode.rows[k - 1];
        const bool shown = k <= mode.rowCount;
        const std::string at = std::string(mode.caption) + " row " + std::to_string(k);
        EXPECT_EQ(ChildText(h, EntryLabelIds[k - 1]), shown ? Widen(row.name) : L"<none>") << at;
        EXPECT_EQ(ChildText(h, EntryBoxId(k)), shown ? Widen(row.defaultText) : L"<none>") << at;
        EXPECT_EQ(ChildText(h, EntryUnitId(k)), shown && row.unit ? Widen(row.unit) : L"<none>") << at;
      }
      EXPECT_EQ(ChildText(h, ModeHintId), Widen(mode.hint)) << mode.caption;
      EXPECT_EQ(GetFocus(), Child(EntryBoxId(mode.focusRow))) << mode.caption;
    });
  }
  RunProgram(std::move(steps));
}

struct CalcCase {
  const char* mode;
  std::vector<const wchar_t*> entries;   // row 1 first; nullptr keeps the default
  std::map<int, std::wstring> expected;  // identifier -> text, L"<none>" when absent
  int children;                          // 0: not counted
};

const CalcCase CalcCases[] = {
    {"Cs-R", {nullptr, L"1", L"10"},
     {{175, L"Z"}, {201, L" 159.4688 Ohms"}, {202, L" 10 Ohms"}, {203, L"-159.1549 Ohms"},
      {204, L" 6.27 mmhos"}, {205, L" 393.23 umhos"}, {206, L" 6.26 mmhos"}, {207, L" 1 uF"},
      {182, L"Cp"}, {208, L" 996.0677 nF"}, {188, L"Rp"}, {212, L" 2.543 kOhms"},
      {209, L" 15.9155"}, {210, L" .0628"}, {211, L"-86.4 degrees"}}, 0},
    {"Ls-R", {nullptr, L"10", L"5"},
     {{181, L"Ls"}, {207, L" 10 mH"}, {182, L"Lp"}, {208, L" 10.0633 mH"}, {206, L"-15.82 mmhos"},
      {209, L" 12.5664"}, {210, L" .0796"}, {211, L" 85.45 degrees"}}, 0},
    // 21 fixed; 4 rows of 3 and the hint; 9 panel names and 8 values.
    {"R-X", {nullptr, nullptr, L"0", L"100"},
     {{181, L"Device is purely resistive"}, {182, L"<none>"}, {207, L"<none>"}, {208, L"<none>"},
      {183, L"<none>"}, {184, L"<none>"}, {209, L"<none>"}, {210, L"<none>"}, {211, L" 0 degrees"}},
     21 + 12 + 1 + 17},
};

TEST(MainDialog, CalcShowsThePanelByIdentifier) {
  std::vector<std::function<void()>> steps;
  for (const CalcCase& c : CalcCases) {
    steps.push_back([&c] { Click(ButtonOf(c.mode)); });
    steps.push_back([&c] {
      for (std::size_t k = 0; k < c.entries.size(); ++k)
        if (c.entries[k] != nullptr)
          SetEntry(int(k) + 1, c.entries[k]);
      Click(CalcButtonId);
      for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)}) { // must change nothing
        PostMessageW(Child(EntryBoxId(1)), WM_KEYDOWN, key, 1);
        PostMessageW(Child(EntryBoxId(1)), WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
      }
    });
    steps.push_back([&c] {
      for (const auto& [id, text] : c.expected)
        EXPECT_EQ(ChildText(Hwnd(DialogHandle), id), text) << c.mode << ", control " << id;
      if (c.children != 0) {
        EXPECT_EQ(CountChildren(Hwnd(DialogHandle)), c.children) << c.mode;
      }
    });
  }
  RunProgram(std::move(steps));
}

TEST(MainDialog, WarningInformationAndPrintWithoutPrinter) {
  std::string attached = "?";
  const Script script = RunProgram({
      [] { Click(CalcButtonId); },
      [] { Click(AboutButtonId); },
      [] { Click(PrintButtonId); },
      [&] { attached = AttachedPrinterName(); },
      [] { EXPECT_EQ(CountChildren(Hwnd(DialogHandle)), 21) << "no box adds or removes a control"; },
  });
  ASSERT_GE(script.boxes.size(), 2u);
  EXPECT_EQ(script.boxes[0], std::pair(std::wstring(L"Calvora"), Widen(NoModeWarning)));
  EXPECT_EQ(script.boxes[1], std::pair(std::wstring(L"Calvora "), Widen(AboutBoxText)));
  for (std::size_t i = 2; i < script.boxes.size(); ++i)
    EXPECT_NE(script.boxes[i].first.rfind(L"Calvora", 0), 0u) << "printing reports nothing itself";
  EXPECT_EQ(attached, "");
}

TEST(MainDialog, ThousandCalcsLeakNoWindowRecordOrGdiObject) {
  const auto counts = [] {
    return std::array<std::size_t, 3>{std::size_t(CountChildren(Hwnd(DialogHandle))),
                                      CountToolkitRecords().controls, CountGdiObjects()};
  };
  std::array<std::size_t, 3> before{}, after{};
  RunProgram({
      [] { Click(ButtonOf("Cs-D")); },
      [&] {
        SetEntry(2, L"1");
        SetEntry(3, L".01");
        Click(CalcButtonId); // the first panel exists before counting
        before = counts();
        for (int i = 0; i < 1000; ++i)
          Click(CalcButtonId);
        after = counts();
      },
  });
  EXPECT_GT(before[2], 0u) << "GDI objects could not be counted";
  EXPECT_EQ(after, before) << "child windows, control records, GDI objects";
}

// ---- 11. The printed report ---------------------------------------------------------

struct Page {
  std::vector<std::wstring> texts;
  std::vector<POINT> moves;
  std::vector<LOGFONTW> fonts;
  DWORD align = 0;
};

int CALLBACK ReadRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM p) {
  Page& page = *reinterpret_cast<Page*>(p);
  if (record->iType == EMR_EXTTEXTOUTW) {
    const auto* t = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
    const auto* chars = reinterpret_cast<const BYTE*>(record) + t->emrtext.offString;
    page.texts.emplace_back(reinterpret_cast<const wchar_t*>(chars), t->emrtext.nChars);
  } else if (record->iType == EMR_MOVETOEX) {
    const POINTL& to = reinterpret_cast<const EMRMOVETOEX*>(record)->ptl;
    page.moves.push_back({to.x, to.y});
  } else if (record->iType == EMR_EXTCREATEFONTINDIRECTW) {
    page.fonts.push_back(reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record)->elfw.elfLogFont);
  } else if (record->iType == EMR_SETTEXTALIGN) {
    page.align = reinterpret_cast<const EMRSETTEXTALIGN*>(record)->iMode;
  }
  return 1;
}

TEST(PrintedReport, LinesFontAndPitchThroughAMetafile) {
  CalcState state{};
  const std::string_view rows[] = {"1000", "1", "10"};
  RunCalc(state, FindModeByCaption("Cs-R")->ModeId, rows);
  const std::vector<std::string> lines = ReportLines(state);
  ASSERT_EQ(lines.size(), 13u);

  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateEnhMetaFileW(screen, nullptr, nullptr, nullptr);
  const unsigned gdi = CountGdiObjects();
  ASSERT_TRUE(AttachPrinterDC(dc, false, "Metafile", ""));
  EXPECT_EQ(AttachedPrinterName(), "Metafile");
  EXPECT_GT(CountGdiObjects(), gdi) << "the print font exists while attached";
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  for (const std::string& line : lines) {
    PrintText(line);
    PrintLineBreak();
  }
  DetachPrinter();
  EXPECT_EQ(CountGdiObjects(), gdi) << "detaching frees the print font";
  PrintText("never");
  PrintLineBreak();
  Page page;
  const HENHMETAFILE emf = CloseEnhMetaFile(dc);
  EnumEnhMetaFile(nullptr, emf, ReadRecord, &page, nullptr);
  DeleteEnhMetaFile(emf);

  std::vector<std::wstring> expected;
  for (const std::string& line : lines)
    expected.push_back(Widen(line.c_str()));
  EXPECT_EQ(page.texts, expected);
  ASSERT_EQ(page.fonts.size(), 1u);
  EXPECT_STREQ(page.fonts[0].lfFaceName, L"Lucida Console");
  EXPECT_EQ(page.fonts[0].lfHeight, -MulDiv(11, GetDeviceCaps(screen, LOGPIXELSY), 72));
  EXPECT_EQ(page.fonts[0].lfPitchAndFamily & 3, FIXED_PITCH);
  EXPECT_NE(page.align & TA_UPDATECP, 0u) << "text drawn at the current position";
  // The top-left corner first; each line break back to x = 0, one line down.
  ASSERT_EQ(page.moves.size(), lines.size() + 1);
  for (std::size_t i = 0; i < page.moves.size(); ++i) {
    EXPECT_EQ(page.moves[i].x, 0) << i;
    EXPECT_EQ(page.moves[i].y, LONG(i) * (metrics.tmHeight + metrics.tmExternalLeading)) << i;
  }
  ReleaseDC(nullptr, screen);
}

} // namespace
