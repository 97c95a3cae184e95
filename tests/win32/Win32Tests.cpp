// The Win32 toolkit, the main dialog and the printed report with real
// windows and a real GDI device context, in-process under the modal loops.
//
// Test plan:
//  1. The dialog's exact style and font; each control kind's class, exact
//     style bits (GetWindowLong), font, rectangle (MapDialogRect of its
//     dialog units) and text round trip; RemoveControl; a replaced icon pair
//     freed; destroying the dialog forgets every record.
//  2. The numeric mode is back after each toolkit operation of test 1, and
//     of RunModal in test 3, whose callback is always entered in it.
//  3. RunModal: the two direct calls before showing, Enter and Esc through
//     IsDialogMessageW arriving as IDOK and IDCANCEL with the dialog left
//     open, a callback result as the message result, SC_CLOSE ending it.
//  4. One run of the main dialog: the title and the 21 fixed controls
//     (caption, rectangle); the warning and information boxes found by
//     caption and closed from the timer; then 5-7; SC_CLOSE ends
//     RunMainDialog with 0 and every record is freed.
//  5. Every mode, against a table of its own: button caption, row labels,
//     default texts, units, absent rows, hint, focus.
//  6. Calc by BM_CLICK after WM_SETTEXT, the panel read back by identifier;
//     the second case shows that no row outlives its panel.
//  7. 1,000 more Calcs leave the child window, record and GDI object counts
//     unchanged.
//  8. The report drawn into an enhanced metafile and read back: texts, font,
//     alignment and line pitch; detaching frees the font.
//  9. The sound and print-dialog libraries are not imported (they would
//     lengthen start-up) and load when the sound or the print dialog is
//     first used.
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

// Live GDI objects of this process. Wine's GetGuiResources answers 0, so
// under Wine the shared handle table whose address Wine keeps in the process
// environment block (32-bit: fs:0x30, offset 0x94; 64-bit: gs:0x60, offset
// 0xF8) is read: 24-byte entries on both, the type byte at offset 14, 0 for
// a free slot.
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

// Steps run one per timer tick inside the modal loop of the dialog that
// DialogHandle names; a last step sends it WM_SYSCOMMAND SC_CLOSE. Every
// other visible dialog-class window of the thread (a message box) is noted
// in Boxes as "caption|text" and cancelled.
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

// ---- 1-3. The toolkit ---------------------------------------------------------

WindowRef NewTestDialog() {
  SetDialogFont("Arial", 10, 0, 0);
  return NewDialog(UnitMode::DialogUnits, nullptr, "Toolkit test", std::nullopt, std::nullopt, 450,
                   290, 0x00CF0000, 0);
}

