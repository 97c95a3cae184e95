// Helper for the process-level checks: waits for a top-level window with the
// given title and posts it WM_SYSCOMMAND SC_CLOSE, as the close box would,
// from another process. Exit code 0 when the window was found, 1 otherwise.
#include <windows.h>

#include <string>

int main(int argc, char** argv) {
  if (argc < 2)
    return 2;
  const int size = MultiByteToWideChar(CP_ACP, 0, argv[1], -1, nullptr, 0);
  std::wstring title(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_ACP, 0, argv[1], -1, title.data(), size);
  const DWORD timeoutMs = argc > 2 ? static_cast<DWORD>(std::stoul(argv[2])) : 20000;

  const DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    // Only a window that is shown counts: the dialog is built hidden first.
    const HWND window = FindWindowW(nullptr, title.c_str());
    if (window != nullptr && IsWindowVisible(window)) {
      PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    }
    Sleep(20);
  }
  return 1;
}
