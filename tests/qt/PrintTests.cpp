// The printed report through the real QPrinter: the Print button of the
// running program prints into a PDF file, whose text must be the report's
// lines. Each case: State / Action / Expected.
#include "QtTestSupport.h"

#include "dialog/MainDialog.h"
#include "platform/qt/QtBackend.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

// Runs a poppler tool on the PDF and returns its standard output.
QString Poppler(const QString& tool, const QStringList& args) {
  QProcess p;
  p.start(tool, args);
  if (!p.waitForFinished(20000) || p.exitCode() != 0)
    return QStringLiteral("<%1 failed>").arg(tool);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// The PDF's text, one entry per printed line. Blanks are rebuilt from the
// word positions: the report font has a fixed pitch, so a word's column is
// its distance from the left edge in character widths.
QStringList PdfLines(const QString& path) {
  const QString html =
      Poppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
  static const QRegularExpression wordPattern(QStringLiteral(
      "<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" [^>]*>([^<]*)</word>"));
  struct Word {
    double x, y, width;
    QString text;
  };
  std::vector<Word> words;
  for (const QRegularExpressionMatch& m : wordPattern.globalMatch(html)) {
    QString text = m.captured(4);
    text.replace(QStringLiteral("&gt;"), QStringLiteral(">")).replace(QStringLiteral("&amp;"), "&");
    words.push_back({m.captured(1).toDouble(), m.captured(2).toDouble(),
                     m.captured(3).toDouble() - m.captured(1).toDouble(), text});
  }
  if (words.empty())
    return {};
  double left = words[0].x, pitch = 0;
  qsizetype letters = 0;
  for (const Word& w : words) {
    left = std::min(left, w.x);
    pitch += w.width;
    letters += w.text.size();
  }
  pitch /= double(letters);
  std::stable_sort(words.begin(), words.end(), [](const Word& a, const Word& b) {
    return std::lround(a.y) != std::lround(b.y) ? a.y < b.y : a.x < b.x;
  });
  QStringList lines;
  long lineY = std::lround(words[0].y) - 1000;
  for (const Word& w : words) {
    if (std::lround(w.y) != lineY) {
      lines << QString();
      lineY = std::lround(w.y);
    }
    const qsizetype column = qsizetype(std::lround((w.x - left) / pitch));
    QString& line = lines.last();
    if (line.size() < column)
      line += QString(column - line.size(), QLatin1Char(' '));
    line += w.text;
  }
  return lines;
}

struct Entry {
  int id;
  const char* text;
};

struct PrintCase {
  const char* name;
  int modeButton; // 0: print before any calculation
  std::vector<Entry> entries;
  QStringList lines;
};

std::vector<PrintCase> PrintCases() {
  return {
      {"nothing calculated yet", 0, {},
       {"F =  0 aHz", "Z =  0 aOhms", "Rs =  0 aOhms", "Xs =  0 aOhms", "Y =  0 amhos",
        "Gp =  0 amhos", "Bp =  0 amhos", "Device is purely resistive", "Rp =  0 aOhms",
        "Phase angle =  0 degrees"}},
      {"reactive: 1 uF with 10 ohms", 106, {{152, "1"}, {153, "10"}},
       {"F =  1 kHz", "Z =  159.4688 Ohms", "Rs =  10 Ohms", "Xs = -159.1549 Ohms",
        "Y =  6.27 mmhos", "Gp =  393.23 umhos", "Bp =  6.26 mmhos", "Cs =  1 uF",
        "Cp =  996.0677 nF", "Rp =  2.543 kOhms", "Q =  15.9155", "D =  .0628",
        "Phase angle = -86.4 degrees"}},
      {"resistive: 100 ohms", 100, {{153, "0"}, {154, "100"}},
       {"F =  1 kHz", "Z =  100 Ohms", "Rs =  100 Ohms", "Xs =  0 aOhms", "Y =  10 mmhos",
        "Gp =  10 mmhos", "Bp =  0 amhos", "Device is purely resistive", "Rp =  100 Ohms",
        "Phase angle =  0 degrees"}},
      {"not a number: no capacitance", 106, {{153, "10"}},
       {"F =  1 kHz", "Z =  9.99999999999999E+998 TOhms", "Rs =  10 Ohms",
        "Xs = -9.99999999999999E+998 TOhms", "Y =  0 amhos", "Gp =  0 amhos", "Bp =  0 amhos",
        "Ls = -9.99999999999999E+998 TH", "Lp =  0 aH", "Rp =  9.99999999999999E+998 TOhms",
        "Phase angle =  0 degrees"}},
  };
}

bool HavePoppler() {
  return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
         !QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty();
}

} // namespace

class PrintTests : public QObject {
  Q_OBJECT

private slots:
  // State: a calculation (or none). Action: Print, the destination a PDF
  // file. Expected: one page whose text is the report's lines in order,
  // a job named "Print Job", in a fixed-pitch face; no box shown.
  void printedPdfHoldsTheReportLines() {
    if (!HavePoppler())
      QSKIP("pdftotext and pdfinfo (poppler-utils) are needed to read the PDF");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const PrintCase& c : PrintCases()) {
      const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
      QFile::remove(pdf);
      RunProgram([&] {
        if (c.modeButton) {
          Click(c.modeButton);
          for (const Entry& e : c.entries)
            TypeInto(e.id, QString::fromLatin1(e.text));
          Click(108);
        }
        PrintNextJobToPdf(pdf.toStdString());
        Click(117);
        QVERIFY(SeenBoxes.empty());
      });
      QVERIFY2(QFile::exists(pdf), c.name);
      const QStringList lines = PdfLines(pdf);
      if (lines != c.lines) {
        qWarning("case %s\n got: %s\nwant: %s", c.name, qPrintable(lines.join(" | ")),
                 qPrintable(c.lines.join(" | ")));
        QFAIL("printed lines differ");
      }
      const QString info = Poppler(QStringLiteral("pdfinfo"), {pdf});
      QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Title:\\s+Print Job\\n"))),
               qPrintable(info));
      QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+1\\n"))),
               qPrintable(info));
      const QString fonts = Poppler(QStringLiteral("pdffonts"), {pdf});
      QVERIFY2(fonts.contains(QRegularExpression(QStringLiteral("Mono|Console|Courier"))),
               qPrintable(fonts));
    }
  }

  // State: a result on screen. Action: Print, and Cancel in the print
  // dialog. Expected: the print dialog was shown, then nothing: no file,
  // no message, the window unchanged.
  void cancelPrintsNothing() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    RunProgram([] {
      Click(102);
      TypeInto(152, QStringLiteral("1"));
      Click(108);
      const QString shown = TextOf(207);
      Click(117); // the watchdog cancels the dialog
      Settle(50);
      QCOMPARE(SeenBoxes.size(), std::size_t(1));
      QVERIFY(!SeenBoxes[0].isMessageBox);
      QCOMPARE(TextOf(207), shown);
    });
    QDir::setCurrent(before);
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
  }
};

QTEST_MAIN(PrintTests)
#include "PrintTests.moc"