// Every toolkit operation here must also put the numeric mode back.
TEST(Toolkit, DialogControlKindsAndRecords) {
  const ToolkitRecordCounts start = CountToolkitRecords();
  WindowRef dialog = nullptr;
  EXPECT_TRUE(RestoresNumericMode([&] { dialog = NewTestDialog(); }));
  const HWND h = Hwnd(dialog);
  // Overlapped-window bits as asked, plus font, no-fail, 3D look and centred;
  // hidden until RunModal shows it.
  EXPECT_EQ(GetWindowLongW(h, GWL_STYLE), 0x00CF0854 | WS_CLIPSIBLINGS);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
  LOGFONTW lf{};
  GetObjectW(font, sizeof lf, &lf);
  EXPECT_STREQ(lf.lfFaceName, L"Arial");

  // clang-format off
  const struct {
    ControlKind kind;
    std::uint32_t style;
    const char *text;
    const wchar_t *className;
    std::uint32_t expected, expectedEx;
  } cases[] = {
      {ControlKind::Button, 0, "Calc", L"Button", 0x50010000, 0}, // push button, tab stop
      {ControlKind::Button, BS_DEFPUSHBUTTON, "", L"Button", 0x50000001, 0}, // child, visible added
      // A frame is a group box only: no tab stop, no check box.
      {ControlKind::Frame, WS_TABSTOP | BS_CHECKBOX, "F", L"Button", 0x50000007, 0},
      {ControlKind::Label, 0, "\xB5" "F \xB0", L"Static", 0x50000000, 0}, // 8-bit text
      {ControlKind::TextBox, 0, " ", L"Edit", 0x50010080, WS_EX_CLIENTEDGE}, // sunken, no border
      {ControlKind::TextBox, WS_BORDER, "-1.5e-3 and a text longer than its box", L"Edit",
       0x50800000, 0},
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
    const std::uint32_t dropped = c.kind == ControlKind::TextBox ? WS_BORDER : 0;
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongW(control, GWL_STYLE)), c.expected & ~dropped)
        << i;
    EXPECT_EQ(static_cast<std::uint32_t>(GetWindowLongW(control, GWL_EXSTYLE)), c.expectedEx) << i;
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), font) << i;
    EXPECT_TRUE(PlacedAt(control, 20, 10 + 20 * i, 65, 14)) << i;
    EXPECT_EQ(GetControlText(dialog, 300 + i), c.text) << i;
  }
  EXPECT_EQ(GetControlText(dialog, 399), "") << "missing control";
  EXPECT_TRUE(RestoresNumericMode([&] { GetControlText(dialog, 399); }));

  const HWND first = GetDlgItem(h, 300);
  EXPECT_TRUE(RestoresNumericMode([&] { RemoveControl(dialog, 300); }));
  RemoveControl(dialog, 399); // never added: nothing happens
  EXPECT_FALSE(IsWindow(first));
  EXPECT_EQ(CountToolkitRecords().controls, start.controls + 5);

  SetDialogIcon(dialog, "TBICON");
  const unsigned gdi = CountGdiObjects();
  EXPECT_TRUE(RestoresNumericMode([&] { SetDialogIcon(dialog, "TBICON"); }));
  EXPECT_EQ(CountGdiObjects(), gdi) << "the new icon pair replaces and frees the first";
  EXPECT_EQ(FindSoundResource("glass_a").size(), 31182u) << "the clip is of resource type SOUND";
  EXPECT_FALSE(PlayResourceSound("nosuch")) << "a missing sound plays nothing, not a default";
  EXPECT_TRUE(RestoresNumericMode([] { PlayResourceSound("nosuch"); }));
  DestroyWindow(h);
  EXPECT_EQ(CountToolkitRecords().dialogs, start.dialogs);
  EXPECT_EQ(CountToolkitRecords().controls, start.controls);
}

using Call = std::array<std::intptr_t, 3>; // message, wParam, lParam
std::vector<Call> Trace;
bool AlwaysEnteredInNumericMode = true;

// Notes the messages under test; a WM_SIZE only while the dialog is still
// hidden (the platform sends its own when the window is shown). WM_APP is
// answered with 42.
std::intptr_t Recorder(WindowRef dialog, unsigned message, std::uintptr_t w, std::intptr_t l) {
  // Every call is entered in the numeric mode; the callback leaves it
  // spoiled, which the toolkit must not rely on.
  AlwaysEnteredInNumericMode = AlwaysEnteredInNumericMode && InNumericMode();
  SpoilNumericMode();
  if (message == WM_INITDIALOG || message == WM_CLOSE || message == WM_APP ||
      (message == WM_SIZE && !IsWindowVisible(Hwnd(dialog))) ||
      (message == WM_COMMAND && w <= IDCANCEL) || (message == WM_SYSCOMMAND && w == SC_CLOSE))
    Trace.push_back({std::intptr_t(message), std::intptr_t(w), l});
  return message == WM_APP ? 42 : 0;
}

