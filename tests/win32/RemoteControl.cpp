// Drives a running calvora.exe from another process, for the process-level
// checks and the screenshot:
//   remote_control close TITLE       post WM_SYSCOMMAND SC_CLOSE to the window
//   remote_control box TEXT          find a message box showing TEXT, close it
//   remote_control calc TITLE        Cs-D, F 1000, Cs 1, DF .01, then Calc;
//                                    prints the window rectangle "W H X Y"
// Each waits up to 20 s for its window; exit code 0 on success, 1 otherwise.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::wstring Wide(const char* text) {
  const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), size);
  wide.resize(wcslen(wide.c_str()));
  return wide;
}

// The visible top-level window with this title; the dialog is built hidden.
HWND WaitForWindow(const std::wstring& title) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < 20000) {
    const HWND window = FindWindowW(nullptr, title.c_str());
    if (window != nullptr && IsWindowVisible(window))
      return window;
    Sleep(10);
  }
  return nullptr;
}

struct BoxSearch {
  std::wstring text;
  HWND found = nullptr;
};

BOOL CALLBACK MatchBox(HWND window, LPARAM p) {
  auto& search = *reinterpret_cast<BoxSearch*>(p);
  wchar_t className[16] = {};
  GetClassNameW(window, className, 16);
  if (wcscmp(className, L"#32770") != 0 || !IsWindowVisible(window))
    return TRUE;
  wchar_t text[256] = {};
  GetDlgItemTextW(window, 0xFFFF, text, 256);
  if (search.text == text) {
    search.found = window;
    return FALSE;
  }
  return TRUE;
}

int CloseBox(const std::wstring& text) {
  BoxSearch search{text};
  const DWORD start = GetTickCount();
  while (search.found == nullptr && GetTickCount() - start < 20000) {
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    if (search.found == nullptr)
      Sleep(10);
  }
  if (search.found == nullptr)
    return 1;
  std::printf("found message box\n");
  PostMessageW(search.found, WM_COMMAND, IDOK, 0);
  return 0;
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
  const std::wstring argument = Wide(argv[2]);
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
