// The dialog toolkit over the Win32 user-interface services: dialogs from
// in-memory templates, child controls of the system classes, the modal
// message loop, message boxes and the resource sound.
#include "platform/win32/Win32Toolkit.h"

#include <mmsystem.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

// The current dialog font request; read when a dialog is created.
struct DialogFontRequest {
  std::wstring face = L"MS Shell Dlg";
  int points = 8;
  int style = 0; // bit 1 bold, bit 2 italic
  int charset = 0;
};

struct DialogRecord {
  HWND window = nullptr;
  HWND parent = nullptr;
  UnitMode unitMode = UnitMode::DialogUnits;
  int showCommand = SW_SHOW;
  HFONT font = nullptr; // created by the platform from the template
  DialogCallbackFn callback = nullptr;
  bool ending = false; // inside the toolkit's own close path
  HICON bigIcon = nullptr;
  HICON smallIcon = nullptr;
};

struct ControlRecord {
  HWND window = nullptr;
  HWND dialog = nullptr;
  int id = 0;
};

struct ToolkitState {
  HINSTANCE module = nullptr;
  DialogFontRequest font;
  std::vector<DialogRecord> dialogs;
  std::vector<ControlRecord> controls;
  HWND activeDialog = nullptr;
};

ToolkitState Toolkit;

HWND AsWindow(WindowRef ref) { return reinterpret_cast<HWND>(ref); }

WindowRef AsRef(HWND window) { return reinterpret_cast<WindowRef>(window); }

DialogRecord *FindDialog(HWND window) {
  if (window == nullptr)
    return nullptr;
  for (DialogRecord &d : Toolkit.dialogs)
    if (d.window == window)
      return &d;
  return nullptr;
}

std::vector<ControlRecord>::iterator FindControl(HWND dialog, int id) {
  return std::find_if(Toolkit.controls.begin(), Toolkit.controls.end(),
                      [&](const ControlRecord &c) { return c.dialog == dialog && c.id == id; });
}

// Forgets a dialog and its controls once the platform has destroyed it.
void ForgetDialog(HWND window) {
  std::erase_if(Toolkit.controls, [&](const ControlRecord &c) { return c.dialog == window; });
  for (auto it = Toolkit.dialogs.begin(); it != Toolkit.dialogs.end(); ++it) {
    if (it->window != window)
      continue;
    if (it->bigIcon)
      DestroyIcon(it->bigIcon);
    if (it->smallIcon)
      DestroyIcon(it->smallIcon);
    Toolkit.dialogs.erase(it);
    break;
  }
  if (Toolkit.activeDialog == window)
    Toolkit.activeDialog = nullptr;
}

// The toolkit's close path: WM_CLOSE through the dialog procedure (so the
// callback sees it), the parent re-enabled, then the window destroyed.
void EndDialogWindow(HWND window) {
  DialogRecord *d = FindDialog(window);
  if (d == nullptr)
    return;
  d->ending = true;
  const HWND parent = d->parent;
  SendMessageW(window, WM_CLOSE, 0, 0);
  if (parent != nullptr)
    EnableWindow(parent, TRUE);
  DestroyWindow(window);
}

// What happens to a message the callback left unhandled.
INT_PTR DefaultHandling(HWND window, UINT message, WPARAM wParam) {
  switch (message) {
  case WM_SYSCOMMAND:
    if ((wParam & 0xFFF0) == SC_CLOSE) {
      EndDialogWindow(window);
      return TRUE;
    }
    return FALSE;
  case WM_CLOSE: {
    // Handled on the toolkit's own close path, so that the platform does not
    // turn it into an IDCANCEL command for a window about to go.
    const DialogRecord *d = FindDialog(window);
    return d != nullptr && d->ending ? TRUE : FALSE;
  }
  default:
    return FALSE;
  }
}

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG)
    return TRUE;
  if (message == WM_ACTIVATE) {
    if (LOWORD(wParam) != WA_INACTIVE)
      Toolkit.activeDialog = window;
    else if (Toolkit.activeDialog == window)
      Toolkit.activeDialog = nullptr;
    return 0;
  }

  INT_PTR result = 0;
  const DialogRecord *d = FindDialog(window);
  if (d != nullptr && d->callback != nullptr) {
    const DialogCallbackFn callback = d->callback;
    SetNumericMode();
    const std::intptr_t handled = callback(AsRef(window), message, wParam, lParam);
    if (handled != 0) {
      SetWindowLongPtrW(window, DWLP_MSGRESULT, handled);
      result = handled;
    }
  }
  if (message == WM_NCDESTROY) {
    ForgetDialog(window);
    return result;
  }
  if (result != 0)
    return result;
  return DefaultHandling(window, message, wParam);
}

