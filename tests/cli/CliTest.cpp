// The companion run in-process on strings: exact texts of every command,
// usage errors, and the streaming batch converter.
#include "cli/Cli.h"
#include "cli/CliCommands.h"
#include "core/CalcState.h"
#include "core/RunCalc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

enum Failure { NoFailure, FailRead, FailWrite };

// One in-process run: its input, how reads and writes behave, what it wrote.
struct CliRun {
  std::string in;
  std::size_t position = 0, piece = 0; // piece: bytes handed over per read, 0 = all that fit
  Failure fail = NoFailure;
  std::string out, err;
  int code = -1;
};

CliRun Call(const std::vector<std::string>& args, const std::string& input = "",
              std::size_t piece = 0, Failure fail = NoFailure) {
  CliRun m{input, 0, piece, fail, "", "", -1};
  std::vector<const char*> argv{"calvora-cli"};
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  CliStreams s;
  s.context = &m;
  s.ReadInput = [](void* c, char* buffer, std::size_t capacity) -> std::ptrdiff_t {
    CliRun& mem = *static_cast<CliRun*>(c);
    if (mem.fail == FailRead)
      return -1;
    std::size_t n = std::min({capacity, mem.in.size() - mem.position, mem.piece ? mem.piece : capacity});
    mem.position += mem.in.copy(buffer, n, mem.position);
    return static_cast<std::ptrdiff_t>(n);
  };
  s.WriteOutput = [](void* c, const char* data, std::size_t length) {
    CliRun& mem = *static_cast<CliRun*>(c);
    mem.out.append(data, length);
    return mem.fail != FailWrite;
  };
  s.WriteError = [](void* c, const char* data, std::size_t length) {
    static_cast<CliRun*>(c)->err.append(data, length);
  };
  m.code = RunCli(static_cast<int>(argv.size()), argv.data(), s);
  return m;
}

// The pieces of `text` between `separator`s (a trailing empty piece dropped).
std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> pieces;
  std::istringstream in(text);
  for (std::string piece; std::getline(in, piece, separator);)
    pieces.push_back(piece);
  return pieces;
}

const std::string Results = "Z,Rs,Xs,Y,Gp,Bp,Cs,Cp,Ls,Lp,Rp,Q,D,Phase";

TEST(Cli, ExactOutputs) {
  struct Case {
    std::vector<std::string> args;
    std::string out;
    std::string input = "";
  };
  const Case cases[] = {
      {{"--version"}, "calvora-cli 1.03\n"},
      {{"parse", "0.1"}, "0.10000000000000001\n"}, // needs all 17 digits
      {{"format", "-1591.5494", "4", "Ohms"}, "-1.5915 kOhms\n"},
      {{"format", "0x1.8p10", "4", "Hz"}, " 1.536 kHz\n"}, // hex float 1536
      {{"format", "1e999", "4", "F"}, " 9.99999999999999E+998 TF\n"},
      {{"numbertext", "1234567.891"}, " 1234567.891\n"},
      {{"numbertext", "123456", "-3"}, " 123000\n"},
      // 1 uF with 10 ohms in series at 1 kHz.
      {{"calc", "--report", "cs-r", "1000", "1", "10"},
       "F =  1 kHz\nZ =  159.4688 Ohms\nRs =  10 Ohms\nXs = -159.1549 Ohms\nY =  6.27 mmhos\n"
       "Gp =  393.23 umhos\nBp =  6.26 mmhos\nCs =  1 uF\nCp =  996.0677 nF\nRp =  2.543 kOhms\n"
       "Q =  15.9155\nD =  .0628\nPhase angle = -86.4 degrees\n"},
      // The panel (the default form). Bp zero: the message stands alone, no Q and D rows.
      {{"calc", "R-X", "1000", "1000", "0", "100"},
       "Z\t 100 Ohms\nRs\t 100 Ohms\nXs\t 0 aOhms\nY\t 10 mmhos\nGp\t 10 mmhos\nBp\t 0 amhos\n"
       "Device is purely resistive\nRp\t 100 Ohms\nPhase angle\t 0 degrees\n"},
      // Pure resistance: Bp is negative zero, D infinite, Cp and Lp NaN.
      {{"calc", "--json", "1", "1000", "1000", "0", "50"},
       "{\"F\":1000,\"F0Bridge\":1000,\"Z\":50,\"Rs\":50,\"Rp\":50,\"Xs\":0,\"Aux\":0,\"Gp\":0.02,"
       "\"Bp\":-0,\"Y\":0.02,\"Cs\":\"inf\",\"Cp\":\"nan\",\"Ls\":0,\"Lp\":\"nan\",\"Q\":0,"
       "\"D\":\"-inf\",\"Phase\":0}\n"},
      {{"batch", "R-X"}, "Bridge f0,Actual f0,X,R," + Results +
                             "\n1000,1000,0,50,50,50,0,0.02,0.02,-0,inf,nan,0,nan,50,0,-inf,0\n",
       "1000,1000,0,50\n"},
      // Tab-separated fields may hold commas and quotes; they come out quoted.
      {{"batch", "--header", "Cs-D"}, "f,\"C, uF\",\"say \"\"D\"\"\"," + Results + "\n",
       "# first\nf\tC, uF\tsay \"D\"\n"},
      {{"batch", "Cs-D"}, "F,Cs,DF," + Results + "\n1000,\"1,5\",\"1\"\"\",", "1000\t1,5\t1\"\n"},
      {{"batch", "--header", "Cs-D"}, "F,Cs,DF," + Results + "\n"}, // no header line at all
  };
  for (const Case& c : cases) {
    CliRun r = Call(c.args, c.input);
    EXPECT_EQ(r.code, 0) << c.args[0] << ": " << r.err;
    bool whole = c.out.back() == '\n'; // otherwise c.out is how the output starts
    EXPECT_EQ(whole ? r.out : r.out.substr(0, c.out.size()), c.out) << c.args[0] << " " << c.args.back();
    EXPECT_EQ(r.err, "");
  }
}

