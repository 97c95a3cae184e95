// The print service over Qt Print Support (part of the media module): the
// print dialog, one job with one painter, plain text lines from the top-left
// corner of the printable area. "Print to File (PDF)" stays among the
// destinations: it is the PDF printer.
#include "platform/qt/QtBackend.h"
#include "platform/qt/QtMedia.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

#include <algorithm>
#include <string>

namespace {

// The one attached printer with its open job; all null when none.
struct PrintJob {
  QPrinter *printer = nullptr;
  QPainter *painter = nullptr;
  std::string name;
  qreal x = 0, y = 0; // current position, device pixels from the printable area's corner
  qreal ascent = 0;   // the font's ascent: text is placed by its top edge
  qreal lineStep = 0; // character height plus external leading
};

PrintJob TheJob;

// The print font (PrintFontFace, PrintFontPoints) regular, fixed pitch;
// where that face is missing, the system's monospace face at the same size.
QFont ReportFont() {
  QFont font(QString::fromLatin1(PrintFontFace));
  font.setPointSize(PrintFontPoints);
  font.setWeight(QFont::Normal);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  if (!QFontInfo(font).fixedPitch()) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSize(PrintFontPoints);
    font.setWeight(QFont::Normal);
  }
  return font;
}

// Lets the user pick the printer; false on Cancel.
bool ChoosePrinter(QPrinter *printer, const PrintDialogOptions &options) {
  QPrintDialog dialog(printer, nullptr);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, !options.noSelection);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, !options.noPageNumbers);
  dialog.setOption(QAbstractPrintDialog::PrintCurrentPage, false);
  // NOTE: the print-to-file destination stays even when the caller asks to
  // hide it: on this platform it is the only way to get a PDF.
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  dialog.setMinMax(options.minPage, options.maxPage);
  dialog.setPrintRange(QAbstractPrintDialog::AllPages);
  dialog.show();
  dialog.raise();
  dialog.activateWindow();
  return dialog.exec() == QDialog::Accepted;
}

void DetachPrinterNow();

bool AttachPrinterNow(PrinterChoice choice, const PrintDialogOptions &options,
                      std::string_view documentName, const std::string &pdfPath) {
  DetachPrinterNow();

  // Step 1: the printer, chosen by the user unless the default is asked for.
  auto *printer = new QPrinter(QPrinter::HighResolution);
  printer->setFromTo(options.fromPage, options.toPage);
  if (!pdfPath.empty()) {
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdfPath));
  } else if (choice == PrinterChoice::Choose) {
    if (!ChoosePrinter(printer, options)) {
      delete printer;
      return true; // Cancel: nothing attached, nothing to report
    }
  }
  const std::string_view jobName = documentName.empty() ? DefaultPrintJobName : documentName;
  printer->setDocName(QString::fromUtf8(jobName.data(), qsizetype(jobName.size())));

  // Step 2: the job and its first page, with the report font.
  auto *painter = new QPainter;
  if (!painter->begin(printer)) {
    delete painter;
    delete printer;
    return false;
  }
  painter->setFont(ReportFont());
  painter->setPen(Qt::black);
  painter->setBackgroundMode(Qt::TransparentMode);
  const QFontMetricsF metrics = painter->fontMetrics();

  TheJob.printer = printer;
  TheJob.painter = painter;
  TheJob.x = TheJob.y = 0;
  TheJob.ascent = metrics.ascent();
  TheJob.lineStep = metrics.ascent() + metrics.descent() + std::max<qreal>(0, metrics.leading());
  TheJob.name = printer->printerName().toStdString();
  if (TheJob.name.empty())
    TheJob.name = printer->outputFileName().toStdString();
  if (TheJob.name.empty())
    TheJob.name = "PDF";
  return true;
}

std::string AttachedPrinterNameNow() { return TheJob.printer ? TheJob.name : std::string(); }

void PrintTextNow(std::string_view text) {
  if (!TheJob.painter)
    return;
  const QString line = QString::fromUtf8(text.data(), qsizetype(text.size()));
  TheJob.painter->drawText(QPointF(TheJob.x, TheJob.y + TheJob.ascent), line);
  TheJob.x += QFontMetricsF(TheJob.painter->fontMetrics()).horizontalAdvance(line);
}

void PrintLineBreakNow() {
  if (!TheJob.painter)
    return;
  TheJob.x = 0;
  TheJob.y += TheJob.lineStep;
}

void DetachPrinterNow() {
  if (!TheJob.printer)
    return;
  TheJob.painter->end(); // ends the page and hands the job over
  delete TheJob.painter;
  delete TheJob.printer;
  TheJob = PrintJob{};
}

} // namespace

bool PlaySoundNow(); // QtSound.cpp

extern "C" const MediaServices *CalvoraMediaServices() {
  static const MediaServices services{PlaySoundNow, AttachPrinterNow,  AttachedPrinterNameNow,
                                      PrintTextNow, PrintLineBreakNow, DetachPrinterNow};
  return &services;
}
