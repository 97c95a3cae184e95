// The Win32 toolkit, main dialog and printed report with real windows and GDI, in-process under
// the modal loops (check_pe.py checks that the sound and print dialog DLLs are not imported).
#include "core/RunCalc.h"
#include "dialog/MainDialog.h"
#include "platform/win32/Win32Toolkit.h"
#include "present/ResultContent.h"
#include "tests/gui/NumericMode.h"
#include "tests/gui/UserModes.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

HWND Hwnd(WindowRef ref) { return reinterpret_cast<HWND>(ref); }

std::wstring Text(HWND window) { // "<none>" for a missing window
  wchar_t buffer[1024] = L"<none>";
  if (window != nullptr)
    GetWindowTextW(window, buffer, 1024);
  return buffer;
}

std::wstring Widen(const char *text) { return WideFromProgramText(text); }

int CountChildren(HWND window) {
  int n = 0;
  for (HWND c = GetWindow(window, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT))
    ++n;
  return n;
}

// Whether the control lies in its dialog's client area exactly where
// MapDialogRect puts this rectangle in dialog units.
bool PlacedAt(HWND control, int x, int y, int width, int height) {
  RECT expected{x, y, x + width, y + height}, actual{};
  MapDialogRect(GetParent(control), &expected);
  GetWindowRect(control, &actual);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT *>(&actual), 2);
  return EqualRect(&expected, &actual) != FALSE;
}

// Live GDI objects of this process. Wine's GetGuiResources answers 0: there
// the shared handle table named in the process environment block is read
// (24-byte entries, the type byte at offset 14, 0 for a free slot).
unsigned CountGdiObjects() {
  if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr)
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const unsigned char *peb = nullptr;
#ifdef _WIN64
  __asm__("movq %%gs:0x60, %0" : "=r"(peb));
  constexpr std::size_t HandleTableOffset = 0xF8;
#else
  __asm__("movl %%fs:0x30, %0" : "=r"(peb));
  constexpr std::size_t HandleTableOffset = 0x94;
#endif
  const auto *table = *reinterpret_cast<const unsigned char *const *>(peb + HandleTableOffset);
  unsigned count = 0;
  for (int i = 0; table != nullptr && i < 0x10000; ++i)
    count += table[i * 24 + 14] != 0 ? 1 : 0;
  return count;
}

// Steps run one per timer tick inside DialogHandle's modal loop, then SC_CLOSE;
// every other visible dialog of the thread (a box) is noted as "caption|text" and cancelled.
std::vector<std::function<void()>> Steps;
std::vector<std::wstring> Boxes;
std::size_t NextStep = 0;
bool Busy = false; // a step's message box runs the timer in its own loop

BOOL CALLBACK CancelBox(HWND window, LPARAM) {
  if (IsWindowVisible(window) && window != Hwnd(DialogHandle) &&
      GetClassLongW(window, GCW_ATOM) == 32770) { // "#32770", the dialog class
    Boxes.push_back(Text(window) + L"|" + Text(GetDlgItem(window, 0xFFFF)));
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  }
  return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (!IsWindow(Hwnd(DialogHandle)))
    return;
  EnumThreadWindows(GetCurrentThreadId(), CancelBox, 0);
  if (Busy || NextStep == Steps.size())
    return;
  Busy = true;
  Steps[NextStep++]();
  Busy = false;
}

// Runs `modal` with the steps driven from its loop; every step must have run.
void RunScripted(std::vector<std::function<void()>> steps, const std::function<void()> &modal) {
  Steps = std::move(steps);
  Steps.push_back([] { PostMessageW(Hwnd(DialogHandle), WM_SYSCOMMAND, SC_CLOSE, 0); });
  Boxes.clear();
  NextStep = 0;
  const UINT_PTR timer = SetTimer(nullptr, 0, 15, Tick);
  modal();
  KillTimer(nullptr, timer);
  EXPECT_EQ(NextStep, Steps.size()) << "the run ended early";
}