// Appends the UTF-16 text and its terminator to a dialog template.
void PutTemplateText(std::vector<WORD> &t, std::wstring_view text) {
  for (wchar_t c : text)
    t.push_back(static_cast<WORD>(c));
  t.push_back(0);
}

void PutTemplateDword(std::vector<WORD> &t, DWORD value) {
  t.push_back(LOWORD(value));
  t.push_back(HIWORD(value));
}

// An extended dialog template with no items, no menu, the default class and
// the current font request.
std::vector<WORD> DialogTemplate(DWORD style, DWORD exStyle, int x, int y, int width, int height) {
  std::vector<WORD> t;
  t.push_back(1);         // dlgVer
  t.push_back(0xFFFF);    // signature of the extended form
  PutTemplateDword(t, 0); // help id
  PutTemplateDword(t, exStyle);
  PutTemplateDword(t, style);
  t.push_back(0); // no items
  t.push_back(static_cast<WORD>(x));
  t.push_back(static_cast<WORD>(y));
  t.push_back(static_cast<WORD>(width));
  t.push_back(static_cast<WORD>(height));
  t.push_back(0); // no menu
  t.push_back(0); // default dialog class
  t.push_back(0); // empty title: set afterwards with SetWindowTextW
  const DialogFontRequest &f = Toolkit.font;
  t.push_back(static_cast<WORD>(f.points));
  t.push_back(static_cast<WORD>((f.style & 1) != 0 ? FW_BOLD : FW_NORMAL));
  const WORD italic = (f.style & 2) != 0 ? 1 : 0;
  t.push_back(static_cast<WORD>(italic | ((f.charset & 0xFF) << 8)));
  PutTemplateText(t, f.face);
  return t;
}

const wchar_t *ClassName(ControlKind kind) {
  switch (kind) {
  case ControlKind::Button:
  case ControlKind::Frame:
    return L"BUTTON";
  case ControlKind::Label:
    return L"STATIC";
  case ControlKind::TextBox:
    return L"EDIT";
  }
  return L"STATIC";
}

// NOTE: the sound library is loaded on the first sound instead of being
// imported: under Wine it also brings in the audio compression manager, which
// lengthened the program's start-up for a sound that plays only after a
// Calc. It stays loaded, as an asynchronous play needs.
using PlaySoundAFunction = BOOL(WINAPI *)(LPCSTR, HMODULE, DWORD);
PlaySoundAFunction PlaySoundAEntry = nullptr;

PlaySoundAFunction LoadPlaySoundA() {
  if (PlaySoundAEntry == nullptr) {
    if (const HMODULE winmm = LoadLibraryW(L"winmm.dll"))
      PlaySoundAEntry = reinterpret_cast<PlaySoundAFunction>(
          reinterpret_cast<void (*)()>(GetProcAddress(winmm, "PlaySoundA")));
  }
  return PlaySoundAEntry;
}

} // namespace

// NOTE: system DLLs, printer drivers and Wine's own code may leave the x87
// control word at 53-bit precision or unmask exceptions (and a 64-bit
// process starts its threads at 53 bits), so every operation below keeps the
// numeric mode through KeepingNumericMode, and the dialog procedure sets it
// around the program's callback.

