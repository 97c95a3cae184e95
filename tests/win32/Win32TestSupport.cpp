#include "Win32TestSupport.h"

#include <cstdint>

namespace {

StepScript* Running = nullptr;
UINT_PTR TimerId = 0;

// A scripted run that has not finished by then is closed and reported.
constexpr DWORD ScriptDeadlineMs = 120000;

BOOL CALLBACK CloseOneBox(HWND window, LPARAM) {
  if (!IsWindowVisible(window) || ClassOf(window) != L"#32770")
    return TRUE;
  // Toolkit dialogs are the windows under test, never closed here.
  if (Running != nullptr && Running->target && window == Running->target())
    return TRUE;
  if (Running != nullptr)
    Running->boxes.push_back({WindowText(window), ChildText(window, 0xFFFF)});
  PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  return TRUE;
}

void CALLBACK ScriptTick(HWND, UINT, UINT_PTR, DWORD) {
  if (Running == nullptr || !Running->target || Running->target() == nullptr)
    return;
  StepScript& s = *Running;
  EnumThreadWindows(GetCurrentThreadId(), CloseOneBox, 0);
  if (s.inStep)
    return;
  if (GetTickCount() - s.startTick > ScriptDeadlineMs && !s.closeSent) {
    s.timedOut = true;
    s.next = s.steps.size();
  }
  if (s.next < s.steps.size()) {
    s.inStep = true;
    s.steps[s.next++]();
    s.inStep = false;
    return;
  }
  if (!s.closeSent) {
    s.closeSent = true;
    PostMessageW(s.target(), WM_SYSCOMMAND, SC_CLOSE, 0);
  }
}

struct GdiHandleEntry {
  std::uint64_t object;
  std::uint32_t owner;
  std::uint16_t unique;
  std::uint8_t type;
  std::uint8_t flags;
  std::uint64_t userPointer;
};
static_assert(sizeof(GdiHandleEntry) == 24);

bool UnderWine() {
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

void StartScript(StepScript& script) {
  Running = &script;
  script.startTick = GetTickCount();
  TimerId = SetTimer(nullptr, 0, 15, ScriptTick);
}

void StopScript() {
  if (TimerId != 0)
    KillTimer(nullptr, TimerId);
  TimerId = 0;
  Running = nullptr;
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
  return text;
}

std::wstring ChildText(HWND dialog, int id) {
  const HWND child = GetDlgItem(dialog, id);
  return child != nullptr ? WindowText(child) : std::wstring(L"<none>");
}

std::wstring Widen(const char* text) { return WideFromProgramText(text); }

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

BOOL CALLBACK CountOne(HWND, LPARAM p) {
  ++*reinterpret_cast<int*>(p);
  return TRUE;
}

int CountChildWindows(HWND window) {
  int count = 0;
  EnumChildWindows(window, CountOne, reinterpret_cast<LPARAM>(&count));
  return count;
}

unsigned CountGdiObjects() {
  if (!UnderWine())
    return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  // The handle table's address sits in the PEB (fs:0x30) at offset 0x94.
  const char* peb = nullptr;
  __asm__("movl %%fs:0x30, %0" : "=r"(peb));
  const auto* table = *reinterpret_cast<const GdiHandleEntry* const*>(peb + 0x94);
  if (table == nullptr)
    return 0;
  unsigned count = 0;
  for (int i = 0; i < 0x10000; ++i)
    if (table[i].type != 0)
      ++count;
  return count;
}

RECT ChildRect(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT MappedRect(HWND dialog, int x, int y, int width, int height) {
  RECT r{x, y, x + width, y + height};
  MapDialogRect(dialog, &r);
  return r;
}

unsigned short ReadControlWord() {
  unsigned short word = 0;
  __asm__ volatile("fnstcw %0" : "=m"(word));
  return word;
}

void LoadControlWord(unsigned short word) { __asm__ volatile("fldcw %0" : : "m"(word)); }

unsigned ReadMxcsr() {
  unsigned csr = 0;
  __asm__ volatile("stmxcsr %0" : "=m"(csr));
  return csr;
}
