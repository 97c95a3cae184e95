// The printed report through the real GDI path: the print service draws the
// report's lines into an enhanced metafile, which is read back record by
// record.
//
// Test plan:
//  1. The text records are the report lines, in order, for a reactive, a
//     purely resistive and a not-a-number state.
//  2. The font is "Lucida Console", 11 points at the DC's vertical
//     resolution, regular, fixed pitch; text is drawn at the current
//     position, which each line break moves to the left edge, one line
//     (height plus external leading) down.
//  3. Detaching releases the font: the GDI object count returns.
//  4. Without an attached printer the text operations do nothing.
#include "Win32TestSupport.h"

#include "core/CalcState.h"
#include "present/ResultContent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct Recorded {
  std::vector<std::wstring> texts;
  std::vector<POINT> moves; // every MoveToEx target, in order
  std::vector<LOGFONTW> fonts;
  std::vector<DWORD> alignments;
};

int CALLBACK CollectRecord(HDC, HANDLETABLE*, const ENHMETARECORD* record, int, LPARAM p) {
  auto& r = *reinterpret_cast<Recorded*>(p);
  switch (record->iType) {
  case EMR_EXTTEXTOUTW: {
    const auto* t = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
    const auto* chars = reinterpret_cast<const wchar_t*>(reinterpret_cast<const BYTE*>(record) +
                                                         t->emrtext.offString);
    r.texts.emplace_back(chars, t->emrtext.nChars);
    break;
  }
  case EMR_MOVETOEX:
    r.moves.push_back({reinterpret_cast<const EMRMOVETOEX*>(record)->ptl.x,
                       reinterpret_cast<const EMRMOVETOEX*>(record)->ptl.y});
    break;
  case EMR_EXTCREATEFONTINDIRECTW:
    r.fonts.push_back(reinterpret_cast<const EMREXTCREATEFONTINDIRECTW*>(record)->elfw.elfLogFont);
    break;
  case EMR_SETTEXTALIGN:
    r.alignments.push_back(reinterpret_cast<const EMRSETTEXTALIGN*>(record)->iMode);
    break;
  default:
    break;
  }
  return 1;
}

// Prints `lines` through the print service into a metafile and reads it back.
Recorded PrintIntoMetafile(const std::vector<std::string>& lines, int* lineHeight = nullptr) {
  const HDC reference = GetDC(nullptr);
  const HDC dc = CreateEnhMetaFileW(reference, nullptr, nullptr, L"Calvora\0Report\0");
  EXPECT_TRUE(AttachPrinterDC(dc, false, "Metafile", ""));
  EXPECT_EQ(AttachedPrinterName(), "Metafile");
  if (lineHeight != nullptr) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    *lineHeight = tm.tmHeight + tm.tmExternalLeading;
  }
  for (const std::string& line : lines) {
    PrintText(line);
    PrintLineBreak();
  }
  DetachPrinter();
  EXPECT_EQ(AttachedPrinterName(), "");
  const HENHMETAFILE emf = CloseEnhMetaFile(dc);
  Recorded r;
  EnumEnhMetaFile(nullptr, emf, CollectRecord, &r, nullptr);
  DeleteEnhMetaFile(emf);
  ReleaseDC(nullptr, reference);
  return r;
}

CalcState StateWith(double F, double Rs, double Xs) {
  CalcState s{};
  s.F = F;
  s.Rs = Rs;
  s.Xs = Xs;
  SeriesToParallel(s);
  DeriveQuantities(s);
  return s;
}

TEST(PrintedReport, TextRecordsAreTheReportLines) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  CalcState nanBp{};
  nanBp.Bp = nan;
  struct Case {
    const char* label;
    CalcState state;
    std::size_t lineCount;
  };
  const Case cases[] = {
      {"all zero: purely resistive", CalcState{}, 10},
      {"1 uF with 10 ohms in series", StateWith(1000, 10, -159.15494309189535), 13},
      {"Bp not a number", nanBp, 11},
  };
  for (const Case& c : cases) {
    const std::vector<std::string> lines = ReportLines(c.state);
    ASSERT_EQ(lines.size(), c.lineCount) << c.label;
    const Recorded r = PrintIntoMetafile(lines);
    ASSERT_EQ(r.texts.size(), lines.size()) << c.label;
    for (std::size_t i = 0; i < lines.size(); ++i)
      EXPECT_EQ(r.texts[i], Widen(lines[i].c_str())) << c.label << ", line " << i + 1;
  }
  // The zero state's page, literally.
  const Recorded zero = PrintIntoMetafile(ReportLines(CalcState{}));
  ASSERT_EQ(zero.texts.size(), 10u);
  EXPECT_EQ(zero.texts[0], L"F =  0 aHz");
  EXPECT_EQ(zero.texts[7], L"Device is purely resistive");
  EXPECT_EQ(zero.texts[9], L"Phase angle =  0 degrees");
}

TEST(PrintedReport, FontAlignmentAndLinePitch) {
  const std::vector<std::string> lines = {"F =  1 kHz", "Z =  159.4688 Ohms", "Rs =  10 Ohms"};
  int lineHeight = 0;
  const Recorded r = PrintIntoMetafile(lines, &lineHeight);

  ASSERT_EQ(r.fonts.size(), 1u);
  const LOGFONTW& f = r.fonts[0];
  EXPECT_STREQ(f.lfFaceName, L"Lucida Console");
  const HDC screen = GetDC(nullptr);
  EXPECT_EQ(f.lfHeight, -MulDiv(11, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(f.lfWeight, FW_NORMAL);
  EXPECT_FALSE(f.lfItalic);
  EXPECT_EQ(f.lfPitchAndFamily & 3, FIXED_PITCH);

  ASSERT_FALSE(r.alignments.empty());
  EXPECT_NE(r.alignments.back() & TA_UPDATECP, 0u) << "text drawn at the current position";

  // The first move puts the position at the top-left corner; each line
  // break then goes back to x = 0 and one line down.
  ASSERT_GT(lineHeight, 0);
  ASSERT_EQ(r.moves.size(), 1 + lines.size());
  for (std::size_t i = 0; i < r.moves.size(); ++i) {
    EXPECT_EQ(r.moves[i].x, 0) << "move " << i;
    EXPECT_EQ(r.moves[i].y, static_cast<LONG>(i) * lineHeight) << "move " << i;
  }
}

TEST(PrintedReport, DetachReleasesTheFontAndNothingPrintsUnattached) {
  const HDC reference = GetDC(nullptr);
  const HDC dc = CreateEnhMetaFileW(reference, nullptr, nullptr, nullptr);
  const unsigned before = CountGdiObjects();
  ASSERT_TRUE(AttachPrinterDC(dc, false, "Metafile", ""));
  EXPECT_GT(CountGdiObjects(), before) << "the print font exists while attached";
  PrintText("x");
  DetachPrinter();
  EXPECT_EQ(CountGdiObjects(), before);

  // Unattached: no records at all from the text operations.
  PrintText("never");
  PrintLineBreak();
  DetachPrinter();
  const HENHMETAFILE emf = CloseEnhMetaFile(dc);
  Recorded r;
  EnumEnhMetaFile(nullptr, emf, CollectRecord, &r, nullptr);
  EXPECT_EQ(r.texts, std::vector<std::wstring>{L"x"});
  DeleteEnhMetaFile(emf);
  ReleaseDC(nullptr, reference);
}

} // namespace