std::uint32_t DialogStyleFor(std::uint32_t style, bool centred, bool hasParent) {
  static_assert(DefaultDialogStyle ==
                (WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK));
  if (style == 0)
    style = DefaultDialogStyle;
  style |= DS_SETFONT | DS_NOFAILCREATE | DS_3DLOOK;
  style &= ~static_cast<std::uint32_t>(WS_VISIBLE | DS_SYSMODAL);
  if (centred)
    style |= DS_CENTER;
  if ((style & WS_CHILD) != 0) {
    style &= ~static_cast<std::uint32_t>(WS_POPUP);
    if (!hasParent) {
      style &= ~static_cast<std::uint32_t>(WS_CHILD);
      style |= WS_POPUP;
    }
  }
  return style;
}

ControlStyles ControlStylesFor(ControlKind kind, std::uint32_t style, std::uint32_t exStyle) {
  struct KindStyle {
    std::uint32_t defaults, required, forbidden;
  };

  static constexpr KindStyle Button{0x50010000, 0x50000000, 0};
  static constexpr KindStyle Frame{0x50000007, 0x50000007, 0xA7FFD0F8};
  static constexpr KindStyle Label{0x50000000, 0x50000000, 0};
  static constexpr KindStyle TextBox{0x50810080, 0x50000000, 0};
  const KindStyle &k = kind == ControlKind::Button  ? Button
                       : kind == ControlKind::Frame ? Frame
                       : kind == ControlKind::Label ? Label
                                                    : TextBox;
  const bool byDefault = style == 0;
  if (byDefault)
    style = k.defaults;
  style |= k.required;
  style &= ~k.forbidden;
  // A default text box gets a sunken edge instead of the flat border.
  if (kind == ControlKind::TextBox && byDefault) {
    style &= ~static_cast<std::uint32_t>(WS_BORDER);
    exStyle |= WS_EX_CLIENTEDGE;
  }
  return {style, exStyle};
}

std::wstring WideFromProgramText(std::string_view text) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  const int n = MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(std::max(n, 0)), L'\0');
  if (n > 0)
    MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, text.data(), size, wide.data(), n);
  return wide;
}

std::string ProgramTextFromWide(std::wstring_view text) {
  if (text.empty())
    return {};
  const int size = static_cast<int>(text.size());
  const int n = WideCharToMultiByte(CP_ACP, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
  std::string narrow(static_cast<std::size_t>(std::max(n, 0)), '\0');
  if (n > 0)
    WideCharToMultiByte(CP_ACP, 0, text.data(), size, narrow.data(), n, nullptr, nullptr);
  return narrow;
}

HINSTANCE ProgramModule() {
  if (Toolkit.module == nullptr)
    Toolkit.module = GetModuleHandleW(nullptr);
  return Toolkit.module;
}

ToolkitRecordCounts CountToolkitRecords() {
  return {Toolkit.dialogs.size(), Toolkit.controls.size()};
}

void SetDialogFont(std::string_view face, int points, int style, int charset) {
  KeepingNumericMode([&] {
    Toolkit.font.face = WideFromProgramText(face.substr(0, std::min<std::size_t>(face.size(), 31)));
    Toolkit.font.points = points;
    Toolkit.font.style = style;
    Toolkit.font.charset = charset;
  });
}

WindowRef NewDialog(UnitMode mode, WindowRef parent, std::string_view title, std::optional<int> x,
                    std::optional<int> y, int width, int height, std::uint32_t style,
                    std::uint32_t exStyle) {
  return KeepingNumericMode([&]() -> WindowRef {
    const HWND parentWindow = AsWindow(parent);
    const bool centred = !x.has_value() || !y.has_value();
    const DWORD finalStyle = DialogStyleFor(style, centred, parentWindow != nullptr);
    const std::vector<WORD> t =
        DialogTemplate(finalStyle, exStyle, x.value_or(0), y.value_or(0), width, height);

    const HWND window = CreateDialogIndirectParamW(
        ProgramModule(), reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), parentWindow, DialogProc, 0);
    if (window == nullptr)
      return nullptr;
    SetWindowTextW(window, WideFromProgramText(title).c_str());

    DialogRecord d;
    d.window = window;
    d.parent = parentWindow;
    d.unitMode = mode;
    d.showCommand = (finalStyle & WS_MAXIMIZE) != 0   ? SW_MAXIMIZE
                    : (finalStyle & WS_MINIMIZE) != 0 ? SW_MINIMIZE
                                                      : SW_SHOW;
    d.font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    Toolkit.dialogs.push_back(d);
    return AsRef(window);
  });
}