TEST(Cli, UsageErrorsNameTheProblem) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"parse", "1", "2"}, "parse takes exactly one TEXT"},
      {{"format", "1.5e", "4", "Ohms"}, "VALUE '1.5e'"}, // trailing junk
      {{"format", "", "4", "Ohms"}, "VALUE ''"},
      {{"format", "1", "1.5", "Ohms"}, "PLACES '1.5'"},
      {{"format", "1", "2147483648", "Ohms"}, "PLACES '2147483648'"},
      {{"calc", "--json"}, "calc needs a MODE"},
      {{"calc", "--xml", "Cs-D"}, "unknown option '--xml'"},
      {{"calc", "--json", "--report", "Cs-D"}, "exclude each other"},
      {{"calc", "Cs-D", "1", "2", "3", "4"}, "mode Cs-D has 3 entry rows, 4 TEXTs given"},
      {{"batch", "Cs-D", "extra"}, "'extra' is one argument too many"},
      {{"batch", "17"}, "unknown mode '17'"},
  };
  for (const auto& [args, message] : cases) {
    CliRun r = Call(args);
    EXPECT_EQ(r.code, CliUsageError) << message;
    EXPECT_EQ(r.out, "") << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << message << " not in: " << r.err;
  }
}

TEST(Cli, ModesByCaptionOrNumberAndDefaultRows) {
  const std::pair<const char*, int> cases[] = {
      {"cs-d", 3}, {"LS||ls", 11}, {"ivp", 13}, {"16", 16}, {"03", 3}, {"0", 0}, {"17", 0}, {"", 0},
      {"3x", 0},   {"Cs-D ", 0},   {"Cs", 0},   {"00000000000000000009", 9},
      {"100000000000000000003", 0}, // a long number must not wrap onto a mode
  };
  for (const auto& [text, id] : cases) {
    const ModeDescriptor* mode = FindModeArgument(text);
    EXPECT_EQ(mode == nullptr ? 0 : mode->ModeId, id) << "'" << text << "'";
  }
  // Missing rows take "1000" or " "; after the MODE every argument is a text.
  EXPECT_EQ(Call({"calc", "--json", "R-X"}).out.rfind("{\"F\":1000,\"F0Bridge\":1000,", 0), 0u);
  EXPECT_EQ(Call({"calc", "--json", "Ls-Q", "1000", "--json"}).out,
            Call({"calc", "--json", "Ls-Q", "1000", "-0"}).out);
}