TEST(Toolkit, RunModal) {
  Trace.clear();
  AlwaysEnteredInNumericMode = true;
  DialogHandle = NewTestDialog();
  const HWND h = Hwnd(DialogHandle);
  AddControl(ControlKind::TextBox, DialogHandle, 151, "1000", 100, 90, 65, 10, 0, 0);
  RECT client{};
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
  const std::intptr_t size = MAKELPARAM(client.right, client.bottom);
  EXPECT_EQ(Trace, (std::vector<Call>{{WM_INITDIALOG, 0, 0},
                                      {WM_SIZE, 0, size},
                                      {WM_COMMAND, IDOK, 0},
                                      {WM_COMMAND, IDCANCEL, 0},
                                      {WM_APP, 0, 0},
                                      {WM_SYSCOMMAND, SC_CLOSE, 0},
                                      {WM_CLOSE, 0, 0}}));
  EXPECT_EQ(answer, 42) << "a nonzero callback result is the message result";
  EXPECT_FALSE(IsWindow(h));
}

// ---- 4-7. The main dialog ------------------------------------------------------

HWND Child(int id) { return GetDlgItem(Hwnd(DialogHandle), id); }

void Click(int id) { SendMessageW(Child(id), BM_CLICK, 0, 0); }

// Calcs in one dialog, in this order: R-X must leave none of Cs-R's rows
// behind. The panel must show exactly the rows that ResultPanelRows gives for
// the entries as typed (their texts are the result content tests'), every
// other panel label absent.
struct CalcCase {
  const char *mode;
  std::vector<const wchar_t *> entries; // row 1 first; nullptr keeps the default
  int children;                         // 21 fixed, 3 per row and the hint, the panel's labels
};

const CalcCase CalcCases[] = {{"Cs-R", {nullptr, L"1", L"10"}, 21 + 9 + 1 + 24},
                              {"R-X", {nullptr, nullptr, L"0", L"100"}, 21 + 12 + 1 + 9 + 8}};

