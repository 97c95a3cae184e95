// The Win32 toolkit with real windows, in-process.
//
// Test plan:
//  1. Style rules: the dialog style (the program's request ends as
//     0x00CF0854) and each control kind's default, required and forbidden
//     bits, with the text-box border rule.
//  2. Real windows carry those styles (GetWindowLong) and the dialog font;
//     control rectangles are the MapDialogRect of their dialog units.
//  3. Texts: one space, empty, missing control, 8-bit characters.
//  4. Records: RemoveControl forgets a control, an absent id does nothing,
//     unknown handles are ignored, destroying a dialog forgets everything.
//  5. Icons at 32 and 16 pixels; a missing icon sets nothing.
//  6. RunModal: the two direct calls, Enter and Esc through
//     IsDialogMessageW reaching the callback as IDOK and IDCANCEL without
//     closing, a nonzero callback result as the message result, and
//     SC_CLOSE passing WM_SYSCOMMAND then WM_CLOSE before the loop ends.
//  7. The numeric mode is back after every operation.
//  8. The sound resource is found by name and type "SOUND".
#include "Win32TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr std::uint32_t ProgramStyle = 0x00CF0000;

WindowRef NewProgramDialog() {
  SetDialogFont("Arial", 10, 0, 0);
  return NewDialog(UnitMode::DialogUnits, nullptr, "Toolkit test", std::nullopt, std::nullopt,
                   450, 290, ProgramStyle, 0);
}

HWND Hwnd(WindowRef ref) { return reinterpret_cast<HWND>(ref); }

// Destroys a dialog the toolkit created, so each test starts from nothing.
void Destroy(WindowRef dialog) {
  if (dialog != nullptr)
    DestroyWindow(Hwnd(dialog));
}

// ---- 1. Style rules --------------------------------------------------------

TEST(StyleRules, DialogStyle) {
  struct Case {
    const char* label;
    std::uint32_t style;
    bool centred, hasParent;
    std::uint32_t expected;
  };
  const Case cases[] = {
      {"the program's request", 0x00CF0000, true, false, 0x00CF0854},
      {"zero takes the modal-frame default", 0, false, false, 0x80C000D4},
      {"visible and system-modal removed", 0x10CF0002, false, false, 0x00CF0054},
      {"child without parent becomes popup", 0x40000000, false, false, 0x80000054},
      {"child with parent loses popup", 0xC0000000, false, true, 0x40000054},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DialogStyleFor(c.style, c.centred, c.hasParent), c.expected) << c.label;
}

TEST(StyleRules, ControlStyles) {
  struct Case {
    const char* label;
    ControlKind kind;
    std::uint32_t style, exStyle;
    std::uint32_t expectedStyle, expectedEx;
  };
  const Case cases[] = {
      {"button default: push button, tab stop", ControlKind::Button, 0, 0, 0x50010000, 0},
      {"frame default: group box", ControlKind::Frame, 0, 0, 0x50000007, 0},
      {"label default: left static", ControlKind::Label, 0, 0, 0x50000000, 0},
      {"text box default: edge instead of border", ControlKind::TextBox, 0, 0, 0x50010080,
       WS_EX_CLIENTEDGE},
      {"text box given a border keeps it", ControlKind::TextBox, WS_BORDER, 0, 0x50800000, 0},
      {"button gets child and visible added", ControlKind::Button, BS_DEFPUSHBUTTON, 0,
       0x50000001, 0},
      {"frame loses tab stop and other button types", ControlKind::Frame,
       WS_TABSTOP | BS_CHECKBOX, 0, 0x50000007, 0},
      {"extended style passes through", ControlKind::Label, 0, WS_EX_TRANSPARENT, 0x50000000,
       WS_EX_TRANSPARENT},
  };
  for (const Case& c : cases) {
    const ControlStyles s = ControlStylesFor(c.kind, c.style, c.exStyle);
    EXPECT_EQ(s.style, c.expectedStyle) << c.label;
    EXPECT_EQ(s.exStyle, c.expectedEx) << c.label;
  }
}

// ---- 2. Real windows -------------------------------------------------------

