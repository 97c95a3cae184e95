// Windows-only parts of the toolkit that the process start-up, the Win32
// tests and the benchmarks reach directly. Nothing outside platform/win32,
// tests/win32 and bench/win32 includes this header.
#pragma once

#include "platform/Toolkit.h"

#include <windows.h>

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// The window style NewDialog creates a dialog with, from the caller's style:
// DefaultDialogStyle for 0, font/no-fail/3D bits added, visible and
// system-modal removed, centred when a coordinate was omitted.
std::uint32_t DialogStyleFor(std::uint32_t style, bool centred, bool hasParent);

// Style and extended style AddControl creates a control of `kind` with.
struct ControlStyles {
  std::uint32_t style;
  std::uint32_t exStyle;
};

ControlStyles ControlStylesFor(ControlKind kind, std::uint32_t style, std::uint32_t exStyle);

// The 8-bit code page conversions at the window-system boundary.
std::wstring WideFromProgramText(std::string_view text);
std::string ProgramTextFromWide(std::wstring_view text);

// The module every resource comes from (the executable itself).
HINSTANCE ProgramModule();

// Number of dialog and control records the toolkit holds.
struct ToolkitRecordCounts {
  std::size_t dialogs;
  std::size_t controls;
};

ToolkitRecordCounts CountToolkitRecords();

// Makes room for the toolkit's records at start-up; false when it cannot.
bool ReserveToolkitRecords();

// Forgets every dialog and control record and destroys the icons they hold.
void ReleaseToolkitRecords();

// The bytes of the program's resource `name` of type "SOUND"; empty when the
// module has none. The data stays valid for the life of the module.
std::span<const std::byte> FindSoundResource(std::string_view name);

// Runs the process around `mainRoutine`: Windows NT check ("Win98 No
// Support", exit 255), COM and common controls, numeric mode; ends the
// process with the routine's result. Never returns.
[[noreturn]] void RunProgramProcess(int (*mainRoutine)());

// Attaches an already created device context as the print target (what
// AttachPrinter does after the print dialog). A printer DC gets a spooler
// document named "Print Job" (or `documentName`); a metafile DC records the
// page without one. With `ownsDc` DetachPrinter deletes the DC. Returns
// false, releasing everything, when the document cannot be started.
bool AttachPrinterDC(HDC dc, bool ownsDc, std::string_view printerName,
                     std::string_view documentName);