void SetDialogIcon(WindowRef dialog, std::string_view iconName) {
  KeepingNumericMode([&] {
    const HWND window = AsWindow(dialog);
    if (FindDialog(window) == nullptr)
      return;
    const std::wstring name = WideFromProgramText(iconName);
    const auto big = static_cast<HICON>(
        LoadImageW(ProgramModule(), name.c_str(), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    if (big != nullptr) {
      const auto small = static_cast<HICON>(
          LoadImageW(ProgramModule(), name.c_str(), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
      SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
      if (small != nullptr)
        SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
      // The record is looked up again: sending messages may have run code
      // that changed the list.
      if (DialogRecord *d = FindDialog(window)) {
        if (d->bigIcon)
          DestroyIcon(d->bigIcon);
        d->bigIcon = big;
        if (small != nullptr) {
          if (d->smallIcon)
            DestroyIcon(d->smallIcon);
          d->smallIcon = small;
        }
      }
    }
  });
}

void AddControl(ControlKind kind, WindowRef dialog, int id, std::string_view text, int x, int y,
                int width, int height, std::uint32_t style, std::uint32_t exStyle) {
  KeepingNumericMode([&] {
    const HWND window = AsWindow(dialog);
    const DialogRecord *d = FindDialog(window);
    if (d == nullptr)
      return;
    const ControlStyles s = ControlStylesFor(kind, style, exStyle);
    RECT r{x, y, x + width, y + height};
    if (d->unitMode == UnitMode::DialogUnits)
      MapDialogRect(window, &r);
    const HFONT font = d->font;

    const HWND control = CreateWindowExW(
        s.exStyle, ClassName(kind), WideFromProgramText(text).c_str(), s.style, r.left, r.top,
        r.right - r.left, r.bottom - r.top, window,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ProgramModule(), nullptr);
    if (control != nullptr) {
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
      ControlRecord c;
      c.window = control;
      c.dialog = window;
      c.id = id;
      Toolkit.controls.push_back(c);
    }
  });
}

void RemoveControl(WindowRef dialog, int id) {
  KeepingNumericMode([&] {
    const auto it = FindControl(AsWindow(dialog), id);
    if (it != Toolkit.controls.end()) {
      const HWND control = it->window;
      Toolkit.controls.erase(it);
      DestroyWindow(control);
    }
  });
}

std::string GetControlText(WindowRef dialog, int id) {
  return KeepingNumericMode([&]() -> std::string {
    std::string text;
    const auto it = FindControl(AsWindow(dialog), id);
    if (it != Toolkit.controls.end()) {
      const int length = GetWindowTextLengthW(it->window);
      if (length > 0) {
        std::wstring wide(static_cast<std::size_t>(length) + 1, L'\0');
        const int got = GetWindowTextW(it->window, wide.data(), length + 1);
        wide.resize(static_cast<std::size_t>(std::max(got, 0)));
        text = ProgramTextFromWide(wide);
      }
    }
    return text;
  });
}

void SetControlFocus(WindowRef dialog, int id) {
  KeepingNumericMode([&] {
    const auto it = FindControl(AsWindow(dialog), id);
    if (it != Toolkit.controls.end()) {
      const HWND control = it->window;
      SetForegroundWindow(GetAncestor(control, GA_ROOT));
      SetFocus(control);
    }
  });
}

void RunModal(WindowRef dialog, DialogCallbackFn callback) {
  KeepingNumericMode([&] {
    const HWND window = AsWindow(dialog);
    SetForegroundWindow(window);

    // Step 1: the two direct calls before anything is shown, each entered in
    // the numeric mode.
    int showCommand = SW_SHOW;
    if (const DialogRecord *d = FindDialog(window))
      showCommand = d->showCommand;
    const WPARAM sizeType = showCommand == SW_MAXIMIZE   ? SIZE_MAXIMIZED
                            : showCommand == SW_MINIMIZE ? SIZE_MINIMIZED
                                                         : SIZE_RESTORED;
    RECT client{};
    if (FindDialog(window) != nullptr)
      GetClientRect(window, &client);
    SetNumericMode();
    callback(dialog, WM_INITDIALOG, 0, 0);
    SetNumericMode();
    callback(dialog, WM_SIZE, sizeType,
             static_cast<std::intptr_t>(
                 MAKELPARAM(client.right - client.left, client.bottom - client.top)));

    // Step 2: register the callback; a parent is disabled for the run.
    DialogRecord *d = FindDialog(window);
    if (d == nullptr)
      return;
    d->callback = callback;
    const HWND parent = d->parent;
    if (parent != nullptr) {
      SendMessageW(parent, WM_CANCELMODE, 0, 0);
      EnableWindow(parent, FALSE);
    }
    ShowWindow(window, showCommand);

    // Step 3: the loop ends only when the dialog window is gone; WM_QUIT is
    // dispatched like any other message.
    while (IsWindow(window)) {
      MSG msg;
      if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // A deliberate choice over polling with Sleep(1): waiting for input
        // handles every message at least as soon, and an idle window costs
        // no processor time at all instead of a thousand wake-ups a second.
        MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        continue;
      }
      if (IsWindow(window) && IsDialogMessageW(window, &msg))
        continue;
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }

    if (parent != nullptr && IsWindow(parent))
      SetFocus(parent);
  });
}

int ShowMessage(std::string_view text, std::uint32_t style, std::string_view caption) {
  return KeepingNumericMode([&]() -> int {
    Sleep(5);
    return MessageBoxW(nullptr, WideFromProgramText(text).c_str(),
                       WideFromProgramText(caption).c_str(), style);
  });
}

std::span<const std::byte> FindSoundResource(std::string_view name) {
  const std::wstring wide = WideFromProgramText(name);
  const HMODULE module = ProgramModule();
  const HRSRC found = FindResourceW(module, wide.c_str(), L"SOUND");
  if (found == nullptr)
    return {};
  const HGLOBAL loaded = LoadResource(module, found);
  const void *data = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (data == nullptr)
    return {};
  return {static_cast<const std::byte *>(data), SizeofResource(module, found)};
}

bool PlayResourceSound(std::string_view name) {
  return KeepingNumericMode([&]() -> bool {
    // NOTE: PlaySoundA with SND_RESOURCE looks only among resources of type
    // "WAVE" and, failing that, plays the system's default sound; the clip is
    // stored as type "SOUND", so it is located here and played from memory.
    // Resource data stays mapped for the life of the module, as an
    // asynchronous SND_MEMORY play requires.
    const std::span<const std::byte> data = FindSoundResource(name);
    bool started = false;
    const PlaySoundAFunction play = data.empty() ? nullptr : LoadPlaySoundA();
    if (play != nullptr)
      started =
          play(reinterpret_cast<LPCSTR>(data.data()), nullptr, SND_MEMORY | SND_ASYNC) != FALSE;
    return started;
  });
}

void ReleaseToolkitRecords() {
  for (const DialogRecord &d : Toolkit.dialogs) {
    if (d.bigIcon)
      DestroyIcon(d.bigIcon);
    if (d.smallIcon)
      DestroyIcon(d.smallIcon);
  }
  Toolkit.dialogs.clear();
  Toolkit.controls.clear();
}

bool ReserveToolkitRecords() {
  try {
    Toolkit.dialogs.reserve(4);
    Toolkit.controls.reserve(64);
  } catch (...) {
    return false;
  }
  return true;
}