TEST(RealWindows, DialogIsHiddenCentredWithItsStyleAndFont) {
  const WindowRef dialog = NewProgramDialog();
  ASSERT_NE(dialog, nullptr);
  const HWND h = Hwnd(dialog);
  const auto style = static_cast<std::uint32_t>(GetWindowLongW(h, GWL_STYLE));
  EXPECT_EQ(style & 0x00CF0000u, 0x00CF0000u) << "overlapped-window bits, got " << std::hex << style;
  EXPECT_EQ(style & static_cast<std::uint32_t>(WS_VISIBLE | WS_POPUP | WS_CHILD), 0u)
      << std::hex << style;
  EXPECT_EQ(WindowText(h), L"Toolkit test");

  // Centred: the window's centre is the work area's centre (within a pixel).
  RECT window{}, work{};
  GetWindowRect(h, &window);
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR((window.left + window.right) / 2, (work.left + work.right) / 2, 1);
  EXPECT_NEAR((window.top + window.bottom) / 2, (work.top + work.bottom) / 2, 1);

  // The dialog's font is the request: Arial, regular, 10 points.
  const auto font = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTW lf{};
  GetObjectW(font, sizeof lf, &lf);
  EXPECT_STREQ(lf.lfFaceName, L"Arial");
  EXPECT_EQ(lf.lfWeight, FW_NORMAL);
  EXPECT_FALSE(lf.lfItalic);
  const HDC screen = GetDC(nullptr);
  EXPECT_EQ(lf.lfHeight, -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);
  Destroy(dialog);
}

TEST(RealWindows, ControlsCarryKindStylesFontAndMappedRectangles) {
  const WindowRef dialog = NewProgramDialog();
  ASSERT_NE(dialog, nullptr);
  const HWND h = Hwnd(dialog);
  struct Case {
    ControlKind kind;
    int id;
    const wchar_t* className;
    std::uint32_t mustHave, mustLack;
    std::uint32_t exMustHave, exMustLack;
  };
  const Case cases[] = {
      {ControlKind::Button, 301, L"Button", WS_CHILD | WS_VISIBLE | WS_TABSTOP, BS_TYPEMASK, 0, 0},
      {ControlKind::Frame, 302, L"Button", WS_CHILD | WS_VISIBLE | BS_GROUPBOX, WS_TABSTOP, 0, 0},
      {ControlKind::Label, 303, L"Static", WS_CHILD | WS_VISIBLE, SS_TYPEMASK | WS_TABSTOP, 0, 0},
      {ControlKind::TextBox, 304, L"Edit", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
       WS_BORDER, WS_EX_CLIENTEDGE, 0},
  };
  const HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0));
  int y = 10;
  for (const Case& c : cases) {
    AddControl(c.kind, dialog, c.id, "x", 20, y, 65, 14, 0, 0);
    const HWND control = GetDlgItem(h, c.id);
    ASSERT_NE(control, nullptr) << c.id;
    EXPECT_EQ(_wcsicmp(ClassOf(control).c_str(), c.className), 0) << c.id;
    const auto style = static_cast<std::uint32_t>(GetWindowLongW(control, GWL_STYLE));
    const auto ex = static_cast<std::uint32_t>(GetWindowLongW(control, GWL_EXSTYLE));
    // The type bits compared exactly where the kind fixes them.
    const std::uint32_t typeBits = c.kind == ControlKind::Frame ? BS_GROUPBOX : 0;
    if (c.kind == ControlKind::Button || c.kind == ControlKind::Frame) {
      EXPECT_EQ(style & BS_TYPEMASK, typeBits) << c.id << " style " << std::hex << style;
    }
    EXPECT_EQ(style & (c.mustHave & ~BS_TYPEMASK), c.mustHave & ~BS_TYPEMASK)
        << c.id << " style " << std::hex << style;
    if (c.kind != ControlKind::Button) {
      EXPECT_EQ(style & c.mustLack & ~typeBits, 0u) << c.id << " style " << std::hex << style;
    }
    EXPECT_EQ(ex & c.exMustHave, c.exMustHave) << c.id << " ex " << std::hex << ex;
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), dialogFont);
    const RECT expected = MappedRect(h, 20, y, 65, 14);
    const RECT got = ChildRect(control);
    EXPECT_TRUE(EqualRect(&expected, &got))
        << c.id << ": expected " << expected.left << "," << expected.top << "," << expected.right
        << "," << expected.bottom << " got " << got.left << "," << got.top << "," << got.right
        << "," << got.bottom;
    y += 20;
  }
  Destroy(dialog);
}

