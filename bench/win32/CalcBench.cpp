// Calc timings inside calvora's real dialog: the whole command through
// BM_CLICK (read the entries, calculate, rebuild the result panel, start the
// sound) and the calculation with the panel's texts alone. Prints figures;
// asserts nothing.
#include "core/RunCalc.h"
#include "dialog/MainDialog.h"
#include "platform/win32/Win32Toolkit.h"
#include "present/ResultContent.h"

#include <cstdio>

namespace {

constexpr int DialogCalcs = 300;
constexpr int PureCalcs = 20000;

double Seconds(const LARGE_INTEGER &a, const LARGE_INTEGER &b) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return double(b.QuadPart - a.QuadPart) / double(f.QuadPart);
}

void CALLBACK Measure(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  const auto dialog = reinterpret_cast<HWND>(DialogHandle);
  SendMessageW(GetDlgItem(dialog, 102), BM_CLICK, 0, 0); // Cs-D
  SendMessageW(GetDlgItem(dialog, 152), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"1"));
  SendMessageW(GetDlgItem(dialog, 153), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L".01"));
  LARGE_INTEGER a, b;
  QueryPerformanceCounter(&a);
  for (int i = 0; i < DialogCalcs; ++i)
    SendMessageW(GetDlgItem(dialog, CalcButtonId), BM_CLICK, 0, 0);
  QueryPerformanceCounter(&b);
  std::printf("Calc through the dialog (panel rebuilt, sound started): %.3f ms per Calc\n",
              Seconds(a, b) * 1000.0 / DialogCalcs);

  const std::string_view rows[3] = {"1000", "1", ".01"};
  std::size_t sink = 0;
  QueryPerformanceCounter(&a);
  for (int i = 0; i < PureCalcs; ++i) {
    CalcState s{};
    RunCalc(s, 3, rows);
    sink += ResultPanelRows(s).size();
  }
  QueryPerformanceCounter(&b);
  std::printf("RunCalc and the panel texts alone: %.2f us per Calc (%zu rows)\n",
              Seconds(a, b) * 1e6 / PureCalcs, sink / PureCalcs);
  PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
}

} // namespace

int main() {
  SetTimer(nullptr, 0, 200, Measure);
  return RunMainDialog();
}
