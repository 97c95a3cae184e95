// The companion run in-process on strings (exact texts of every command,
// usage errors, the streaming batch converter) and, on Linux, as a process.
#include "CalvoraVersion.h"
#include "cli/Cli.h"
#include "cli/CliOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

// One run: its input, how reads behave, what it wrote and returned.
struct CliRun {
  std::string in;
  std::size_t position = 0, piece = 0; // piece: bytes handed over per read, 0 = all that fit
  bool broken = false;                 // every read fails (and every write, with writesFail)
  bool writesFail = false;
  std::string out, err;
  int code = -1;
};

CliRun Call(const std::vector<std::string> &args, const std::string &input = "",
            std::size_t piece = 0, bool broken = false, bool writesFail = false) {
  CliRun m{input, 0, piece, broken, writesFail, "", "", -1};
  std::vector<const char *> argv{"calvora-cli"};
  for (const std::string &a : args)
    argv.push_back(a.c_str());
  CliStreams s;
  s.context = &m;
  s.ReadInput = [](void *c, char *buffer, std::size_t capacity) -> std::ptrdiff_t {
    CliRun &r = *static_cast<CliRun *>(c);
    std::size_t n = std::min({capacity, r.in.size() - r.position, r.piece ? r.piece : capacity});
    r.position += r.in.copy(buffer, n, r.position);
    return r.broken ? -1 : static_cast<std::ptrdiff_t>(n);
  };
  s.WriteOutput = [](void *c, const char *data, std::size_t length) {
    static_cast<CliRun *>(c)->out.append(data, length);
    return !static_cast<CliRun *>(c)->writesFail;
  };
  s.WriteError = [](void *c, const char *data, std::size_t length) {
    static_cast<CliRun *>(c)->err.append(data, length);
  };
  m.code = RunCli(static_cast<int>(argv.size()), argv.data(), s);
  return m;
}

const std::string Results = "calc_Z,calc_Rs,calc_Xs,calc_Y,calc_Gp,calc_Bp,calc_Cs,calc_Cp,calc_Ls,"
                            "calc_Lp,calc_Rp,calc_Q,calc_D,calc_Phase";

// The lines of a text, or its pieces between other separators.
std::vector<std::string> Lines(const std::string &text, char separator = '\n') {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line, separator);)
    lines.push_back(line);
  return lines;
}

// Every one of `parts` is somewhere in `text`.
void ExpectIn(const std::string &text, std::initializer_list<std::string> parts) {
  for (const std::string &part : parts)
    EXPECT_NE(text.find(part), std::string::npos) << part << " not in:\n" << text;
}

