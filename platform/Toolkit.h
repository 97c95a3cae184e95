// The dialog toolkit and print service: everything the program needs from
// the window system. One backend implements it per platform (win32/ or qt/);
// nothing outside platform/ knows which one is linked.
//
// All operations run on the one user-interface thread and report no errors
// except through a result where one is named: an unknown dialog or control
// makes an operation do nothing, or yields the empty text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

// Opaque handle of a dialog created by NewDialog; nullptr for none.
using WindowRef = struct ToolkitWindow *;

enum class ControlKind {
  Button,  // push button, tab stop
  Frame,   // group box, no tab stop
  Label,   // left-aligned static text, wraps within its box
  TextBox, // single-line edit field with a sunken edge, tab stop
};

enum class UnitMode { DialogUnits = 1, Pixels = 2 };

// Message numbers and codes the callback sees, with the window system's
// values so that both backends deliver the same numbers.
inline constexpr unsigned MsgSize = 0x0005;         // WM_SIZE
inline constexpr unsigned MsgClose = 0x0010;        // WM_CLOSE
inline constexpr unsigned MsgInitDialog = 0x0110;   // WM_INITDIALOG
inline constexpr unsigned MsgCommand = 0x0111;      // WM_COMMAND (273)
inline constexpr unsigned MsgSysCommand = 0x0112;   // WM_SYSCOMMAND
inline constexpr unsigned SysCommandClose = 0xF060; // SC_CLOSE
inline constexpr unsigned NotifyClicked = 0;        // BN_CLICKED
inline constexpr int CommandOk = 1;                 // IDOK: Enter
inline constexpr int CommandCancel = 2;             // IDCANCEL: Esc
inline constexpr unsigned SizeRestored = 0, SizeMinimized = 1, SizeMaximized = 2;

// Message-box style: one OK button, task-modal, brought to the front
// (MB_OK | MB_TASKMODAL | MB_SETFOREGROUND).
inline constexpr std::uint32_t MessageStyleOkForeground = 0x00012000;

// Window style bits, with the window system's values, that shape a dialog.
inline constexpr std::uint32_t StyleMinimize = 0x20000000, StyleMaximize = 0x01000000,
                               StyleCaption = 0x00C00000, StyleSysMenu = 0x00080000,
                               StyleThickFrame = 0x00040000, StyleMinimizeBox = 0x00020000,
                               StyleMaximizeBox = 0x00010000;

// Dialog window style of an overlapped window (caption, system menu, sizing
// border, minimize and maximize boxes).
inline constexpr std::uint32_t OverlappedWindowStyle =
    StyleCaption | StyleSysMenu | StyleThickFrame | StyleMinimizeBox | StyleMaximizeBox;
static_assert(OverlappedWindowStyle == 0x00CF0000);

// The style a dialog created with style 0 gets: a popup with a caption and a
// modal frame, its font from the template, created even if a control fails,
// with a 3D look (WS_POPUP | WS_CAPTION | DS_MODALFRAME | DS_SETFONT |
// DS_NOFAILCREATE | DS_3DLOOK).
inline constexpr std::uint32_t DefaultDialogStyle = 0x80C000D4;

// The program's icons (resource names, matched ignoring ASCII case, as
// resource names are) and the sizes the window system asks for.
inline constexpr const char *WindowIconName = "TBICON";
inline constexpr const char *ProgramIconName = "APPICON";
inline constexpr int IconSizes[] = {16, 32, 48};

// The printed report's font and the spooler's name for a job with no name.
inline constexpr const char *PrintFontFace = "Lucida Console";
inline constexpr int PrintFontPoints = 11;
inline constexpr const char *DefaultPrintJobName = "Print Job";

// ---- Numeric mode ----------------------------------------------------------
//
// On x86 the program's arithmetic needs the x87 unit at 64-bit precision,
// rounding to nearest, every exception masked (control word 0x037F), and the
// SSE unit, which carries the doubles, rounding to nearest with every
// exception masked and no flush to zero (MXCSR 0x1F80). On 64-bit ARM, where
// the extended arithmetic is integer code, the doubles' unit needs the same:
// FPCR 0 (round to nearest, no flush to zero, NaNs propagated, no traps).
// The window system, printer drivers and sound libraries may change either.
// The rule: every toolkit operation returns with the numeric mode set, and
// every callback into the program is entered with it set.
#if defined(__i386__) || defined(__x86_64__)
inline constexpr unsigned short NumericModeControlWord = 0x037F;
inline constexpr unsigned NumericModeMxcsr = 0x1F80;

