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

// A visible message box showing `text`, or the visible top-level window
// titled `text` (the dialog is built hidden); null when there is none yet.
HWND Find(bool box, const std::wstring &text) {
  if (!box) {
    const HWND window = FindWindowW(nullptr, text.c_str());
    return window != nullptr && IsWindowVisible(window) ? window : nullptr;
  }
  for (HWND w = FindWindowExW(nullptr, nullptr, L"#32770", nullptr); w != nullptr;
       w = FindWindowExW(nullptr, w, L"#32770", nullptr)) {
    wchar_t shown[256] = {};
    GetDlgItemTextW(w, 0xFFFF, shown, 256);
    if (IsWindowVisible(w) && text == shown)
      return w;
  }
  return nullptr;
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

int main(int argc, char **argv) {
  if (argc < 3)
    return 2;
  const std::string command = argv[1];
  const std::wstring argument(argv[2], argv[2] + std::strlen(argv[2])); // ASCII titles and texts
  HWND window = nullptr;
  for (const DWORD start = GetTickCount(); window == nullptr && GetTickCount() - start < 20000;
       Sleep(10))
    window = Find(command == "box", argument);
  if (window == nullptr)
    return 1;
  if (command == "calc")
    return Calc(window);
  const bool box = command == "box"; // closed with OK; the main window with SC_CLOSE
  return PostMessageW(window, box ? WM_COMMAND : WM_SYSCOMMAND, box ? IDOK : SC_CLOSE, 0) ? 0 : 1;
}