TEST(CliBatch, NumbersReadBackExactlyInTheirColumns) {
  const std::pair<int, std::vector<std::string_view>> cases[] = {
      {5, {"1000", "0", "10"}},                     // Cs-R: infinities and NaNs
      {6, {"1e3", "2.2", ".001", "4.7E-3", ".02"}}, // Cs||Cs
  };
  for (const auto& [id, rows] : cases) {
    std::string line;
    for (std::string_view row : rows)
      line += std::string(row) + ",";
    line.back() = '\n';
    std::vector<std::string> out = Split(Call({"batch", std::to_string(id)}, line).out, '\n');
    ASSERT_EQ(out.size(), 2u) << id;
    CalcState state{};
    RunCalc(state, id, rows);
    double values[CalcStateFieldCount];
    CalcStateFields(state, values);
    std::vector<std::string> names = Split(out[0], ','), texts = Split(out[1], ',');
    ASSERT_EQ(texts.size(), rows.size() + 14) << out[1];
    for (std::size_t i = rows.size(); i < texts.size(); ++i) {
      auto field = std::find(CalcStateFieldNames, CalcStateFieldNames + CalcStateFieldCount, names[i]);
      ASSERT_NE(field, CalcStateFieldNames + CalcStateFieldCount) << names[i];
      double want = values[field - CalcStateFieldNames], got = std::strtod(texts[i].c_str(), nullptr);
      EXPECT_TRUE(std::isnan(want) ? std::isnan(got) : got == want && std::signbit(got) == std::signbit(want))
          << id << " " << names[i] << ": wrote " << texts[i] << " for " << want;
    }
  }
}

TEST(CliBatch, BadLinesReportedWithNumbersAndSkipped) {
  // The header has the wrong width: it is a bad line and the row labels stand in for it.
  CliRun r = Call({"batch", "--header", "Cs-D"}, "# log\na,b,c,d\n1000,1,.01\n1000,1\n1000,2,.02\n"
                                                   "1000,\"1,.01\n1000,\"1\"x,.01\n1000,3,.03");
  EXPECT_EQ(r.code, CliFailed);
  EXPECT_EQ(Split(r.out, '\n').size(), 4u); // header and the three good records
  EXPECT_EQ(r.out.rfind("F,Cs,DF," + Results + "\n", 0), 0u) << r.out;
  for (const char* m : {"line 2: expected 3 fields (F, Cs, DF) for mode Cs-D, found 4\n",
                        "line 4: expected 3 fields (F, Cs, DF) for mode Cs-D, found 2\n",
                        "line 6: a quoted field has no closing quote\n",
                        "line 7: text follows the closing quote of a quoted field\n", "4 bad lines skipped\n"})
    EXPECT_NE(r.err.find(m), std::string::npos) << m << " not in:\n" << r.err;
}

TEST(CliBatch, LayoutOfTheInputAndReadSizesDoNotMatter) {
  // Comments, blank lines, CRLF, tabs and quoted fields give what plain
  // records give. A record padded to exactly the length limit is still a
  // record; one byte more makes a bad line, as does a longer one at the end.
  auto padded = [](std::size_t length) { return "1000,1," + std::string(length - 10, ' ') + ".01"; };
  std::string plain = padded(BatchMaxLineLength) + "\n";
  std::string mixed = padded(BatchMaxLineLength) + "\r\n" + padded(BatchMaxLineLength + 1) + "\n" +
                      std::string(3 * BatchMaxLineLength, 'x') + "\n";
  for (int i = 1; i <= 500; ++i) {
    std::string f = std::to_string(i), d = ".0" + std::to_string(i % 10);
    plain += f + ",1," + d + "\n";
    mixed += (i % 5 ? "" : "# note\n\n \t\n") + (i % 7 ? "\"" + f + "\",1," + d : f + "\t\"1\"\t" + d);
    mixed += i % 3 ? "\n" : "\r\n";
  }
  CliRun whole = Call({"batch", "Cs-D"}, mixed + std::string(BatchMaxLineLength + 5, 'y'));
  EXPECT_EQ(whole.code, CliFailed);
  EXPECT_EQ(whole.out, Call({"batch", "Cs-D"}, plain).out);
  for (const char* m : {"line 2: longer than 65536 bytes", "line 3: longer than 65536 bytes",
                        "line 804: longer than 65536 bytes", "3 bad lines"})
    EXPECT_NE(whole.err.find(m), std::string::npos) << m << " not in:\n" << whole.err;
  mixed.pop_back(); // the last record without its line end
  for (std::size_t piece : {0, 1, 7, 1000, 65537})
    EXPECT_EQ(Call({"batch", "Cs-D"}, mixed, piece).out, whole.out) << piece;
}

TEST(Cli, InputAndOutputFailuresAreFailures) {
  for (Failure fail : {FailRead, FailWrite}) {
    CliRun r = Call({"batch", "Cs-D"}, "1000,1,.01\n", 0, fail);
    EXPECT_EQ(r.code, CliFailed);
    EXPECT_NE(r.err.find(fail == FailRead ? "cannot read standard input" : "cannot write standard output"),
              std::string::npos) << r.err;
  }
}

} // namespace