TEST(Cli, ExactOutputs) {
  const struct {
    std::vector<std::string> args;
    std::string out; // without a final line end: how the output starts
    std::string input = "";
  } cases[] = {
      {{"--version"}, "calvora-cli " CALVORA_VERSION "\n"},
      {{"parse", "0.1"}, "0.10000000000000001\n"},         // needs all 17 digits
      {{"format", "0x1.8p10", "4", "Hz"}, " 1.536 kHz\n"}, // hex float 1536
      {{"format", "1e999", "4", "F"}, " 9.99999999999999E+998 TF\n"},
      {{"numbertext", "1234567.891"}, " 1234567.891\n"},
      {{"numbertext", "123456", "-3"}, " 123000\n"},
      // 1 uF with 10 ohms in series at 1 kHz.
      {{"calc", "--report", "cs-r", "1000", "1", "10"},
       "F =  1 kHz\nZ =  159.4688 Ohms\nRs =  10 Ohms\nXs = -159.1549 Ohms\nY =  6.27 mmhos\n"
       "Gp =  393.23 umhos\nBp =  6.26 mmhos\nCs =  1 uF\nCp =  996.0677 nF\nRp =  2.543 kOhms\n"
       "Q =  15.9155\nD =  .0628\nPhase angle = -86.4 degrees\n"},
      {{"batch", "5"},
       "F,Cs,R," + Results +
           "\n1000,1,10,159.4687929050209,10,-159.15494309189535,0.006270819398473761,"
           "0.00039323175928274824,0.0062584778270571685,-1e-06,-9.960676824071725e-07,"
           "-0.025330295910584447,-0.025430295910584447,2543.0295910584446,-15.915494309189535,"
           "0.06283185307179585,-86.40472622013183\n",
       "1000,1,10\n"},
      // The panel (the default form). Bp zero: the message stands alone, no Q and D rows.
      {{"calc", "R-X", "1000", "1000", "0", "100"},
       "Z\t 100 Ohms\nRs\t 100 Ohms\nXs\t 0 aOhms\nY\t 10 mmhos\nGp\t 10 mmhos\nBp\t 0 amhos\n"
       "Device is purely resistive\nRp\t 100 Ohms\nPhase angle\t 0 degrees\n"},
      // Pure resistance: Bp is negative zero, D infinite, Cp and Lp NaN.
      {{"calc", "--json", "1", "1000", "1000", "0", "50"},
       "{\"F\":1000,\"F0Bridge\":1000,\"Z\":50,\"Rs\":50,\"Rp\":50,\"Xs\":0,\"Aux\":0,\"Gp\":0.02,"
       "\"Bp\":-0,\"Y\":0.02,\"Cs\":\"inf\",\"Cp\":\"nan\",\"Ls\":0,\"Lp\":\"nan\",\"Q\":0,"
       "\"D\":\"-inf\",\"Phase\":0}\n"},
      {{"calc", "--json", "r-x"},
       "{\"F\":1000,\"F0Bridge\":1000,\"Z\":0,"}, // rows left out take defaults
      {{"batch", "R-X"},
       "Bridge f0,Actual f0,X,R," + Results +
           "\n1000,1000,0,50,50,50,0,0.02,0.02,-0,inf,nan,0,nan,50,0,-inf,0\n",
       "1000,1000,0,50\n"},
      // Tab-separated fields may hold commas and quotes; they come out quoted.
      {{"batch", "--header", "Cs-D"},
       "f,\"C, uF\",\"say \"\"D\"\"\"," + Results + "\n1000,\"1,5\",\"1\"\"\",",
       "# first\nf\tC, uF\tsay \"D\"\n1000\t1,5\t1\"\n"},
      {{"batch", "--header", "Cs-D"}, "F,Cs,DF," + Results + "\n"}, // no header line at all
      // A 1 nF capacitor with D = 0.0002 on a meter of +-0.05 % and +-0.0005 in
      // D: D is below the meter's D accuracy, so everything that scales with D
      // or with 1/D (Rs, Gp, Rp, Q, D itself) is flagged; the reactive results
      // are known to about the capacitance's 0.05 %. Signed as the record
      // carries them: capacitive Xs, Cs, Cp and Q negative.
      {{"convert", "--accuracy", "0.05%", "0.0005", "Cp-D", "1kHz", "1nF", "0.0002"},
       "Z\t 159.1549 kOhms\t\xC2\xB1 79.5934 Ohms\n"
       "Rs\t 31.831 Ohms\t\xC2\xB1 79.5934 Ohms\tunreliable\n"
       "Xs\t-159.1549 kOhms\t\xC2\xB1 79.6093 Ohms\nY\t 6.28 umhos\t\xC2\xB1 3.14 nmhos\n"
       "Gp\t 1.26 nmhos\t\xC2\xB1 3.14 nmhos\tunreliable\nBp\t 6.28 umhos\t\xC2\xB1 3.14 nmhos\n"
       "Cs\t-1 nF\t\xC2\xB1 500.2 fF\nCp\t-1 nF\t\xC2\xB1 500 fF\n"
       "Ls\t-25.3303 H\t\xC2\xB1 12.6702 mH\nLp\t-25.3303 H\t\xC2\xB1 12.6651 mH\n"
       "Rp\t 795.7747 MOhms\t\xC2\xB1 1.9898 GOhms\tunreliable\n"
       "Q\t-5000\t\xC2\xB1 12500\tunreliable\nD\t .0002\t\xC2\xB1 .0005\tunreliable\n"
       "Phase\t-89.99 degrees\t\xC2\xB1 .03 degrees\n"},
      // The same in JSON: values in full, bounds to three digits (0.05 % of
      // 1 nF, and the meter's D accuracy itself), the flagged names.
      {{"convert", "--json", "--accuracy", "0.05%", "0.0005", "cp-d", "1000", "1n", "200u"},
       "{\"pair\": \"Cp-D\", \"F\": 1000, \"values\": {\"Z\": 159154.9399087966, "
       "\"Rs\": 31.83098734513958, \"Xs\": -159154.9367256979, \"Y\": 6.283185432843291e-06, "
       "\"Gp\": 1.2566370614359171e-09, \"Bp\": 6.283185307179586e-06, \"Cs\": -1.00000004e-09, "
       "\"Cp\": -1e-09, \"Ls\": -25.330294897372653, \"Lp\": -25.33029591058445, "
       "\"Rp\": 795774715.4594768, \"Q\": -5000, \"D\": 2e-04, \"Phase\": -89.98854084425018}, "
       "\"bounds\": {\"Z\": 79.6, \"Rs\": 79.6, \"Xs\": 79.7, \"Y\": 3.15e-09, \"Gp\": 3.15e-09, "
       "\"Bp\": 3.15e-09, \"Cs\": 5.01e-13, \"Cp\": 5e-13, \"Ls\": 0.0127, \"Lp\": 0.0127, "
       "\"Rp\": 1.99e+09, \"Q\": 12500, \"D\": 5e-04, \"Phase\": 0.0287}, "
       "\"unreliable\": [\"Rs\", \"Gp\", \"Rp\", \"Q\", \"D\"]}\n"},
      // Without accuracy, the panel's texts with the record's signs (Cs, Cp,
      // Ls and Lp of a capacitive part negative): Y 10 mS at +30 degrees is
      // Z 100 ohms at -30 degrees.
      {{"convert", "Y-thd", "1k", "10mS", "30deg"},
       "Z\t 100 Ohms\nRs\t 86.6025 Ohms\nXs\t-50 Ohms\nY\t 10 mmhos\nGp\t 8.66 mmhos\n"
       "Bp\t 5 mmhos\nCs\t-3.1831 uF\nCp\t-795.7747 nF\nLs\t-7.9577 mH\nLp\t-31.831 mH\n"
       "Rp\t 115.4701 Ohms\nQ\t-.5774\nD\t 1.7321\nPhase\t-30 degrees\n"},
  };

  for (const auto &c : cases) {
    CliRun r = Call(c.args, c.input);
    EXPECT_EQ(r.code, 0) << c.args[0] << ": " << r.err;
    bool whole = c.out.back() == '\n';
    EXPECT_EQ(whole ? r.out : r.out.substr(0, c.out.size()), c.out)
        << c.args[0] << " " << c.args.back();
    EXPECT_EQ(r.err, "");
  }
}

