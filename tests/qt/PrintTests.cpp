// The printed report through the real QPrinter: the Print button of the
// running program prints into a PDF file, whose text must be the report's lines.
#include "QtTestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

class PrintTests : public QObject {
  Q_OBJECT

private slots:

  // State: a capacitive, an inductive, a resistive and a not-a-number
  // result. Action: Print, a PDF file as the destination. Expected: one
  // page, a job named "Print Job", whose text is the report's lines; no box.
  void printedPdfHoldsTheReportLines() {
    // Output of a poppler tool (poppler-utils) run on the PDF; empty on failure.
    const auto Poppler = [](const QString &tool, const QStringList &args) {
      QProcess p;
      p.start(tool, args);
      p.waitForFinished(20000);
      return QString::fromUtf8(p.readAllStandardOutput());
    };
    QTemporaryDir dir;
    const QString pdf = dir.filePath("report.pdf");
    for (const CalcCase &c : CalcCases) {
      QFile::remove(pdf);
      RunProgram([&] {
        Calculate(c);
        PrintNextJobToPdf(pdf.toStdString());
        Click(PrintButtonId);
        QVERIFY(SeenBoxes.isEmpty());
      });
      // The report font has a fixed pitch, the width of the first word "F":
      // read at that pitch, the text keeps its blanks.
      const QRegularExpression firstWord(R"re(xMin="([\d.]+)"[^>]*xMax="([\d.]+)"[^>]*>F<)re");
      const QRegularExpressionMatch first =
          firstWord.match(Poppler("pdftotext", {"-bbox", pdf, "-"}));
      const QString pitch =
          QString::number(first.captured(2).toDouble() - first.captured(1).toDouble());
      const QString text = Poppler("pdftotext", {"-fixed", pitch, pdf, "-"}).trimmed();
      QCOMPARE(text.split(QRegularExpression("\\s*\\n\\s*")),
               c.lines); // each line trimmed, no blank line
      const QRegularExpression jobAndPages("Title:\\s+Print Job\\n(.*\\n)*Pages:\\s+1\\n");
      QVERIFY(Poppler("pdfinfo", {pdf}).contains(jobAndPages));
    }
  }
};

QTEST_MAIN(PrintTests)
#include "PrintTests.moc"
