// The print service over the common print dialog and GDI: one job at a
// time, text lines in the default print font, every DC, font and global
// block released on every path.
#include "platform/win32/Win32Toolkit.h"

#include <commdlg.h>

#include <string>

namespace {

struct PrintJobRecord {
  HDC dc = nullptr;
  bool ownsDc = false;
  bool spooled = false; // a spooler document was started on the DC
  bool pageOpen = false;
  HFONT font = nullptr;
  HGDIOBJ previousFont = nullptr;
  std::string printerName;
};

PrintJobRecord PrintJob;

// NOTE: the common dialog library is loaded on the first print dialog
// instead of being imported: under Wine it brings in the shell and the
// printer libraries, which lengthened the program's start-up for a dialog
// that is only shown on Print. Once loaded it stays for the process.
using PrintDlgWFunction = BOOL(WINAPI *)(LPPRINTDLGW);
using CommDlgExtendedErrorFunction = DWORD(WINAPI *)();
PrintDlgWFunction PrintDlgWEntry = nullptr;
CommDlgExtendedErrorFunction CommDlgExtendedErrorEntry = nullptr;

// Both entry points, or false when the library or one of them is missing.
bool LoadPrintDialog() {
  if (PrintDlgWEntry != nullptr && CommDlgExtendedErrorEntry != nullptr)
    return true;
  const HMODULE comdlg32 = LoadLibraryW(L"comdlg32.dll");
  if (comdlg32 == nullptr)
    return false;
  PrintDlgWEntry = reinterpret_cast<PrintDlgWFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(comdlg32, "PrintDlgW")));
  CommDlgExtendedErrorEntry = reinterpret_cast<CommDlgExtendedErrorFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(comdlg32, "CommDlgExtendedError")));
  return PrintDlgWEntry != nullptr && CommDlgExtendedErrorEntry != nullptr;
}

UINT_PTR CALLBACK BringPrintDialogForward(HWND dialog, UINT message, WPARAM, LPARAM) {
  if (message == WM_INITDIALOG) {
    SetForegroundWindow(dialog);
    return TRUE;
  }
  return FALSE;
}

// The device name inside a DEVNAMES block; empty when there is none.
std::wstring DeviceName(HGLOBAL devNames) {
  std::wstring name;
  if (devNames == nullptr)
    return name;
  if (const auto *names = static_cast<const DEVNAMES *>(GlobalLock(devNames))) {
    name = reinterpret_cast<const wchar_t *>(names) + names->wDeviceOffset;
    GlobalUnlock(devNames);
  }
  return name;
}

// The print font (PrintFontFace, PrintFontPoints), regular, fixed pitch,
// sized for the DC's vertical resolution.
HFONT CreatePrintFont(HDC dc) {
  LOGFONTW font{};
  font.lfHeight = -MulDiv(PrintFontPoints, GetDeviceCaps(dc, LOGPIXELSY), 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  lstrcpynW(font.lfFaceName, WideFromProgramText(PrintFontFace).c_str(), LF_FACESIZE);
  return CreateFontIndirectW(&font);
}

} // namespace

bool AttachPrinterDC(HDC dc, bool ownsDc, std::string_view printerName,
                     std::string_view documentName) {
  return KeepingNumericMode([&]() -> bool {
    DetachPrinter();
    if (dc == nullptr)
      return false;

    // A metafile records drawing only; a real device gets a spooler document.
    // (GetDeviceCaps of a metafile DC describes its reference device, so the
    // object type tells them apart.)
    const bool spooled = GetObjectType(dc) != OBJ_ENHMETADC;
    if (spooled) {
      const std::wstring name =
          WideFromProgramText(documentName.empty() ? DefaultPrintJobName : documentName);
      DOCINFOW doc{};
      doc.cbSize = sizeof doc;
      doc.lpszDocName = name.c_str();
      if (StartDocW(dc, &doc) <= 0) {
        if (ownsDc)
          DeleteDC(dc);
        return false;
      }
    }

    PrintJob.dc = dc;
    PrintJob.ownsDc = ownsDc;
    PrintJob.spooled = spooled;
    PrintJob.pageOpen = false;
    PrintJob.printerName = printerName;
    PrintJob.font = CreatePrintFont(dc);
    if (PrintJob.font != nullptr)
      PrintJob.previousFont = SelectObject(dc, PrintJob.font);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_LEFT | TA_TOP | TA_UPDATECP);
    MoveToEx(dc, 0, 0, nullptr);
    return true;
  });
}