// ---- 3. Texts --------------------------------------------------------------

TEST(Texts, ControlTextRoundTrips) {
  const WindowRef dialog = NewProgramDialog();
  ASSERT_NE(dialog, nullptr);
  AddControl(ControlKind::TextBox, dialog, 151, " ", 10, 10, 65, 10, 0, 0);
  AddControl(ControlKind::TextBox, dialog, 152, "", 10, 30, 65, 10, 0, 0);
  EXPECT_EQ(GetControlText(dialog, 151), " ") << "one space stays one space";
  EXPECT_EQ(GetControlText(dialog, 152), "") << "empty box";
  EXPECT_EQ(GetControlText(dialog, 199), "") << "missing control";
  SendMessageW(GetDlgItem(Hwnd(dialog), 152), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"-1.5e-3 long entry text beyond the box width"));
  EXPECT_EQ(GetControlText(dialog, 152), "-1.5e-3 long entry text beyond the box width");

  // 8-bit texts go through the system code page both ways.
  if (GetACP() == 1252) {
    AddControl(ControlKind::Label, dialog, 153, "\xB5" "F \xB0", 10, 50, 65, 10, 0, 0);
    EXPECT_EQ(ChildText(Hwnd(dialog), 153), L"\u00B5F \u00B0");
    EXPECT_EQ(GetControlText(dialog, 153), "\xB5" "F \xB0");
  }
  Destroy(dialog);
}

// ---- 4. Records ------------------------------------------------------------

TEST(Records, RemoveForgetAndIgnoreUnknownHandles) {
  const WindowRef dialog = NewProgramDialog();
  ASSERT_NE(dialog, nullptr);
  const HWND h = Hwnd(dialog);
  const ToolkitRecordCounts before = CountToolkitRecords();
  AddControl(ControlKind::Label, dialog, 175, "Z", 300, 90, 45, 10, 0, 0);
  AddControl(ControlKind::Label, dialog, 201, " 1 kOhms", 350, 90, 65, 10, 0, 0);
  EXPECT_EQ(CountToolkitRecords().controls, before.controls + 2);

  const HWND z = GetDlgItem(h, 175);
  RemoveControl(dialog, 175);
  EXPECT_FALSE(IsWindow(z)) << "removed control destroyed";
  EXPECT_EQ(CountToolkitRecords().controls, before.controls + 1);
  RemoveControl(dialog, 175); // already removed
  RemoveControl(dialog, 999); // never added
  EXPECT_EQ(CountToolkitRecords().controls, before.controls + 1);
  EXPECT_EQ(GetControlText(dialog, 175), "");

  // A control handle is no dialog: nothing is added to it, no icon set.
  const auto control = reinterpret_cast<WindowRef>(GetDlgItem(h, 201));
  AddControl(ControlKind::Label, control, 500, "no", 0, 0, 10, 10, 0, 0);
  SetDialogIcon(control, "TBICON");
  EXPECT_EQ(CountChildWindows(GetDlgItem(h, 201)), 0);
  EXPECT_EQ(SendMessageW(GetDlgItem(h, 201), WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_EQ(CountToolkitRecords().controls, before.controls + 1);

  // Destroying the dialog forgets it and its controls.
  DestroyWindow(h);
  EXPECT_EQ(CountToolkitRecords().dialogs, before.dialogs - 1);
  EXPECT_EQ(CountToolkitRecords().controls, before.controls);
}

// ---- 5. Icons --------------------------------------------------------------

SIZE IconSize(HICON icon) {
  ICONINFO info{};
  if (icon == nullptr || !GetIconInfo(icon, &info))
    return {0, 0};
  BITMAP bm{};
  GetObjectW(info.hbmColor != nullptr ? info.hbmColor : info.hbmMask, sizeof bm, &bm);
  if (info.hbmColor)
    DeleteObject(info.hbmColor);
  if (info.hbmMask)
    DeleteObject(info.hbmMask);
  return {bm.bmWidth, bm.bmHeight};
}

TEST(Icons, LargeAndSmallFromTheIconGroup) {
  const WindowRef dialog = NewProgramDialog();
  ASSERT_NE(dialog, nullptr);
  const HWND h = Hwnd(dialog);
  SetDialogIcon(dialog, "NOSUCHICON");
  EXPECT_EQ(SendMessageW(h, WM_GETICON, ICON_BIG, 0), 0) << "missing icon sets nothing";

  SetDialogIcon(dialog, "TBICON");
  const auto big = reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_BIG, 0));
  const auto small = reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_SMALL, 0));
  EXPECT_EQ(IconSize(big).cx, 32);
  EXPECT_EQ(IconSize(big).cy, 32);
  EXPECT_EQ(IconSize(small).cx, 16);
  EXPECT_EQ(IconSize(small).cy, 16);

  // Setting it again replaces (and frees) the earlier pair.
  const unsigned gdi = CountGdiObjects();
  SetDialogIcon(dialog, "TBICON");
  EXPECT_NE(reinterpret_cast<HICON>(SendMessageW(h, WM_GETICON, ICON_BIG, 0)), big);
  EXPECT_EQ(CountGdiObjects(), gdi);
  Destroy(dialog);
}

