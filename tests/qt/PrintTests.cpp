// The printed report through the real QPrinter: the Print button of the
// running program prints into a PDF file, whose text must be the report's lines.
#include "QtTestSupport.h"

#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Output of a poppler tool (poppler-utils) run on the PDF.
QString Poppler(const QString& tool, const QStringList& args) {
  QProcess p;
  p.start(tool, args);
  if (!p.waitForFinished(20000) || p.exitCode() != 0)
    return QStringLiteral("<%1 failed>").arg(tool);
  return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

class PrintTests : public QObject {
  Q_OBJECT

private slots:

  // State: a reactive, an inductive, a resistive and a not-a-number result.
  // Action: Print, a PDF file as the destination. Expected: one page, a job
  // named "Print Job", whose text is the report's lines; no box shown.
  void printedPdfHoldsTheReportLines() {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    for (const CalcCase& c : CalcCases) {
      QFile::remove(pdf);
      RunProgram([&] {
        Calculate(c);
        PrintNextJobToPdf(pdf.toStdString());
        Click(PrintButtonId);
        QVERIFY(SeenBoxes.isEmpty());
      });
      // The report font has a fixed pitch, the width of the first word "F":
      // read at that pitch, the text keeps its blanks.
      const QRegularExpressionMatch first =
          QRegularExpression(R"re(xMin="([\d.]+)"[^>]*xMax="([\d.]+)"[^>]*>F<)re")
              .match(Poppler("pdftotext", {"-bbox", pdf, "-"}));
      const double pitch = first.captured(2).toDouble() - first.captured(1).toDouble();
      QStringList lines;
      for (const QString& line :
           Poppler("pdftotext", {"-fixed", QString::number(pitch), pdf, "-"}).split('\n'))
        if (!line.trimmed().isEmpty())
          lines << line.trimmed();
      QCOMPARE(lines, c.lines);
      const QString info = Poppler("pdfinfo", {pdf});
      QVERIFY2(info.contains(QRegularExpression("Title:\\s+Print Job\\n(.*\\n)*Pages:\\s+1\\n")),
               qPrintable(info));
    }
  }
};

QTEST_MAIN(PrintTests)
#include "PrintTests.moc"