bool AttachPrinter(PrinterChoice choice, const PrintDialogOptions &options,
                   std::string_view documentName) {
  return KeepingNumericMode([&]() -> bool {
    DetachPrinter();

    if (!LoadPrintDialog())
      return false;

    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = nullptr;
    dialog.Flags = 0;
    if (options.noSelection)
      dialog.Flags |= PD_NOSELECTION;
    if (options.noPageNumbers)
      dialog.Flags |= PD_NOPAGENUMS;
    if (options.hidePrintToFile)
      dialog.Flags |= PD_HIDEPRINTTOFILE;
    if (options.returnDeviceContext)
      dialog.Flags |= PD_RETURNDC;
    if (choice == PrinterChoice::Default) {
      dialog.Flags |= PD_RETURNDEFAULT;
    } else {
      dialog.Flags |= PD_ENABLEPRINTHOOK;
      dialog.lpfnPrintHook = BringPrintDialogForward;
    }
    dialog.nMinPage = static_cast<WORD>(options.minPage);
    dialog.nMaxPage = static_cast<WORD>(options.maxPage);
    dialog.nFromPage = static_cast<WORD>(options.fromPage);
    dialog.nToPage = static_cast<WORD>(options.toPage);
    dialog.nCopies = 1;

    const bool chosen = PrintDlgWEntry(&dialog) != FALSE;
    const DWORD error = chosen ? 0 : CommDlgExtendedErrorEntry();
    const std::wstring device = chosen ? DeviceName(dialog.hDevNames) : std::wstring();
    if (dialog.hDevMode != nullptr)
      GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr)
      GlobalFree(dialog.hDevNames);

    if (!chosen) {
      // Cancel (no error code) attaches nothing and is no failure.
      if (dialog.hDC != nullptr)
        DeleteDC(dialog.hDC);
      return error == 0;
    }
    if (dialog.hDC == nullptr)
      return false;
    std::string name = ProgramTextFromWide(device);
    if (name.empty())
      name = "Printer";
    return AttachPrinterDC(dialog.hDC, true, name, documentName);
  });
}

std::string AttachedPrinterName() {
  return KeepingNumericMode(
      [&]() -> std::string { return PrintJob.dc != nullptr ? PrintJob.printerName : ""; });
}

void PrintText(std::string_view text) {
  KeepingNumericMode([&] {
    if (PrintJob.dc == nullptr)
      return;
    if (!PrintJob.pageOpen) {
      if (PrintJob.spooled)
        StartPage(PrintJob.dc);
      PrintJob.pageOpen = true;
    }
    const std::wstring wide = WideFromProgramText(text);
    // With TA_UPDATECP the coordinates are ignored: the text starts at the
    // current position, which then moves right by the text's width.
    TextOutW(PrintJob.dc, 0, 0, wide.c_str(), static_cast<int>(wide.size()));
  });
}

void PrintLineBreak() {
  KeepingNumericMode([&] {
    if (PrintJob.dc == nullptr)
      return;
    TEXTMETRICW metrics{};
    GetTextMetricsW(PrintJob.dc, &metrics);
    POINT position{};
    GetCurrentPositionEx(PrintJob.dc, &position);
    MoveToEx(PrintJob.dc, 0, position.y + metrics.tmHeight + metrics.tmExternalLeading, nullptr);
  });
}

void DetachPrinter() {
  KeepingNumericMode([&] {
    if (PrintJob.dc == nullptr)
      return;
    const HDC dc = PrintJob.dc;
    if (PrintJob.spooled) {
      if (PrintJob.pageOpen)
        EndPage(dc);
      EndDoc(dc);
    }
    if (PrintJob.font != nullptr) {
      SelectObject(dc, PrintJob.previousFont);
      DeleteObject(PrintJob.font);
    }
    if (PrintJob.ownsDc)
      DeleteDC(dc);
    PrintJob = PrintJobRecord{};
  });
}
