// Process start and exit around the program's main routine.
#include "platform/win32/Win32Toolkit.h"

#include <commctrl.h>
#include <objbase.h>

namespace {

constexpr UINT StartupMessageStyle = MB_OK | MB_TASKMODAL | MB_SETFOREGROUND;

// Every common control class: list views, tree views, bars, tabs, progress,
// hot keys, page scrollers, native font control and the standard classes.
constexpr DWORD CommonControlClasses = 0x706F;

bool IsWindowsNt() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) != FALSE && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

} // namespace

void RunProgramProcess(int (*mainRoutine)()) {
  // Step 1: only the Windows NT family is supported.
  if (!IsWindowsNt()) {
    MessageBoxA(nullptr, "Win98 No Support", nullptr, StartupMessageStyle);
    ExitProcess(255);
  }

  // Step 2: the module every resource comes from, and the toolkit's records.
  if (ProgramModule() == nullptr || !ReserveToolkitRecords())
    ExitProcess(255);

  // Step 3: COM for the thread and the common control classes.
  const HRESULT com = CoInitialize(nullptr);
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = CommonControlClasses;
  InitCommonControlsEx(&classes);

  // Step 4: the program's variables are static and so already zero; the
  // numeric mode is set here and kept by every toolkit operation.
  SetNumericMode();

  // Step 5: the main routine's result is the exit code.
  const int result = mainRoutine();

  // Step 6: release and end.
  ReleaseToolkitRecords();
  if (SUCCEEDED(com))
    CoUninitialize();
  ExitProcess(static_cast<UINT>(result));
}