WindowRef NewTestDialog() {
  SetDialogFont("Arial", 10, 0, 0);
  return NewDialog(UnitMode::DialogUnits, nullptr, "Toolkit test", std::nullopt, std::nullopt, 450,
                   290, 0x00CF0000, 0);
}

// Every toolkit operation here must also put the numeric mode back.
TEST(Toolkit, DialogControlKindsRecordsAndLibraries) {
  const ToolkitRecordCounts start = CountToolkitRecords();
  WindowRef dialog = nullptr;
  EXPECT_TRUE(RestoresNumericMode([&] { dialog = NewTestDialog(); }));
  const HWND h = Hwnd(dialog);
  // As asked, plus font, no-fail, 3D look and centred; hidden until RunModal shows it.
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE), 0x00CF0854 | WS_CLIPSIBLINGS);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  GetObjectW(font, sizeof lf, &lf);
  EXPECT_STREQ(lf.lfFaceName, L"Arial");

  // clang-format off
  const struct { ControlKind kind; std::uint32_t style; const char *text; const wchar_t *className;
                 std::uint32_t expected, expectedEx; } cases[] = {
      {ControlKind::Button, 0, "Calc", L"Button", 0x50010000, 0}, // push button, tab stop
      {ControlKind::Button, BS_DEFPUSHBUTTON, "", L"Button", 0x50000001, 0}, // child, visible added
      {ControlKind::Frame, WS_TABSTOP | BS_CHECKBOX, "F", L"Button", 0x50000007, 0}, // group box only
      {ControlKind::Label, 0, "\xB5" "F \xB0", L"Static", 0x50000000, 0}, // 8-bit text
      {ControlKind::TextBox, 0, " ", L"Edit", 0x50010080, WS_EX_CLIENTEDGE}, // sunken, no border
      {ControlKind::TextBox, WS_BORDER, "-1.5e-3, longer than its box", L"Edit", 0x50800000, 0},
  };

  // clang-format on
  for (int i = 0; i < 6; ++i) {
    const auto &c = cases[i];
    EXPECT_TRUE(RestoresNumericMode(
        [&] { AddControl(c.kind, dialog, 300 + i, c.text, 20, 10 + 20 * i, 65, 14, c.style, 0); }));
    const HWND control = GetDlgItem(h, 300 + i);
    wchar_t className[64] = {};
    GetClassNameW(control, className, 64);
    EXPECT_EQ(_wcsicmp(className, c.className), 0) << i;
    EXPECT_EQ(ControlStylesFor(c.kind, c.style, 0).style, c.expected) << i;
    // The edit class draws a requested border itself and drops the bit.
    const auto kept = c.expected & ~(c.kind == ControlKind::TextBox ? WS_BORDER : 0u);
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongW(control, GWL_STYLE)), kept) << i;
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongW(control, GWL_EXSTYLE)), c.expectedEx) << i;
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), font) << i;
    EXPECT_TRUE(PlacedAt(control, 20, 10 + 20 * i, 65, 14)) << i;
    EXPECT_EQ(GetControlText(dialog, 300 + i), c.text) << i;
  }
  EXPECT_TRUE(RestoresNumericMode([&] { EXPECT_EQ(GetControlText(dialog, 399), ""); }));

  const HWND first = GetDlgItem(h, 300);
  EXPECT_TRUE(RestoresNumericMode([&] { RemoveControl(dialog, 300); }));
  RemoveControl(dialog, 399); // never added: nothing happens
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(CountToolkitRecords().controls, start.controls + 5);

  SetDialogIcon(dialog, "TBICON");
  const unsigned gdi = CountGdiObjects();
  EXPECT_TRUE(RestoresNumericMode([&] { SetDialogIcon(dialog, "TBICON"); }));
  EXPECT_EQ(CountGdiObjects(), gdi) << "the new icon pair replaces and frees the first";
  // A missing sound plays nothing, not a default. The sound and print dialog libraries
  // load on first use.
  EXPECT_TRUE(RestoresNumericMode([] { EXPECT_FALSE(PlayResourceSound("nosuch")); }));
  EXPECT_TRUE(PlayResourceSound("glass_a"));
  EXPECT_NE(GetModuleHandleW(L"winmm.dll"), nullptr);
  // The default printer without a device context: nothing attached, printer or not.
  PrintDialogOptions noDc;
  noDc.returnDeviceContext = false;
  EXPECT_TRUE(RestoresNumericMode([&] { AttachPrinter(PrinterChoice::Default, noDc, ""); }));
  EXPECT_NE(GetModuleHandleW(L"comdlg32.dll"), nullptr);
  EXPECT_EQ(AttachedPrinterName(), "");
  DestroyWindow(h);
  EXPECT_EQ(CountToolkitRecords().dialogs + CountToolkitRecords().controls,
            start.dialogs + start.controls);
}

