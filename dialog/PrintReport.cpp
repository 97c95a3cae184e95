// The printed report: one page of "name = value" lines.
#include "dialog/MainDialog.h"
#include "present/ResultContent.h"

void PrintReport() {
  // Step 1: the user picks a printer; Cancel and failure end silently.
  if (!AttachPrinter(PrinterChoice::Choose, PrintDialogOptions{}, ""))
    return;
  if (AttachedPrinterName().empty())
    return;

  // Step 2: every line, then the page and the job end.
  for (const std::string &line : ReportLines(TheCalcState)) {
    PrintText(line);
    PrintLineBreak();
  }
  DetachPrinter();
}
