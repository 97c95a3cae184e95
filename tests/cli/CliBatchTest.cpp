// The batch converter: record splitting, CSV output, bad lines, streaming.
#include "CliTestSupport.h"

#include "core/CalcState.h"
#include "core/RunCalc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>

namespace {

const std::string ResultNames = "Z,Rs,Xs,Y,Gp,Bp,Cs,Cp,Ls,Lp,Rp,Q,D,Phase";

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  EXPECT_EQ(start, text.size()) << "output does not end with a line end";
  return lines;
}

// Plain comma split; only for rows without quoted fields.
std::vector<std::string> SplitCommas(const std::string& row) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t c; (c = row.find(',', start)) != std::string::npos; start = c + 1)
    fields.push_back(row.substr(start, c - start));
  fields.push_back(row.substr(start));
  return fields;
}

bool SameDouble(double a, double b) {
  return std::isnan(a) ? std::isnan(b) : a == b && std::signbit(a) == std::signbit(b);
}

TEST(CliBatch, ExactRowForAPureResistance) {
  CliResult r = RunCliWith({"batch", "R-X"}, "1000,1000,0,50\n");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "Bridge f0,Actual f0,X,R," + ResultNames +
                       "\n1000,1000,0,50,50,50,0,0.02,0.02,-0,inf,nan,0,nan,50,0,-inf,0\n");
}

TEST(CliBatch, NumbersReadBackExactly) {
  // Shortest round-trip texts must give back the calculated doubles bit for
  // bit, in the column named in the header.
  struct Case {
    const char* mode;
    int modeId;
    std::vector<std::string_view> rows;
  };
  const Case cases[] = {
      {"Cs-D", 3, {"1000", "1", ".01"}},
      {"Ls-Q", 7, {"1000", "10", "50"}},
      {"Cs-R", 5, {"1000", "0", "10"}}, // infinities and NaNs
      {"Cs||Cs", 6, {"1e3", "2.2", ".001", "4.7E-3", ".02"}},
      {"IVP", 13, {"50", "1", "0.01", "-30"}},
  };
  for (const Case& c : cases) {
    std::string line;
    for (std::string_view row : c.rows)
      line += (line.empty() ? "" : ",") + std::string(row);
    CliResult r = RunCliWith({"batch", c.mode}, line + "\n");
    ASSERT_EQ(r.code, 0) << c.mode << ": " << r.err;
    std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), 2u) << c.mode;
    std::vector<std::string> header = SplitCommas(lines[0]);
    std::vector<std::string> fields = SplitCommas(lines[1]);
    ASSERT_EQ(fields.size(), c.rows.size() + 14) << c.mode;

    CalcState expected{};
    RunCalc(expected, c.modeId, c.rows);
    double values[CalcStateFieldCount];
    CalcStateFields(expected, values);
    for (std::size_t i = c.rows.size(); i < fields.size(); ++i) {
      int field = -1;
      for (int f = 0; f < CalcStateFieldCount; ++f)
        if (header[i] == CalcStateFieldNames[f])
          field = f;
      ASSERT_GE(field, 0) << "unknown column " << header[i];
      double read = std::strtod(fields[i].c_str(), nullptr);
      EXPECT_TRUE(SameDouble(read, values[field]))
          << c.mode << " " << header[i] << ": wrote " << fields[i] << " for " << values[field];
    }
  }
  // Spot values of the 1 uF, D = 0.01 capacitor at 1 kHz.
  std::vector<std::string> row = SplitCommas(SplitLines(RunCliWith({"batch", "cs-d"}, "1000,1,.01").out)[1]);
  EXPECT_NEAR(std::strtod(row[5].c_str(), nullptr), -159.1549431, 1e-7);   // Xs
  EXPECT_NEAR(std::strtod(row[14].c_str(), nullptr), -100, 1e-9);          // Q
  EXPECT_NEAR(std::strtod(row[15].c_str(), nullptr), 0.01, 1e-12);         // D
  EXPECT_NEAR(std::strtod(row[16].c_str(), nullptr), -89.4270613, 1e-7);   // Phase
}

TEST(CliBatch, SkipsCommentsAndBlanksAndHandlesCrLf) {
  const std::string plain = "1000,1,.01\n1000,2,.02\n";
  CliResult expected = RunCliWith({"batch", "Cs-D"}, plain);
  const std::string variants[] = {
      "# bench log\n\n1000,1,.01\n   \n\t\n1000,2,.02\n",
      "1000,1,.01\r\n\r\n# note\r\n1000,2,.02\r\n",
      "1000,1,.01\n1000,2,.02", // last line without a line end
      "1000\t1\t.01\n1000\t2\t.02\n",
      "\"1000\",\"1\",.01\n1000,\"2\",\".02\"\n", // quoted fields lose their quotes
  };
  for (const std::string& input : variants) {
    CliResult r = RunCliWith({"batch", "Cs-D"}, input);
    EXPECT_EQ(r.code, 0) << input << r.err;
    EXPECT_EQ(r.out, expected.out) << input;
  }
}

TEST(CliBatch, HeaderLineNamesTheColumns) {
  struct Case {
    std::string input;
    std::string header; // expected first output line, without the results
  };
  const Case cases[] = {
      {"Freq,C (uF),Diss\n1000,1,.01\n", "Freq,C (uF),Diss,"},
      {"# comments come first\nf\tC, uF\tsay \"D\"\n1000\t1\t.01\n", "f,\"C, uF\",\"say \"\"D\"\"\","},
      {"\"a,b\",\"c\"\"d\",e\n1000,1,.01\n", "\"a,b\",\"c\"\"d\",e,"},
      {"", "F,Cs,DF,"}, // no header line at all: the row labels
  };
  for (const Case& c : cases) {
    CliResult r = RunCliWith({"batch", "--header", "Cs-D"}, c.input);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(SplitLines(r.out).at(0), c.header + ResultNames) << c.input;
  }
}