using Call = std::array<std::intptr_t, 3>; // message, wParam, lParam
std::vector<Call> Trace;
bool AlwaysEnteredInNumericMode = true;

// Notes the messages under test (WM_SIZE only while hidden), answers WM_APP with 42, and
// leaves the numeric mode spoiled, which the toolkit must not rely on.
std::intptr_t Recorder(WindowRef dialog, unsigned message, std::uintptr_t w, std::intptr_t l) {
  AlwaysEnteredInNumericMode = AlwaysEnteredInNumericMode && InNumericMode();
  SpoilNumericMode();
  if (message == WM_INITDIALOG || message == WM_CLOSE || message == WM_APP ||
      (message == WM_SIZE && !IsWindowVisible(Hwnd(dialog))) ||
      (message == WM_COMMAND && w <= IDCANCEL) || (message == WM_SYSCOMMAND && w == SC_CLOSE))
    Trace.push_back({std::intptr_t(message), std::intptr_t(w), l});
  return message == WM_APP ? 42 : 0;
}

TEST(Toolkit, RunModal) {
  DialogHandle = NewTestDialog();
  const HWND h = Hwnd(DialogHandle);
  AddControl(ControlKind::TextBox, DialogHandle, 151, "1000", 100, 90, 65, 10, 0, 0);
  RECT client{}; // the size the callback is told while the dialog is hidden
  GetClientRect(h, &client);
  LRESULT answer = 0;
  const auto enterAndEsc = [&] {
    SetControlFocus(DialogHandle, 151);
    for (WPARAM key : {WPARAM(VK_RETURN), WPARAM(VK_ESCAPE)})
      PostMessageW(GetDlgItem(h, 151), WM_KEYDOWN, key, 1);
  };
  bool restored = false;
  RunScripted({enterAndEsc, [&] { answer = SendMessageW(h, WM_APP, 0, 0); }},
              [&] { restored = RestoresNumericMode([] { RunModal(DialogHandle, Recorder); }); });
  EXPECT_TRUE(AlwaysEnteredInNumericMode);
  EXPECT_TRUE(restored) << "RunModal returns in the numeric mode";
  const std::vector<Call> expected = {
      {WM_INITDIALOG, 0, 0}, {WM_SIZE, 0, MAKELPARAM(client.right, client.bottom)},
      {WM_COMMAND, IDOK, 0}, {WM_COMMAND, IDCANCEL, 0},
      {WM_APP, 0, 0},        {WM_SYSCOMMAND, SC_CLOSE, 0},
      {WM_CLOSE, 0, 0}};
  EXPECT_EQ(Trace, expected);
  EXPECT_EQ(answer, 42) << "a nonzero callback result is the message result";
  EXPECT_FALSE(IsWindow(h));
}

HWND Child(int id) { return GetDlgItem(Hwnd(DialogHandle), id); }

void Click(int id) { SendMessageW(Child(id), BM_CLICK, 0, 0); }