TEST(Cli, UsageErrorsNameTheProblem) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"format", "1.5e", "4", "Ohms"}, "VALUE '1.5e'"}, // trailing junk
      {{"numbertext", "1", "2147483648"}, "PLACES '2147483648'"},
      {{"calc", "--xml", "Cs-D"}, "unknown option '--xml'"},
      {{"calc", "Cs-D", "1", "2", "3", "4"}, "mode Cs-D has 3 entry rows, 4 TEXTs given"},
      {{"batch", "Cs-D", "extra"}, "'extra' is one argument too many"},
      {{"batch", "17"}, "unknown mode '17'"},
      {{"calc", "4294967299"}, "unknown mode"}, // 2^32 + 3 must not wrap onto a mode
      {{"convert", "Cs-D", "1k", "1n"}, "convert takes PAIR F A B"},
      {{"convert", "Cx-D", "1k", "1n", "0.01"}, "unknown pair 'Cx-D'"},
      {{"convert", "Cs-D", "1k", "1nH", "0.01"}, "A '1nH' is not a capacitance"},
      {{"convert", "Cs-D", "1k", "", "0.01"}, "A '' is not a capacitance"}, // never read as 0
      {{"convert", "Cs-D", "-1k", "1n", "0.01"}, "F '-1k' is negative"},
      {{"convert", "Ls-Q", "1k", "1m", "-5"}, "B '-5' is negative; Q is entered as a magnitude"},
      {{"convert", "Z-thd", "1k", "50", "30rad"}, "B '30rad' is not an angle in degrees"},
      {{"convert", "--accuracy", "1%", "Cs-D", "1k", "1n", "0.01"}, "convert takes PAIR F A B"},
      {{"convert", "--accuracy", "-1%", "1", "Cs-D", "1k", "1n", "0.01"}, "ACC_A '-1' is negative"},
      {{"convert", "--accuracy", "1%", "1rad", "Z-thd", "1k", "1", "1"}, "ACC_B '1rad'"},
      {{"convert", "--xml", "Cs-D", "1k", "1n", "0.01"}, "unknown option '--xml'"},
      {{"batch", "--pair", "Nope"}, "unknown pair 'Nope'"},
      {{"batch", "--pair", "Cs-D", "Cs-D"}, "takes no MODE"},
      {{"batch", "--accuracy", "1%", "1%", "Cs-D"}, "--accuracy needs --pair"},
  };
  for (const auto &[args, message] : cases) {
    CliRun r = Call(args);
    EXPECT_EQ(r.code, CliUsageError) << message;
    EXPECT_EQ(r.out, "") << message;
    EXPECT_NE(r.err.find(message), std::string::npos) << message << " not in: " << r.err;
  }
}