TEST(CliBatch, FieldsQuotedWhereNeeded) {
  // Tab-separated fields may hold commas and quotes; ParseNumber reads "1,5" as 1.
  CliResult r = RunCliWith({"batch", "Cs-D"}, "1000\t1,5\t.01\n1000\t1\"\t0.01\n");
  ASSERT_EQ(r.code, 0) << r.err;
  std::vector<std::string> lines = SplitLines(r.out);
  ASSERT_EQ(lines.size(), 3u);
  std::string results = SplitLines(RunCliWith({"batch", "Cs-D"}, "1000,1,.01\n").out)[1];
  results = results.substr(std::strlen("1000,1,.01"));
  EXPECT_EQ(lines[1], "1000,\"1,5\",.01" + results);
  EXPECT_EQ(lines[2], "1000,\"1\"\"\",0.01" + results);
}

TEST(CliBatch, BadLinesReportedWithNumbersAndSkipped) {
  const std::string input = "# log\n"
                            "1000,1,.01\n"
                            "1000,1\n"                // 3: too few
                            "1000,2,.02\n"
                            "1000,1,2,3,4,5,6\n"      // 5: too many
                            "1000,\"1,.01\n"          // 6: unterminated quote
                            "1000,\"1\"x,.01\n"       // 7: text after a quote
                            "1000,3,.03";
  CliResult r = RunCliWith({"batch", "Cs-D"}, input);
  EXPECT_EQ(r.code, CliFailed);
  EXPECT_EQ(SplitLines(r.out).size(), 4u); // header and the three good records
  const char* messages[] = {
      "line 3: expected 3 fields (F, Cs, DF) for mode Cs-D, found 2\n",
      "line 5: expected 3 fields (F, Cs, DF) for mode Cs-D, found 7\n",
      "line 6: a quoted field has no closing quote\n",
      "line 7: text follows the closing quote of a quoted field\n",
      "4 bad lines skipped\n",
  };
  for (const char* m : messages)
    EXPECT_NE(r.err.find(m), std::string::npos) << "expected \"" << m << "\" in:\n" << r.err;

  // A header of the wrong width is reported; the row labels stand in for it.
  CliResult h = RunCliWith({"batch", "--header", "Cs-D"}, "a,b\n1000,1,.01\n");
  EXPECT_EQ(h.code, CliFailed);
  EXPECT_NE(h.err.find("line 1: expected 3 fields"), std::string::npos) << h.err;
  EXPECT_EQ(SplitLines(h.out).size(), 2u);
  EXPECT_EQ(SplitLines(h.out)[0], "F,Cs,DF," + ResultNames);
}

TEST(CliBatch, LineLengthLimit) {
  // A record padded with blanks to exactly the limit is still a record; one
  // byte more is a bad line, and the lines after it are read normally.
  auto padded = [](std::size_t length) {
    std::string line = "1000,1,";
    line += std::string(length - line.size() - 3, ' ');
    return line + ".01";
  };
  std::string input = padded(BatchMaxLineLength) + "\r\n" + padded(BatchMaxLineLength + 1) +
                      "\n" + std::string(3 * BatchMaxLineLength, 'x') + "\n1000,2,.02\n" +
                      std::string(BatchMaxLineLength + 5, 'y');
  for (std::size_t piece : {std::size_t{0}, std::size_t{1000}, std::size_t{65537}}) {
    CliResult r = RunCliWith({"batch", "Cs-D"}, input, piece);
    EXPECT_EQ(r.code, CliFailed);
    EXPECT_EQ(SplitLines(r.out).size(), 3u) << piece;
    EXPECT_NE(r.err.find("line 2: longer than 65536 bytes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 3: longer than 65536 bytes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("line 5: longer than 65536 bytes"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("3 bad lines"), std::string::npos) << r.err;
  }
}

TEST(CliBatch, SameOutputWhateverTheReadSizes) {
  std::string input = "# mixed\r\n";
  for (int i = 1; i <= 3000; ++i)
    input += std::to_string(i) + (i % 7 == 0 ? "\t\"" + std::to_string(i) + "\"\t.0" : ",1,.0") +
             std::to_string(i % 10) + (i % 3 == 0 ? "\r\n" : "\n");
  CliResult whole = RunCliWith({"batch", "Cs-D"}, input);
  ASSERT_EQ(whole.code, 0) << whole.err;
  EXPECT_EQ(SplitLines(whole.out).size(), 3001u);
  for (std::size_t piece : {1, 2, 3, 17, 4096})
    EXPECT_EQ(RunCliWith({"batch", "Cs-D"}, input, piece).out, whole.out) << piece;
}

TEST(CliBatch, InputAndOutputFailures) {
  MemoryStreams unreadable;
  unreadable.failRead = true;
  CliResult r = RunCliOn(unreadable, {"batch", "Cs-D"});
  EXPECT_EQ(r.code, CliFailed);
  EXPECT_NE(r.err.find("cannot read standard input"), std::string::npos);

  MemoryStreams unwritable;
  unwritable.failWrite = true;
  unwritable.input = "1000,1,.01\n";
  r = RunCliOn(unwritable, {"batch", "Cs-D"});
  EXPECT_EQ(r.code, CliFailed);
  EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos);
}

} // namespace