TEST(MainDialog, FixedControlsBoxesModesCalcsAndClose) {
  HWND window = nullptr;
  std::vector<std::function<void()>> steps = {
      [&] {
        window = Hwnd(DialogHandle);
        EXPECT_EQ(CountChildren(window), 21) << "only the fixed controls at start";
        for (const FixedControl &c : FixedControls) {
          EXPECT_EQ(Text(Child(c.id)), Widen(c.caption)) << c.id;
          EXPECT_TRUE(PlacedAt(Child(c.id), c.x, c.y, c.width, c.height)) << c.id;
        }
      },
      [] { Click(CalcButtonId); }, // no mode yet: the warning
      [] { Click(AboutButtonId); },
  };
  for (const UserMode &mode : UserModes) {
    steps.push_back([&mode] { // the button's handler builds the rows before it returns
      EXPECT_EQ(Text(Child(mode.buttonId)), Widen(mode.caption));
      Click(mode.buttonId);
      SCOPED_TRACE(mode.caption);
      auto rows = RowsOf(mode);
      rows.resize(5, {"<none>", ""}); // absent rows: no label, box or unit
      int focusRow = 1;
      for (int k = 1; k <= 5; ++k) {
        const auto &[label, unit] = rows[k - 1];
        focusRow += unit == " Hz" ? 1 : 0;
        const char *box = label == "<none>" ? "<none>" : unit == " Hz" ? "1000" : " ";
        EXPECT_EQ(Text(Child(EntryLabelIds[k - 1])), Widen(label.c_str())) << k;
        EXPECT_EQ(Text(Child(EntryBoxId(k))), Widen(box)) << k;
        EXPECT_EQ(Text(Child(EntryUnitId(k))), Widen(unit.empty() ? "<none>" : unit.c_str())) << k;
      }
      EXPECT_EQ(Text(Child(ModeHintId)), Widen(mode.hint.c_str()));
      EXPECT_EQ(GetFocus(), Child(EntryBoxId(focusRow)));
    });
  }

  // Calcs in one dialog: R-X leaves none of Cs-R's rows; the panel shows exactly ResultPanelRows
  // (pinned by the result content tests); children: 21 fixed, 3 per row, hint, panel labels.
  // clang-format off
  const struct { const char *mode; std::vector<std::string_view> entries; int children; } calcs[] = {
      {"Cs-R", {"1000", "1", "10"}, 21 + 9 + 1 + 24},
      {"R-X", {"1000", "1000", "0", "100"}, 21 + 12 + 1 + 9 + 8}};

  // clang-format on
  for (const auto &c : calcs) {
    steps.push_back([&c] {
      Click(FindModeByCaption(c.mode)->buttonId);
      for (std::size_t k = 0; k < c.entries.size(); ++k)
        SetWindowTextW(Child(EntryBoxId(int(k) + 1)), Widen(c.entries[k].data()).c_str());
      Click(CalcButtonId);
      CalcState state{};
      RunCalc(state, FindModeByCaption(c.mode)->entry.ModeId, c.entries);
      std::map<int, std::string> shown;
      for (const ResultRow &r : ResultPanelRows(state))
        shown[r.nameId] = r.name, shown[r.valueId] = r.value;
      for (int id : ResultPanelIds)
        EXPECT_EQ(Text(Child(id)), shown.count(id) ? Widen(shown[id].c_str()) : L"<none>")
            << c.mode << ", control " << id;
      EXPECT_EQ(CountChildren(Hwnd(DialogHandle)), c.children) << c.mode;
    });
  }
  // Child windows, control records and GDI objects around 1,000 more full Calcs.
  std::array<std::size_t, 3> before{}, after{};
  steps.push_back([&] {
    SetWindowTextW(Child(EntryBoxId(3)), L"50");
    Click(CalcButtonId);
    const auto counts = [] {
      return std::array<std::size_t, 3>{std::size_t(CountChildren(Hwnd(DialogHandle))),
                                        CountToolkitRecords().controls, CountGdiObjects()};
    };
    before = counts();
    for (int i = 0; i < 1000; ++i)
      Click(CalcButtonId);
    after = counts();
  });
  RunScripted(std::move(steps), [] { EXPECT_EQ(RunMainDialog(), 0); });

  EXPECT_EQ(Boxes, (std::vector<std::wstring>{L"Calvora|Please select a mode then enter some data!",
                                              L"Calvora |" + Widen(AboutBoxText)}));
  EXPECT_GT(before[2], 0u) << "GDI objects could not be counted";
  EXPECT_EQ(after, before) << "1,000 Calcs leaked";
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(CountToolkitRecords().dialogs + CountToolkitRecords().controls, 0u);
}