// ---- 6. RunModal -----------------------------------------------------------

struct Seen {
  unsigned message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
};
std::vector<Seen> SeenMessages;
constexpr unsigned AskForAnswer = WM_APP + 7;

std::intptr_t RecordingCallback(WindowRef, unsigned message, std::uintptr_t wParam,
                                std::intptr_t lParam) {
  if (message == WM_INITDIALOG || message == WM_SIZE || message == WM_COMMAND ||
      message == WM_SYSCOMMAND || message == WM_CLOSE || message == AskForAnswer)
    SeenMessages.push_back({message, wParam, lParam});
  return message == AskForAnswer ? 42 : 0;
}

bool SawCommand(int id) {
  for (const Seen& s : SeenMessages)
    if (s.message == WM_COMMAND && LOWORD(s.wParam) == id)
      return true;
  return false;
}

TEST(Modal, CallbackOrderKeysResultAndClose) {
  SeenMessages.clear();
  const WindowRef dialog = NewProgramDialog();
  ASSERT_NE(dialog, nullptr);
  const HWND h = Hwnd(dialog);
  AddControl(ControlKind::TextBox, dialog, 151, "1000", 100, 90, 65, 10, 0, 0);
  AddControl(ControlKind::Button, dialog, 108, "Calc", 227, 160, 30, 30, 0, 0);
  RECT client{};
  GetClientRect(h, &client);

  LRESULT answer = 0;
  bool openAfterKeys = false;
  bool visibleDuringRun = false;
  StepScript script;
  script.target = [h] { return IsWindow(h) ? h : nullptr; };
  script.steps = {
      [&] {
        visibleDuringRun = IsWindowVisible(h) != FALSE;
        SetControlFocus(dialog, 151);
        const HWND box = GetDlgItem(h, 151);
        PostMessageW(box, WM_KEYDOWN, VK_RETURN, 0x001C0001);
        PostMessageW(box, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
        PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageW(box, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
      },
      [&] {
        openAfterKeys = IsWindow(h) != FALSE;
        answer = SendMessageW(h, AskForAnswer, 0, 0);
      },
  };
  StartScript(script);
  RunModal(dialog, RecordingCallback);
  StopScript();
  ASSERT_FALSE(script.timedOut);

  // The two direct calls come first, before anything else.
  ASSERT_GE(SeenMessages.size(), 2u);
  EXPECT_EQ(SeenMessages[0].message, unsigned(WM_INITDIALOG));
  EXPECT_EQ(SeenMessages[0].wParam, 0u);
  EXPECT_EQ(SeenMessages[0].lParam, 0);
  EXPECT_EQ(SeenMessages[1].message, unsigned(WM_SIZE));
  EXPECT_EQ(SeenMessages[1].wParam, unsigned(SIZE_RESTORED));
  EXPECT_EQ(SeenMessages[1].lParam, MAKELPARAM(client.right, client.bottom));

  EXPECT_TRUE(visibleDuringRun);
  EXPECT_TRUE(SawCommand(IDOK)) << "Enter reaches the callback as IDOK";
  EXPECT_TRUE(SawCommand(IDCANCEL)) << "Esc reaches the callback as IDCANCEL";
  EXPECT_TRUE(openAfterKeys) << "Enter and Esc leave the dialog open";
  EXPECT_EQ(answer, 42) << "a nonzero callback result is the message result";

  // SC_CLOSE reaches the callback, then WM_CLOSE, then the window is gone.
  std::size_t sys = SeenMessages.size(), close = SeenMessages.size();
  for (std::size_t i = 0; i < SeenMessages.size(); ++i) {
    if (SeenMessages[i].message == WM_SYSCOMMAND && (SeenMessages[i].wParam & 0xFFF0) == SC_CLOSE)
      sys = std::min(sys, i);
    if (SeenMessages[i].message == WM_CLOSE)
      close = std::min(close, i);
  }
  EXPECT_LT(sys, SeenMessages.size());
  EXPECT_LT(close, SeenMessages.size());
  EXPECT_LT(sys, close);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(CountToolkitRecords().dialogs, 0u);
  EXPECT_EQ(CountToolkitRecords().controls, 0u);
}

TEST(Modal, UnknownDialogGetsTheTwoCallsAndReturns) {
  SeenMessages.clear();
  RunModal(nullptr, RecordingCallback);
  ASSERT_EQ(SeenMessages.size(), 2u);
  EXPECT_EQ(SeenMessages[0].message, unsigned(WM_INITDIALOG));
  EXPECT_EQ(SeenMessages[1].message, unsigned(WM_SIZE));
}

// ---- 7. Numeric mode -------------------------------------------------------

TEST(NumericMode, RestoredAfterEveryOperation) {
  const WindowRef dialog = NewProgramDialog();
  ASSERT_NE(dialog, nullptr);
  struct Case {
    const char* label;
    std::function<void()> operation;
  };
  const Case cases[] = {
      {"SetDialogFont", [] { SetDialogFont("Arial", 10, 0, 0); }},
      {"AddControl", [&] { AddControl(ControlKind::TextBox, dialog, 151, "1", 100, 90, 65, 10, 0, 0); }},
      {"GetControlText", [&] { GetControlText(dialog, 151); }},
      {"SetControlFocus", [&] { SetControlFocus(dialog, 151); }},
      {"SetDialogIcon", [&] { SetDialogIcon(dialog, "TBICON"); }},
      {"RemoveControl", [&] { RemoveControl(dialog, 151); }},
      {"PlayResourceSound", [] { PlayResourceSound("nosuch"); }},
      {"NewDialog", [] { Destroy(NewProgramDialog()); }},
  };
  // 53-bit precision, and round toward zero with 64-bit precision.
  for (unsigned short corrupt : {static_cast<unsigned short>(0x027F), static_cast<unsigned short>(0x0F7F)}) {
    for (const Case& c : cases) {
      LoadControlWord(corrupt);
      c.operation();
      EXPECT_EQ(ReadControlWord() & 0x0F3F, 0x033F) << c.label << " after " << std::hex << corrupt;
      EXPECT_EQ(ReadMxcsr() & 0xFFC0, 0x1F80u) << c.label;
    }
  }
  // The mode makes the extended intermediates visible: 1 + 2^-60 survives.
  const volatile long double tiny = 0x1p-60L;
  EXPECT_NE(1.0L + tiny, 1.0L);
  Destroy(dialog);
}

// ---- 8. Sound --------------------------------------------------------------

TEST(Sound, ResourceOfTypeSoundIsFound) {
  const std::span<const std::byte> wav = FindSoundResource("glass_a");
  ASSERT_EQ(wav.size(), 31182u);
  EXPECT_EQ(std::memcmp(wav.data(), "RIFF", 4), 0);
  EXPECT_EQ(std::memcmp(wav.data() + 8, "WAVE", 4), 0);
  EXPECT_TRUE(FindSoundResource("nosuch").empty());
  EXPECT_FALSE(PlayResourceSound("nosuch")) << "a missing sound plays nothing, not a default";
}

} // namespace