TEST(CliBatch, BadLinesReportedWithNumbersAndSkipped) {
  // The header has the wrong width: it is a bad line and the row labels stand in for it.
  CliRun r = Call({"batch", "--header", "Cs-D"}, "# log\na,b,c,d\n1000,1,.01\n1000,1\n1000,2,.02\n"
                                                 "1000,\"1,.01\n1000,\"1\"x,.01\n1000,3,.03");
  EXPECT_EQ(r.code, CliFailed);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 4); // header and the three good records
  EXPECT_EQ(r.out.rfind("F,Cs,DF," + Results + "\n", 0), 0u) << r.out;
  ExpectIn(r.err,
           {"line 2: expected 3 fields (F, Cs, DF) for mode Cs-D, found 4\n",
            "line 4: expected 3 fields (F, Cs, DF) for mode Cs-D, found 2\n",
            "line 6: a quoted field has no closing quote\n",
            "line 7: text follows the closing quote of a quoted field\n", "4 bad lines skipped\n"});
  // Input that cannot be read and output that cannot be written are failures
  // too; input that cannot be read at all gives no output, not even a header.
  for (bool header : {false, true}) {
    r = Call(header ? std::vector<std::string>{"batch", "--header", "Cs-D"}
                    : std::vector<std::string>{"batch", "Cs-D"},
             "1000,1,.01\n", 0, true);
    EXPECT_EQ(r.code, CliFailed);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "calvora-cli: cannot read standard input\n");
  }
  r = Call({"batch", "Cs-D"}, "1000,1,.01\n", 0, true, true);
  EXPECT_EQ(r.err, "calvora-cli: cannot read standard input\n"); // nothing was there to write
  r = Call({"batch", "Cs-D"}, "1000,1,.01\n", 0, false, true);
  EXPECT_EQ(r.code, CliFailed);
  EXPECT_EQ(r.err, "calvora-cli: cannot write standard output\n");
}

// The result columns never take a name the input already has: data tools
// would rename or refuse a repeated column.
TEST(CliBatch, ResultColumnsNeverRepeatAnInputName) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"batch", "--header", "Cs-D"}, "calc_D,b,c\n1000,1,0.01\n"},
      {{"batch", "--header", "--pair", "Cp-D", "--accuracy", "1%", "1%"},
       "f,calc_Q_bound,calc_calc_Z\n1000,1n,0.01\n"}};
  const std::string starts[] = {
      "calc_D,b,c,calc_calc_Z,calc_calc_Rs,",
      "f,calc_Q_bound,calc_calc_Z,calc_calc_calc_Z,calc_calc_calc_Z_bound,"};
  for (int i = 0; i < 2; ++i) {
    const std::string out = Call(cases[i].first, cases[i].second).out;
    EXPECT_EQ(out.substr(0, starts[i].size()), starts[i]);
    std::vector<std::string> names = Lines(out.substr(0, out.find('\n')), ',');
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << out;
  }
}

TEST(CliBatch, LayoutOfTheInputAndReadSizesDoNotMatter) {
  // Comments, blank lines, CR LF and CR alone, tabs and quoted fields give
  // what plain records give. A record padded to exactly the length limit is still a
  // record; one byte more makes a bad line, as does a longer one at the end.
  auto padded = [](std::size_t length) {
    return "1000,1," + std::string(length - 10, ' ') + ".01";
  };
  std::string plain = padded(BatchMaxLineLength) + "\n";
  std::string mixed = padded(BatchMaxLineLength) + "\r\n" + padded(BatchMaxLineLength + 1) + "\n" +
                      std::string(3 * BatchMaxLineLength, 'x') + "\n";
  for (int i = 1; i <= 500; ++i) {
    std::string f = std::to_string(i), d = ".0" + std::to_string(i % 10);
    plain += f + ",1," + d + "\n";
    mixed +=
        (i % 5 ? "" : "# note\n\n \t\n") + (i % 7 ? "\"" + f + "\",1," + d : f + "\t\"1\"\t" + d);
    mixed += i % 3 ? (i % 4 ? "\n" : "\r") : "\r\n"; // LF, CR alone and CR LF alike
  }
  mixed += std::string(BatchMaxLineLength + 5, 'y');
  CliRun whole = Call({"batch", "Cs-D"}, mixed);
  EXPECT_EQ(whole.code, CliFailed);
  EXPECT_EQ(whole.out, Call({"batch", "Cs-D"}, plain).out);
  ExpectIn(whole.err, {"line 2: longer than 65536 bytes", "line 3: longer than 65536 bytes",
                       "line 804: longer than 65536 bytes", "3 bad lines"});
  for (std::size_t piece : {1, 7, 1000, 65537}) {
    CliRun r = Call({"batch", "Cs-D"}, mixed, piece);
    EXPECT_EQ(r.out + r.err, whole.out + whole.err) << piece;
  }
}