std::wstring Num(long n) { return L" " + std::to_wstring(n); }

// The metafile as text: font face, height and pitch, alignment, "@ x y" moves, texts.
std::wstring Transcript;

int CALLBACK ReadRecord(HDC, HANDLETABLE *, const ENHMETARECORD *record, int, LPARAM) {
  if (record->iType == EMR_EXTCREATEFONTINDIRECTW) {
    const LOGFONTW &f =
        reinterpret_cast<const EMREXTCREATEFONTINDIRECTW *>(record)->elfw.elfLogFont;
    Transcript += f.lfFaceName + Num(f.lfHeight) + Num(f.lfPitchAndFamily & 3) + L"\n";
  } else if (record->iType == EMR_SETTEXTALIGN) {
    Transcript +=
        L"align" + Num(long(reinterpret_cast<const EMRSETTEXTALIGN *>(record)->iMode)) + L"\n";
  } else if (record->iType == EMR_MOVETOEX) {
    const POINTL &to = reinterpret_cast<const EMRMOVETOEX *>(record)->ptl;
    Transcript += L"@" + Num(to.x) + Num(to.y) + L"\n";
  } else if (record->iType == EMR_EXTTEXTOUTW) {
    const EMRTEXT &t = reinterpret_cast<const EMREXTTEXTOUTW *>(record)->emrtext;
    const auto *chars = reinterpret_cast<const BYTE *>(record) + t.offString;
    Transcript.append(reinterpret_cast<const wchar_t *>(chars), t.nChars);
  }
  return 1;
}

TEST(PrintedReport, LinesFontAndPitchThroughAMetafile) {
  CalcState state{};
  const std::string_view rows[] = {"1000", "1", "10"};
  RunCalc(state, FindModeByCaption("Cs-R")->entry.ModeId, rows);
  const std::vector<std::string> lines = ReportLines(state);
  ASSERT_EQ(lines.size(), 13u);

  const HDC screen = GetDC(nullptr);
  const HDC dc = CreateEnhMetaFileW(screen, nullptr, nullptr, nullptr);
  const unsigned gdi = CountGdiObjects();
  ASSERT_TRUE(AttachPrinterDC(dc, false, "Metafile", ""));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  for (const std::string &line : lines) {
    PrintText(line);
    PrintLineBreak();
  }
  DetachPrinter();
  EXPECT_EQ(CountGdiObjects(), gdi) << "detaching frees the print font";
  PrintText("never"); // nothing prints unattached
  const HENHMETAFILE emf = CloseEnhMetaFile(dc);
  EnumEnhMetaFile(nullptr, emf, ReadRecord, nullptr, nullptr);
  DeleteEnhMetaFile(emf);

  // From the top left; each line break goes back to x = 0, one line down.
  const LONG pitch = metrics.tmHeight + metrics.tmExternalLeading;
  std::wstring expected =
      L"Lucida Console" + Num(-MulDiv(11, GetDeviceCaps(screen, LOGPIXELSY), 72)) +
      Num(FIXED_PITCH) + L"\nalign" + Num(TA_LEFT | TA_TOP | TA_UPDATECP) + L"\n@ 0 0\n";
  for (std::size_t i = 0; i < lines.size(); ++i)
    expected += Widen(lines[i].c_str()) + L"@ 0" + Num(LONG(i + 1) * pitch) + L"\n";
  EXPECT_EQ(Transcript, expected);
  ReleaseDC(nullptr, screen);
}

} // namespace