// One run of the program's dialog from the process-wide values as they are at
// start, driven from its own modal loop and ended by SC_CLOSE.
TEST(MainDialog, FixedControlsBoxesModesCalcsAndClose) {
  HWND window = nullptr;
  std::vector<std::function<void()>> steps = {
      [&] {
        window = Hwnd(DialogHandle);
        EXPECT_EQ(Text(window), L"Calvora Impedance Calculator " + Widen(CALVORA_VERSION));
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
    steps.push_back([&mode] {
      EXPECT_EQ(Text(Child(mode.buttonId)), Widen(mode.caption));
      Click(mode.buttonId);
    });
    steps.push_back([&mode] {
      SCOPED_TRACE(mode.caption);
      const auto rows = RowsOf(mode);
      int focusRow = 1;
      for (int k = 1; k <= 5; ++k) {
        const bool shown = k <= int(rows.size());
        const std::string label = shown ? rows[k - 1].first : "",
                          unit = shown ? rows[k - 1].second : "";
        focusRow += unit == " Hz" ? 1 : 0;
        EXPECT_EQ(Text(Child(EntryLabelIds[k - 1])), shown ? Widen(label.c_str()) : L"<none>") << k;
        EXPECT_EQ(Text(Child(EntryBoxId(k))), shown ? (unit == " Hz" ? L"1000" : L" ") : L"<none>")
            << k;
        EXPECT_EQ(Text(Child(EntryUnitId(k))), !unit.empty() ? Widen(unit.c_str()) : L"<none>")
            << k;
      }
      EXPECT_EQ(Text(Child(ModeHintId)), Widen(mode.hint.c_str()));
      EXPECT_EQ(GetFocus(), Child(EntryBoxId(focusRow)));
    });
  }
  for (const CalcCase &c : CalcCases) {
    steps.push_back([&c] { Click(FindModeByCaption(c.mode)->buttonId); });
    steps.push_back([&c] {
      std::vector<std::string> texts;
      for (std::size_t k = 0; k < c.entries.size(); ++k) {
        if (c.entries[k] != nullptr)
          SendMessageW(Child(EntryBoxId(int(k) + 1)), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(c.entries[k]));
        texts.push_back(GetControlText(DialogHandle, EntryBoxId(int(k) + 1)));
      }
      Click(CalcButtonId);
      CalcState state{};
      RunCalc(state, FindModeByCaption(c.mode)->entry.ModeId,
              std::vector<std::string_view>(texts.begin(), texts.end()));
      std::map<int, std::string> shown;
      for (const ResultRow &r : ResultPanelRows(state))
        shown[r.nameId] = r.name, shown[r.valueId] = r.value;
      for (int id : ResultPanelIds)
        EXPECT_EQ(Text(Child(id)), shown.count(id) ? Widen(shown[id].c_str()) : L"<none>")
            << c.mode << ", control " << id;
      EXPECT_EQ(CountChildren(Hwnd(DialogHandle)), c.children) << c.mode;
    });
  }
  // Child windows, control records and GDI objects around 1,000 more Calcs of
  // R-X with a full panel.
  std::array<std::size_t, 3> before{}, after{};
  steps.push_back([&] {
    SendMessageW(Child(EntryBoxId(3)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"50"));
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

// ---- 8. The printed report ---------------------------------------------------------

std::wstring Num(long n) { return L" " + std::to_wstring(n); }

// The metafile's records as text: the font's face, height and pitch, the
// text alignment, "@ x y" for each move to a position, and each text drawn.
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
  Transcript.clear();
  EnumEnhMetaFile(nullptr, emf, ReadRecord, nullptr, nullptr);
  DeleteEnhMetaFile(emf);

  // Drawn at the current position, starting top left; each line break goes
  // back to x = 0, one line down.
  const LONG pitch = metrics.tmHeight + metrics.tmExternalLeading;
  std::wstring expected =
      L"Lucida Console" + Num(-MulDiv(11, GetDeviceCaps(screen, LOGPIXELSY), 72)) +
      Num(FIXED_PITCH) + L"\nalign" + Num(TA_LEFT | TA_TOP | TA_UPDATECP) + L"\n@ 0 0\n";
  for (std::size_t i = 0; i < lines.size(); ++i)
    expected += Widen(lines[i].c_str()) + L"@ 0" + Num(LONG(i + 1) * pitch) + L"\n";
  EXPECT_EQ(Transcript, expected);
  ReleaseDC(nullptr, screen);
}

// Whether this executable's import table names `dll`; it links the toolkit
// exactly as calvora.exe does.
bool ImportsLibrary(const char *dll) {
  const auto *base = reinterpret_cast<const BYTE *>(GetModuleHandleW(nullptr));
  const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(
      base + reinterpret_cast<const IMAGE_DOS_HEADER *>(base)->e_lfanew);
  const IMAGE_DATA_DIRECTORY &imports =
      nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  for (auto *d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(base + imports.VirtualAddress);
       d->Name != 0; ++d)
    if (lstrcmpiA(reinterpret_cast<const char *>(base + d->Name), dll) == 0)
      return true;
  return false;
}

TEST(Toolkit, SoundAndPrintDialogLibrariesLoadOnFirstUse) {
  ASSERT_TRUE(ImportsLibrary("user32.dll")) << "the import table is read";
  EXPECT_FALSE(ImportsLibrary("winmm.dll"));
  EXPECT_FALSE(ImportsLibrary("comdlg32.dll"));

  EXPECT_TRUE(PlayResourceSound("glass_a"));
  EXPECT_NE(GetModuleHandleW(L"winmm.dll"), nullptr);
  // The default printer asked for without a device context: the print
  // dialog library answers, and nothing is attached whether or not a
  // printer is installed.
  PrintDialogOptions noDc;
  noDc.returnDeviceContext = false;
  EXPECT_TRUE(RestoresNumericMode([&] { AttachPrinter(PrinterChoice::Default, noDc, ""); }));
  EXPECT_NE(GetModuleHandleW(L"comdlg32.dll"), nullptr);
  EXPECT_EQ(AttachedPrinterName(), "");
}

} // namespace