// Sets the numeric mode on both units, pending x87 exceptions cleared.
inline void SetNumericMode() {
  const unsigned short controlWord = NumericModeControlWord;
  const unsigned mxcsr = NumericModeMxcsr;
  __asm__ volatile("fnclex\n\tfldcw %0\n\tldmxcsr %1" : : "m"(controlWord), "m"(mxcsr));
}
#elif defined(__aarch64__)
inline constexpr std::uint64_t NumericModeFpcr = 0;

inline void SetNumericMode() {
  const std::uint64_t fpcr = NumericModeFpcr;
  __asm__ volatile("msr fpcr, %0" : : "r"(fpcr));
}
#elif defined(__wasm__)
// WebAssembly's numeric mode is fixed (round to nearest, no traps, no flush
// to zero): the browser page has nothing to set.
inline void SetNumericMode() {}
#else
#error "SetNumericMode: no numeric mode for this processor"
#endif

// Runs `operation` and sets the numeric mode before handing back its result,
// whichever way the operation returns: how each toolkit operation keeps the
// rule.
template <typename Operation> decltype(auto) KeepingNumericMode(Operation &&operation) {
  if constexpr (std::is_void_v<decltype(operation())>) {
    operation();
    SetNumericMode();
  } else {
    auto result = operation();
    SetNumericMode();
    return result;
  }
}

// The program's message callback. A command arrives as (dialog, MsgCommand,
// id | code << 16, control); nonzero means handled.
using DialogCallbackFn = std::intptr_t (*)(WindowRef dialog, unsigned message,
                                           std::uintptr_t wParam, std::intptr_t lParam);

// Sets the font of every dialog created afterwards (face: first 31
// characters; style bit 1 bold, bit 2 italic; charset 0 ANSI). The font
// defines the dialog units: 1/4 average character width, 1/8 height.
void SetDialogFont(std::string_view face, int points, int style, int charset);

// Creates a hidden top-level dialog; x or y omitted centres it on screen.
// Returns nullptr when the window system refuses.
WindowRef NewDialog(UnitMode mode, WindowRef parent, std::string_view title, std::optional<int> x,
                    std::optional<int> y, int width, int height, std::uint32_t style,
                    std::uint32_t exStyle);

// Sets the named icon of the program as the dialog's large and small icon.
void SetDialogIcon(WindowRef dialog, std::string_view iconName);

// Adds one child control at a dialog-unit rectangle; style 0 takes the
// kind's default style. Does not check for an existing control of that id.
void AddControl(ControlKind kind, WindowRef dialog, int id, std::string_view text, int x, int y,
                int width, int height, std::uint32_t style, std::uint32_t exStyle);

// Destroys the control with that id; an absent one is ignored.
void RemoveControl(WindowRef dialog, int id);

// The control's whole current text; the empty text for an absent control.
std::string GetControlText(WindowRef dialog, int id);

// Brings the dialog to the front and puts the keyboard focus into the control.
void SetControlFocus(WindowRef dialog, int id);

// Shows the dialog and handles its messages, calling `callback` for each,
// until the dialog window is destroyed (only its close command does that).
void RunModal(WindowRef dialog, DialogCallbackFn callback);

// Shows a message box with no owner; returns the id of the button pressed.
int ShowMessage(std::string_view text, std::uint32_t style, std::string_view caption);

// Starts the program's named sound resource and returns at once.
bool PlayResourceSound(std::string_view name);

// ---- Print service -------------------------------------------------------

struct PrintDialogOptions {
  bool noSelection = true;     // the whole document is always printed
  bool noPageNumbers = true;   // no page range
  bool hidePrintToFile = true; // the print-to-file box is hidden
  int minPage = 1, maxPage = 999, fromPage = 1, toPage = 1;
  bool returnDeviceContext = true;
};

enum class PrinterChoice { Choose, Default };

// Shows the print dialog (Choose) or takes the default printer (Default)
// and attaches it, opening a job (named DefaultPrintJobName when
// `documentName` is empty) with the print font. Returns false only when
// attaching failed after OK; Cancel attaches nothing and returns true. A job
// still open is ended first.
bool AttachPrinter(PrinterChoice choice, const PrintDialogOptions &options,
                   std::string_view documentName);

// Name of the attached printer; empty when none is attached.
std::string AttachedPrinterName();

// Draws `text` at the current position (opening the first page if needed)
// and moves the position right by its width.
void PrintText(std::string_view text);

// Moves to the left edge, one line (height plus external leading) down.
void PrintLineBreak();

// Ends the page and the job, hands it to the spooler, releases the printer.
void DetachPrinter();
