// Drives a running calvora.exe from another process, for the process-level
// checks and the screenshot:
//   remote_control close TITLE       post WM_SYSCOMMAND SC_CLOSE to the window
//   remote_control box TEXT          find a message box showing TEXT, close it
//   remote_control calc TITLE        Cs-D, F 1000, Cs 1, DF .01, then Calc;
//                                    prints the window rectangle "W H X Y"
// Each waits up to 20 s for its window; exit code 0 on success, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The visible top-level window with this title; the dialog is built hidden.
HWND WaitForWindow(const std::wstring& title) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(10)) {
    const HWND window = FindWindowW(nullptr, title.c_str());
    if (window != nullptr && IsWindowVisible(window))
      return window;
  }
  return nullptr;
}

// Waits for a visible message box showing `text` and closes it.
int CloseBox(const std::wstring& text) {
  for (const DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(10)) {
    for (HWND box = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); box != nullptr;
         box = FindWindowExW(nullptr, box, L"#32770", nullptr)) {
      wchar_t shown[256] = {};
      GetDlgItemTextW(box, 0xFFFF, shown, 256);
      if (IsWindowVisible(box) && text == shown) {
        std::printf("found message box\n");
        return PostMessageW(box, WM_COMMAND, IDOK, 0) ? 0 : 1;
      }
    }
  }
  return 1;
}

int Calc(HWND window) {
  SendMessageW(GetDlgItem(window, 102), BM_CLICK, 0, 0); // Cs-D
  SendMessageW(GetDlgItem(window, 152), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"));
  SendMessageW(GetDlgItem(window, 153), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L".01"));
  SendMessageW(GetDlgItem(window, 108), BM_CLICK, 0, 0); // Calc
  if (GetDlgItem(window, 211) == nullptr)
    return 1;
  // NOTE: Wine does not repaint a window whose children were rebuilt on
  // another process's sent messages until something invalidates it; a user's
  // own clicks repaint at once.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  RECT r{};
  GetWindowRect(window, &r);
  std::printf("%ld %ld %ld %ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  if (argc < 3)
    return 2;
  const std::string command = argv[1];
  const std::wstring argument(argv[2], argv[2] + std::strlen(argv[2])); // ASCII titles and texts
  if (command == "box")
    return CloseBox(argument);
  const HWND window = WaitForWindow(argument);
  if (window == nullptr)
    return 1;
  if (command == "close")
    return PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
  if (command == "calc")
    return Calc(window);
  return 2;
}
