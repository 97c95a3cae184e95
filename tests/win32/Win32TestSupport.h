// Helpers for driving real Win32 windows from inside a modal loop: a thread
// timer that runs scripted steps one per tick, a watchdog that records and
// closes message boxes, and counters of windows and GDI objects.
#pragma once

#include "platform/win32/Win32Toolkit.h"

#include <functional>
#include <string>
#include <vector>

// A message box (or other system dialog) seen and closed by the watchdog.
struct SeenBox {
  std::wstring caption;
  std::wstring text;
};

// Steps run one per timer tick while a modal loop runs; after the last step
// the dialog that `target` names gets WM_SYSCOMMAND SC_CLOSE. Any other
// dialog-class window (a message box) is recorded in `boxes` and cancelled.
struct StepScript {
  std::vector<std::function<void()>> steps;
  std::function<HWND()> target;
  std::vector<SeenBox> boxes;
  std::size_t next = 0;
  bool inStep = false;
  bool closeSent = false;
  bool timedOut = false;
  DWORD startTick = 0;
};

// Starts the script's timer; StopScript ends it. The script must outlive it.
void StartScript(StepScript& script);
void StopScript();

// UTF-16 text of a window; of a child by identifier.
std::wstring WindowText(HWND window);
std::wstring ChildText(HWND dialog, int id);
std::wstring Widen(const char* text);

// Window class name of a window.
std::wstring ClassOf(HWND window);

// Number of child windows of a window.
int CountChildWindows(HWND window);

// Number of live GDI objects of this process.
// NOTE: Wine's GetGuiResources is a stub that returns 0; under Wine the
// count is read from the shared GDI handle table that Wine publishes in the
// process environment block, where a free slot has type 0.
unsigned CountGdiObjects();

// The control's rectangle in its parent's client coordinates.
RECT ChildRect(HWND control);

// The rectangle MapDialogRect makes of a dialog-unit rectangle.
RECT MappedRect(HWND dialog, int x, int y, int width, int height);

// The x87 control word and the SSE control register now.
unsigned short ReadControlWord();
void LoadControlWord(unsigned short word);
unsigned ReadMxcsr();
