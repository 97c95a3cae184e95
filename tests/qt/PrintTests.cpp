// Print through the real QPrinter into a PDF: one page, job "Print Job", the report's lines.
#include "QtTestSupport.h"

#include <QProcess>
#include <QTemporaryDir>

class PrintTests : public QObject {
  Q_OBJECT

private slots:

  void printedPdfHoldsTheReportLines() {
    const auto Poppler = [](const QString &tool, const QStringList &args) { // "" on failure
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
      });
      QVERIFY(SeenBoxes.isEmpty());
      // Read at the fixed pitch of the report font (the first word "F"), the text keeps its blanks.
      const QRegularExpressionMatch first =
          QRegularExpression(R"re(xMin="([\d.]+)"[^>]*xMax="([\d.]+)"[^>]*>F<)re")
              .match(Poppler("pdftotext", {"-bbox", pdf, "-"}));
      const double pitch = first.captured(2).toDouble() - first.captured(1).toDouble();
      const QString text = Poppler("pdftotext", {"-fixed", QString::number(pitch), pdf, "-"});
      QCOMPARE(text.trimmed().split(QRegularExpression("\\s*\\n\\s*")), c.lines); // no blank line
      QVERIFY(Poppler("pdfinfo", {pdf})
                  .contains(QRegularExpression("Title:\\s+Print Job\\n(.*\\n)*Pages:\\s+1\\n")));
    }
  }
};

QTEST_MAIN(PrintTests)
#include "PrintTests.moc"
