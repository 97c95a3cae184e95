// The yardstick for calvora.exe's start-up and idle figures: the smallest
// Win32 dialog program of the same shape (450 x 290 dialog units, 21 push
// buttons, a message loop that waits), built with the same flags.
#include <windows.h>

#include <vector>

namespace {

void Put(std::vector<WORD> &t, DWORD value, bool wide) {
  t.push_back(LOWORD(value));
  if (wide)
    t.push_back(HIWORD(value));
}

void PutText(std::vector<WORD> &t, const wchar_t *text) {
  while (*text != 0)
    t.push_back(static_cast<WORD>(*text++));
  t.push_back(0);
}

void Align(std::vector<WORD> &t) {
  if (t.size() % 2 != 0)
    t.push_back(0);
}

INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG)
    return TRUE;
  if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
    DestroyWindow(window);
    return TRUE;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return TRUE;
  }
  return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  constexpr int Buttons = 21;
  std::vector<WORD> t;
  Put(t,
      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX |
          DS_SETFONT | DS_CENTER,
      true);
  Put(t, 0, true);
  t.push_back(Buttons);
  t.push_back(0);
  t.push_back(0);
  t.push_back(450);
  t.push_back(290);
  t.push_back(0); // menu
  t.push_back(0); // class
  PutText(t, L"Minimal Dialog");
  t.push_back(10);
  PutText(t, L"Arial");
  for (int i = 0; i < Buttons; ++i) {
    Align(t);
    Put(t, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, true);
    Put(t, 0, true);
    t.push_back(static_cast<WORD>(58 + 43 * (i % 8)));
    t.push_back(static_cast<WORD>(20 + 20 * (i / 8)));
    t.push_back(35);
    t.push_back(14);
    t.push_back(static_cast<WORD>(100 + i));
    t.push_back(0xFFFF);
    t.push_back(0x0080); // BUTTON
    PutText(t, L"Button");
    t.push_back(0);
  }
  const HWND dialog = CreateDialogIndirectParamW(
      instance, reinterpret_cast<LPCDLGTEMPLATEW>(t.data()), nullptr, Procedure, 0);
  if (dialog == nullptr)
    return 255;
  ShowWindow(dialog, SW_SHOW);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  }
  return 0;
}