// Bounds are rounded up to three significant digits, laid out as the
// shortest spelling would lay out those digits.
TEST(CliOutput, BoundsRoundUpToThreeDigits) {
  // clang-format off
  const std::pair<double, const char *> cases[] = {
      {79.59338544775255, "79.6"}, {0.0005, "5e-04"}, {5.000000000000001e-13, "5e-13"},
      {999.5, "1000"}, {123456, "124000"}, {0.1, "0.1"}, {1.2345e300, "1.24e+300"},
      {4.9406564584124654e-324, "5e-324"}, {0, "0"}, {HUGE_VAL, "inf"}, {std::nan(""), "nan"},
      {0.000123, "0.000123"}};
  // clang-format on
  for (const auto &[bound, text] : cases) {
    char buffer[NumberSpellingMax];
    EXPECT_EQ(std::string(buffer, SpellBound(buffer, bound)), text) << bound;
  }
  // Every spelled bound reads back as no less than the bound (but for the
  // double's last bits) and less than 1 % above it.
  std::mt19937_64 random(99);
  for (int trial = 0; trial < 100000; ++trial) {
    const double bound = std::ldexp(double(random() >> 11) + 1, int(random() % 200) - 150);
    char buffer[NumberSpellingMax];
    const std::string text(buffer, SpellBound(buffer, bound));
    const double back = std::strtod(text.c_str(), nullptr);
    ASSERT_TRUE(back >= bound * (1 - 1e-11) && back < bound * 1.01) << bound << " gave " << text;
  }
}

TEST(CliConvert, BatchOfAMetersLog) {
  const std::string log = "1k,1n,0.0002\r\n1k,-1n,0.0002\n# note\n2k,4n7,1e-3\n1k,1n\n";
  CliRun r = Call({"batch", "--pair", "Cp-D", "--accuracy", "0.05%", "0.0005"}, log);
  EXPECT_EQ(r.code, CliFailed);
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out;
  std::string header = "F,Cp,D";
  for (const std::string &name : Lines(Results, ','))
    header += "," + name + "," + name + "_bound";
  EXPECT_EQ(lines[0], header);
  EXPECT_EQ(lines[1].rfind("1k,1n,0.0002,159154.9399087966,79.6,", 0), 0u) << lines[1];
  EXPECT_EQ(std::count(lines[2].begin(), lines[2].end(), ','), 3 + 28 - 1);
  ExpectIn(r.err, {"line 2: field 2 '-1n' is negative; Cp is entered as a magnitude\n",
                   "line 5: expected 3 fields (F, Cp, D) for pair Cp-D, found 2\n",
                   "2 bad lines skipped\n"});
  // Without accuracy, no bound columns; each record as convert gives it.
  r = Call({"batch", "--header", "--pair", "z-thd"}, "f,z,theta\n1000,100,-30\n");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "f,z,theta," + Results);
}

#ifndef _WIN32
// Runs the real executable through the shell with `arguments` (quoted for
// it) and `input` on stdin; with `diskFull` its stdout refuses writes.
CliRun RunProcess(const std::string &arguments, const std::string &input, bool diskFull = false) {
  const std::string dir = testing::TempDir(), in = dir + "cli_in", out = dir + "cli_out",
                    err = dir + "cli_err";
  std::ofstream(in, std::ios::binary) << input;
  std::ofstream(out, std::ios::binary).flush(); // empty unless the run writes it
  int status = std::system((CALVORA_CLI_RUNNER "'" CALVORA_CLI_PATH "' " + arguments + " <'" + in +
                            "' >'" + (diskFull ? "/dev/full" : out) + "' 2>'" + err + "'")
                               .c_str());
  std::ostringstream outText, errText;
  outText << std::ifstream(out, std::ios::binary).rdbuf();
  errText << std::ifstream(err, std::ios::binary).rdbuf();
  CliRun r;
  r.out = outText.str(), r.err = errText.str();
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

TEST(CliProcess, ExitCodesAndStreams) {
  // Far more input than one read: every record comes out, the bad one is named.
  std::string input;
  for (int i = 0; i < 100000; ++i)
    input += "1000," + std::to_string(i % 97 + 1) + ",.01\r\n";
  CliRun r = RunProcess("batch 'Cs-D'", input + "1000,1\r\n");
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 100001);
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
  EXPECT_NE(r.err.find("line 100001: expected 3 fields"), std::string::npos) << r.err;
  r = RunProcess("--help", "", true);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos) << r.err;
}
#endif

} // namespace
