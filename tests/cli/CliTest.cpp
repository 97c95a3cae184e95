// The companion run in-process on strings (exact texts of every command,
// usage errors, the streaming batch converter) and, on Linux, as a process.
#include "CalvoraVersion.h"
#include "cli/Cli.h"
#include "cli/CliCommands.h"
#include "cli/CliOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <random>
#include <fstream>
#include <map>
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
      // The shortest text that reads back: Cs is -1e-06, not -9.9999999999999995e-07.
      {{"calc", "Cs-D", "1000", "1", ".01", "--json"},
       "{\"F\":1000,\"F0Bridge\":0,\"Z\":159.16290064011622,\"Rs\":1.5915494309189535,"
       "\"Rp\":15917.085858620454,\"Xs\":-159.15494309189535,\"Aux\":0,"
       "\"Gp\":6.282557051474438e-05,\"Bp\":0.006282557051474439,\"Y\":0.006282871171474209,"
       "\"Cs\":-1e-06,\"Cp\":-9.99900009999e-07,\"Ls\":-0.025330295910584447,"
       "\"Lp\":-0.025332828940175505,\"Q\":-100,\"D\":0.01,\"Phase\":-89.42706130231652}\n"},
      {{"calc", "--json", "r-x"},
       "{\"F\":1000,\"F0Bridge\":1000,\"Z\":0,"}, // rows left out take defaults
      {{"batch", "R-X"},
       "Bridge f0,Actual f0,X,R," + Results +
           "\n1000,1000,0,50,50,50,0,0.02,0.02,-0,inf,nan,0,nan,50,0,-inf,0\n",
       "1000,1000,0,50\n"},
      // Tab-separated fields may hold commas and quotes; they come out quoted.
      // --lenient reads "1,5" and 1" as the window does, as 1.
      {{"batch", "--header", "--lenient", "Cs-D"},
       "f,\"C, uF\",\"say \"\"D\"\"\"," + Results + "\n1000,\"1,5\",\"1\"\"\",",
       "# first\nf\tC, uF\tsay \"D\"\n1000\t1,5\t1\"\n"},
      {{"batch", "--header", "Cs-D"}, "F,Cs,DF," + Results + "\n"}, // no header line at all
      // A 1 nF capacitor with D = 0.0002 on a meter of +-0.05 % and +-0.0005 in
      // D: the readings allow any D from 0 to 0.0007, so Rs, Gp, Rp, Q and D
      // are flagged (Rp and Q unbounded: the part may be lossless); the
      // reactive results are known to about the capacitance's 0.05 %.
      // Signed as the record carries them: capacitive Xs, Cs, Cp and Q
      // negative.
      {{"convert", "--accuracy", "0.05%", "0.0005", "Cp-D", "1kHz", "1nF", "0.0002"},
       "Z\t 159.1549 kOhms\t 159.0754 kOhms \xE2\x80\xA6 159.2346 kOhms\n"
       "Rs\t 31.831 Ohms\t 0 aOhms \xE2\x80\xA6 111.4641 Ohms\tunreliable\n"
       "Xs\t-159.1549 kOhms\t-159.2346 kOhms \xE2\x80\xA6 -159.0753 kOhms\n"
       "Y\t 6.28 umhos\t 6.28 umhos \xE2\x80\xA6 6.29 umhos\n"
       "Gp\t 1.26 nmhos\t 0 amhos \xE2\x80\xA6 4.4 nmhos\tunreliable\n"
       "Bp\t 6.28 umhos\t 6.28 umhos \xE2\x80\xA6 6.29 umhos\n"
       "Cs\t-1 nF\t-1.0005 nF \xE2\x80\xA6 -999.5 pF\nCp\t-1 nF\t-1.0005 nF \xE2\x80\xA6 -999.5 "
       "pF\n"
       "Ls\t-25.3303 H\t-25.343 H \xE2\x80\xA6 -25.3176 H\n"
       "Lp\t-25.3303 H\t-25.343 H \xE2\x80\xA6 -25.3176 H\n"
       "Rp\t 795.7747 MOhms\t 227.2506 MOhms \xE2\x80\xA6 inf\tunreliable\n"
       "Q\t-5000\t-inf \xE2\x80\xA6 -1428.5714\tunreliable\n"
       "D\t .0002\t 0 \xE2\x80\xA6 .0007\tunreliable\n"
       "Phase\t-89.99 degrees\t-90 degrees \xE2\x80\xA6 -89.96 degrees\n"},
      // The same in JSON: values and range ends in full, infinite ends as
      // strings; bounds (the larger distance from the value to an end) to
      // three digits; the flagged names.
      {{"convert", "--json", "--accuracy", "0.05%", "0.0005", "cp-d", "1000", "1n", "200u"},
       "{\"pair\": \"Cp-D\", \"F\": 1000, \"values\": {\"Z\": 159154.9399087966, "
       "\"Rs\": 31.83098734513958, \"Xs\": -159154.9367256979, \"Y\": 6.283185432843291e-06, "
       "\"Gp\": 1.2566370614359171e-09, \"Bp\": 6.283185307179586e-06, \"Cs\": -1.00000004e-09, "
       "\"Cp\": -1e-09, \"Ls\": -25.330294897372653, \"Lp\": -25.33029591058445, "
       "\"Rp\": 795774715.4594768, \"Q\": -5000, \"D\": 2e-04, \"Phase\": -89.98854084425018}, "
       "\"ranges\": {\"Z\": [159075.36641574072, 159234.56037208138], "
       "\"Rs\": [0, 111.46413764302953], \"Xs\": [-159234.56037208138, -159075.3274422903], "
       "\"Y\": [6.2800437145259964e-06, 6.286328439983078e-06], "
       "\"Gp\": [0, 4.400428829883224e-09], "
       "\"Bp\": [6.2800437145259964e-06, 6.286326899833177e-06], "
       "\"Cs\": [-1.0005004902450003e-09, -9.995e-10], "
       "\"Cp\": [-1.0005000000000002e-09, -9.995e-10], "
       "\"Ls\": [-25.342967394281587, -25.31762468640233], "
       "\"Lp\": [-25.342967394281587, -25.317637092038424], "
       "\"Rp\": [227250579.1274296, \"inf\"], \"Q\": [\"-inf\", -1428.5714285714284], "
       "\"D\": [0, 0.0007000000000000001], \"Phase\": [-90, -89.95989296089165]}, "
       "\"bounds\": {\"Z\": 79.7, \"Rs\": 79.7, \"Xs\": 79.7, \"Y\": 3.15e-09, \"Gp\": 3.15e-09, "
       "\"Bp\": 3.15e-09, \"Cs\": 5.01e-13, \"Cp\": 5e-13, \"Ls\": 0.0127, \"Lp\": 0.0127, "
       "\"Rp\": \"inf\", \"Q\": \"inf\", \"D\": 5e-04, \"Phase\": 0.0287}, "
       "\"unreliable\": [\"Rs\", \"Gp\", \"Rp\", \"Q\", \"D\"]}\n"},
      // A lossless inductor (D = 0): |Z| does not depend on D there, so its
      // range is the inductance's 0.1 %; D may be up to 0.0005 (negative
      // for an inductor), Rp and Q unbounded.
      {{"convert", "--accuracy", "0.1%", "0.0005", "Ls-D", "1k", "1m", "0"},
       "Z\t 6.2832 Ohms\t 6.2769 Ohms \xE2\x80\xA6 6.2895 Ohms\n"
       "Rs\t 0 aOhms\t 0 aOhms \xE2\x80\xA6 3.1447 mOhms\tunreliable\n"
       "Xs\t 6.2832 Ohms\t 6.2769 Ohms \xE2\x80\xA6 6.2895 Ohms\n"
       "Y\t 159.15 mmhos\t 159 mmhos \xE2\x80\xA6 159.31 mmhos\n"
       "Gp\t 0 amhos\t 0 amhos \xE2\x80\xA6 79.66 umhos\tunreliable\n"
       "Bp\t-159.15 mmhos\t-159.31 mmhos \xE2\x80\xA6 -159 mmhos\n"
       "Cs\t 25.3303 uF\t 25.305 uF \xE2\x80\xA6 25.3557 uF\n"
       "Cp\t 25.3303 uF\t 25.305 uF \xE2\x80\xA6 25.3557 uF\n"
       "Ls\t 1000 uH\t 999 uH \xE2\x80\xA6 1.001 mH\nLp\t 1000 uH\t 999 uH \xE2\x80\xA6 1.001 mH\n"
       "Rp\t inf\t 12.5538 kOhms \xE2\x80\xA6 inf\tunreliable\n"
       "Q\t inf\t 2000 \xE2\x80\xA6 inf\tunreliable\n"
       "D\t 0\t-.0005 \xE2\x80\xA6 0\tunreliable\n"
       "Phase\t 90 degrees\t 89.97 degrees \xE2\x80\xA6 90 degrees\n"},
      // No capacitance: what the calculation leaves undefined is said to be,
      // never written as 0; infinities are named.
      {{"convert", "Cp-D", "1k", "0", "0.001"},
       "Z\t inf\nRs\t inf\nXs\t-inf\nY\t undefined\nGp\t undefined\nBp\t undefined\n"
       "Cs\t 0 aF\nCp\t undefined\nLs\t-inf\nLp\t undefined\nRp\t undefined\nQ\t undefined\n"
       "D\t undefined\nPhase\t undefined\n"},
      {{"convert", "--json", "--accuracy", "0", "0", "Cp-D", "1k", "0", "0.001"},
       "{\"pair\": \"Cp-D\", \"F\": 1000, \"values\": {\"Z\": \"inf\", \"Rs\": \"inf\", "
       "\"Xs\": \"-inf\", \"Y\": \"nan\", "},
      // A phase of exactly ±90 degrees (or ±π/2 as the double below it) is a
      // lossless part, and read.
      {{"convert", "Z-thd", "1k", "100", "-90deg"}, "Z\t 100 Ohms\nRs\t"},
      {{"convert", "Y-thr", "1k", "1m", "1.5707963267948966"}, "Z\t 1 kOhms\nRs\t"},
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
      {{"calc", "--xml", "Cs-D"}, "unknown option '--xml' for calc"},
      {{"calc", "Cs-D", "1", "2", "3", "4"},
       "mode Cs-D has 3 entry rows, 4 TEXTs given ('4' is one too many)"},
      {{"calc", "--json", "--report", "Cs-D"},
       "options '--json' and '--report' exclude each other"},
      {{"batch", "Cs-D", "extra"}, "'extra' is one argument too many"},
      {{"batch", "17"}, "unknown mode '17'"},
      {{"calc", "4294967299"}, "unknown mode"}, // 2^32 + 3 must not wrap onto a mode
      {{"convert", "Cs-D", "1k", "1n"}, "convert takes PAIR F A B"},
      {{"convert", "Cx-D", "1k", "1n", "0.01"}, "unknown pair 'Cx-D'"},
      {{"convert", "Cs-D", "1k", "1nH", "0.01"}, "A '1nH' is not a capacitance"},
      {{"convert", "Cs-D", "1k", "", "0.01"}, "A '' is not a capacitance"}, // never read as 0
      {{"convert", "Cs-D", "-1k", "1n", "0.01"}, "F '-1k' is not a frequency above zero"},
      {{"convert", "Cs-D", "0Hz", "1n", "0.01"}, "F '0Hz' is not a frequency above zero"},
      {{"convert", "Z-thd", "1k", "100", "-90.05deg"},
       "B '-90.05deg' is beyond \xC2\xB1"
       "90 degrees; a passive part's phase lies within"},
      {{"convert", "Y-thr", "1k", "1m", "1.5708"}, "B '1.5708' is beyond \xC2\xB1\xCF\x80/2"},
      {{"convert", "Ls-Q", "1k", "1m", "-5"}, "B '-5' is negative; Q is entered as a magnitude"},
      {{"convert", "Z-thd", "1k", "50", "30rad"}, "B '30rad' is not an angle in degrees"},
      {{"convert", "--accuracy", "1%", "Cs-D", "1k", "1n", "0.01"}, "convert takes PAIR F A B"},
      {{"convert", "--accuracy", "-1%", "1", "Cs-D", "1k", "1n", "0.01"}, "ACC_A '-1' is negative"},
      {{"convert", "--accuracy", "1%", "1rad", "Z-thd", "1k", "1", "1"}, "ACC_B '1rad'"},
      {{"convert", "--xml", "Cs-D", "1k", "1n", "0.01"}, "unknown option '--xml'"},
      {{"batch", "--pair", "Nope"}, "unknown pair 'Nope'"},
      {{"batch", "--pair", "Cs-D", "Cs-D"}, "takes no MODE"},
      {{"batch", "--accuracy", "1%", "1%", "Cs-D"}, "--accuracy needs --pair"},
      // A surplus operand, and an option's missing or surplus value, by name.
      {{"--version", "extra"}, "--version takes no arguments; 'extra' is one argument too many"},
      {{"parse", "1", "2"}, "parse takes exactly one TEXT; '2' is one argument too many"},
      {{"format", "1", "2", "F", "x"}, "'x' is one argument too many"},
      {{"numbertext", "1", "2", "3"}, "'3' is one argument too many"},
      {{"convert", "Cp-D", "1k", "1n", "0.001", "extra"}, "'extra' is one argument too many"},
      {{"convert", "Cp-D", "1k", "1n", "0.001", "--jsn"}, "unknown option '--jsn' for convert"},
      {{"batch", "Cs-D", "--heder"}, "unknown option '--heder' for batch"},
      {{"batch", "Cs-D", "--pair"}, "--pair takes a PAIR"},
      {{"convert", "Cs-D", "1k", "1n", "1", "--accuracy", "1%"},
       "--accuracy takes ACC_A and ACC_B"},
      {{"convert", "--accuracy=1%", "1%", "Cs-D", "1k", "1n", "1"},
       "--accuracy takes ACC_A and ACC_B, as two arguments: '--accuracy=1%' gives one"},
      {{"batch", "--pair", "Cs-D", "--pair=Cp-D"}, "--pair is given twice"},
      {{"--help", "frobnicate"}, "unknown command 'frobnicate'"},
      {{"help", "calc", "x"}, "--help takes at most a COMMAND; 'x' is one argument too many"},
      // The separator and the decimal mark of a log.
      {{"batch", "--delimiter", ":", "Cs-D"}, "--delimiter takes , ; | or tab, not ':'"},
      {{"batch", "--delimiter=,", "--decimal-comma", "Cs-D"},
       "--decimal-comma needs a delimiter other than the comma"},
      {{"batch", "--lenient", "--pair", "Cs-D"}, "--lenient reads MODE fields"},
      // Values that are ambiguous, and a convert value with a decimal comma.
      {{"convert", "Cs-D", "1mhz", "1n", "0.01"},
       "F '1mhz' is ambiguous: milli or mega? Write mHz or MHz"},
      {{"convert", "Cs-D", "1k", "1,000n", "0.01"},
       "A '1,000n' is ambiguous: a decimal comma or a thousands separator?"},
      {{"convert", "--accuracy", "0,05 %", "1,000", "Cs-D", "1k", "1n", "0.01"},
       "ACC_B '1,000' is ambiguous"},
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
       "f,calc_Q_high,calc_calc_Z\n1000,1n,0.01\n"}};
  const std::string starts[] = {
      "calc_D,b,c,calc_calc_Z,calc_calc_Rs,",
      "f,calc_Q_high,calc_calc_Z,calc_calc_calc_Z,calc_calc_calc_Z_low,calc_calc_calc_Z_high,"};
  for (int i = 0; i < 2; ++i) {
    const std::string out = Call(cases[i].first, cases[i].second).out;
    EXPECT_EQ(out.substr(0, starts[i].size()), starts[i]);
    std::vector<std::string> names = Lines(out.substr(0, out.find('\n')), ',');
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end()) << out;
  }
}

TEST(CliBatch, LayoutOfTheInputAndReadSizesDoNotMatter) {
  // Comments, blank lines, CR LF and CR alone, quoted fields and blanks
  // around fields give what plain records give. A record padded to exactly
  // the length limit is still a record; one byte more makes a bad line, as
  // does a longer one at the end.
  auto padded = [](std::size_t length) {
    return "1000,1," + std::string(length - 10, ' ') + ".01";
  };
  std::string plain = "1000,1,.01\n";
  std::string mixed = padded(BatchMaxLineLength) + "\r\n" + padded(BatchMaxLineLength + 1) + "\n" +
                      std::string(3 * BatchMaxLineLength, 'x') + "\n";
  for (int i = 1; i <= 500; ++i) {
    std::string f = std::to_string(i), d = ".0" + std::to_string(i % 10);
    plain += f + ",1," + d + "\n";
    mixed += (i % 5 ? "" : "# note\n\n \t\n") +
             (i % 7 ? "\"" + f + "\",1, " + d : " " + f + "\t, \" 1\"\t," + d + "  ");
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

// A range is flagged when it says little about the result: undefined,
// unbounded, holding zero (so the sign is open), or wider than a factor of
// two either way.
TEST(CliConvert, UnreliableRanges) {
  const double inf = HUGE_VAL, nan = std::nan("");

  const struct {
    double low, high;
    bool flagged;
  } cases[] = {
      {1, 2, false},     {1, 2.0000000001, true}, // a factor of two at most
      {-2, -1, false},   {-2.0000000001, -1, true},
      {5, 5, false},     {0, 1, true},
      {-1, 0, true},     {-1, 1, true}, // zero inside: no known sign
      {0, 0, true},      {1e-300, 1e-300, false},
      {1, inf, true},    {-inf, -1, true},
      {-inf, inf, true}, // unbounded
      {nan, nan, true},  {nan, 1, true},
      {1, nan, true}, // undefined
  };

  for (const auto &c : cases)
    EXPECT_EQ(IsUnreliable(c.low, c.high), c.flagged) << c.low << " … " << c.high;
}

TEST(CliConvert, BatchOfAMetersLog) {
  const std::string log = "1k,1n,0.0002\r\n1k,-1n,0.0002\n# note\n2k,4n7,1e-3\n1k,1n\n0,1n,0.001\n";
  CliRun r = Call({"batch", "--pair", "Cp-D", "--accuracy", "0.05%", "0.0005"}, log);
  EXPECT_EQ(r.code, CliFailed);
  const std::vector<std::string> lines = Lines(r.out);
  ASSERT_EQ(lines.size(), 3u) << r.out;
  std::string header = "F,Cp,D";
  for (const std::string &name : Lines(Results, ','))
    header += "," + name + "," + name + "_low," + name + "_high";
  EXPECT_EQ(lines[0], header);
  // Each result, then the ends of its range (as convert --json gives them).
  EXPECT_EQ(lines[1].rfind("1k,1n,0.0002,159154.9399087966,159075.36641574072,159234.56037208138,"
                           "31.83098734513958,0,111.46413764302953,",
                           0),
            0u)
      << lines[1];
  EXPECT_NE(lines[1].find(",795774715.4594768,227250579.1274296,inf,-5000,-inf,"),
            std::string::npos);
  EXPECT_EQ(std::count(lines[2].begin(), lines[2].end(), ','), 3 + 42 - 1);
  ExpectIn(r.err, {"line 2: field 2 '-1n' is negative; Cp is entered as a magnitude\n",
                   "line 5: expected 3 fields (F, Cp, D) for pair Cp-D, found 2\n",
                   "line 6: field 1 '0' is not a frequency above zero\n", "3 bad lines skipped\n"});
  // Without accuracy, no range columns; each record as convert gives it.
  r = Call({"batch", "--header", "--pair", "z-thd"}, "f,z,theta\n1000,100,-30\n");
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')), "f,z,theta," + Results);
}

// The CSV columns of a batch run after the input columns: what is
// compared when the same records are written in different layouts.
std::vector<std::string> ResultColumnsOf(const std::string &csv, std::size_t inputColumns) {
  std::vector<std::string> rows;
  for (const std::string &line : Lines(csv)) {
    std::size_t at = 0;
    for (std::size_t k = 0; k < inputColumns && at != std::string::npos; ++k)
      at = line.find(',', line[at] == '"' ? line.find('"', at + 1) : at) + 1;
    rows.push_back(line.substr(at));
  }
  return rows;
}

// The result columns of batch, in their order, from calc --json's record.
std::string ResultsOfCalc(const std::vector<std::string> &args) {
  const std::string json = Call(args).out;
  std::string row;
  for (const char *name :
       {"Z", "Rs", "Xs", "Y", "Gp", "Bp", "Cs", "Cp", "Ls", "Lp", "Rp", "Q", "D", "Phase"}) {
    std::string key = "\"";
    key += name;
    key += "\":"; // piece by piece: mingw's -Wrestrict misreads "\"" + name
    const std::size_t at = json.find(key) + key.size();
    std::string value = json.substr(at, json.find_first_of(",}", at) - at);
    if (value[0] == '"')
      value = value.substr(1, value.size() - 2);
    row += (row.empty() ? "" : ",") + value;
  }
  return row;
}

// Separators and decimal commas: each log holds the records of the plain
// log "1000,4.7,0.01" and "2000,0.1,0.5", and gives its results.
TEST(CliBatchSeparators, EveryLayoutReadsTheSameRecords) {
  const std::string plain = "1000,4.7,0.01\n2000,0.1,0.5\n";
  const std::vector<std::string> want = ResultColumnsOf(Call({"batch", "Cs-D"}, plain).out, 3);

  const struct {
    std::vector<std::string> options;
    std::string log;
  } cases[] = {
      {{}, "1000;4,7;0,01\n2000;0,1;0,5\n"},                // semicolons mean decimal commas
      {{}, "1000;4,7;1E-2\n2000;\"0,1\";0,5\n"},            // quoted, and an exponent
      {{}, "1000\t4.7\t0.01\n2000\t0.1\t0.5\n"},            // a tab in the first record
      {{}, "  1000 , 4.7 , \"0.01\"\n2000\t,0.1,0.5 \t\n"}, // blanks around the fields
      {{"--decimal-comma"}, "1000\t4,7\t0,01\n2000\t0,1\t0,5\n"},
      {{"--decimal-comma"}, "1000;4,7;0,01\n2000;0,1;0,5\n"},
      {{"--delimiter", "|"}, "1000|4.7|0.01\n2000|0.1|0.5\n"},
      {{"--delimiter=;"}, "1000;4.7;0.01\n2000;0.1;0.5\n"}, // points where the option says so
      {{"--delimiter", "tab", "--decimal-comma"}, "1000\t4,7\t0,01\n2000\t0,1\t0,5\n"},
      {{"--delimiter", "\\t"}, "1000\t4.7\t0.01\n2000\t0.1\t0.5\n"},
      {{"--delimiter", "\t"}, "1000\t4.7\t0.01\n2000\t0.1\t0.5\n"},
      {{"--delimiter", "|", "--decimal-comma"}, "1000|4,7|0,01\n2000|0,1|0,5\n"},
      {{}, "# f;C;D\n\n1000;4,7;0,01\n2000;0,1;0,5\n"}, // comments do not count
  };

  for (const auto &c : cases) {
    std::vector<std::string> args = {"batch"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back("Cs-D");
    CliRun r = Call(args, c.log);
    EXPECT_EQ(r.code, 0) << c.log << r.err;
    EXPECT_EQ(ResultColumnsOf(r.out, 3), want) << c.log;
  }
  // The input columns keep their own text: the decimal commas stay.
  EXPECT_EQ(Lines(Call({"batch", "Cs-D"}, "1000;4,7;0,01\n").out)[1].substr(0, 17),
            "1000,\"4,7\",\"0,01\"");
  // A meter's log in the same layouts, read as convert reads its values.
  const std::string meter = Call({"batch", "--pair", "Cp-D"}, "1k,4.7n,0.01\n").out;
  ASSERT_EQ(Lines(meter).size(), 2u);
  for (const char *log : {"1k;4,7n;0,01\n", "1k\t4.7 nF\t 0.01\n", "1k; 4n7 ;1e-2\n"})
    EXPECT_EQ(ResultColumnsOf(Call({"batch", "--pair", "Cp-D"}, log).out, 3),
              ResultColumnsOf(meter, 3))
        << log;
}

// What is refused where a separator or decimal mark does not fit.
TEST(CliBatchSeparators, MismatchedMarksAreBadLines) {
  const struct {
    std::vector<std::string> args;
    std::string log, message;
  } cases[] = {
      {{"batch", "Cs-D"},
       "1000\t4,7\t0,01\n",
       "line 1: field 2 (Cs) '4,7' has text after its number: ',7' (a decimal comma needs "
       "--decimal-comma)\n"},
      {{"batch", "Cs-D"},
       "1000;4.7;0.01\n",
       "line 1: field 2 (Cs) '4.7' has a decimal point, but this input's decimal mark is the "
       "comma\n"},
      {{"batch", "Cs-D"}, "1000;1.000,5;0,01\n", "field 2 (Cs) '1.000,5' has a decimal point"},
      // The first record sets the separator for every line.
      {{"batch", "Cs-D"},
       "1000,4;7,0.01\n",
       "expected 3 fields (F, Cs, DF) for mode Cs-D, found 2"},
      {{"batch", "Cs-D"},
       "1000,4.7,0.01\n1000;4,7;0,01\n",
       "line 2: field 1 (F) '1000;4' has text after its number: ';4'"},
      {{"batch", "--pair", "Cp-D"},
       "1k;4.7n;0,01\n",
       "line 1: field 2 '4.7n' has a decimal point, but this input's decimal mark is the comma\n"},
      {{"batch", "--pair", "Cp-D"},
       "1k\t4,7n\t0.01\n",
       "field 2 '4,7n' has a decimal comma, but this input's decimal mark is the point"},
  };

  for (const auto &c : cases) {
    CliRun r = Call(c.args, c.log);
    EXPECT_EQ(r.code, CliFailed) << c.log;
    ExpectIn(r.err, {c.message});
  }
}

// A UTF-8 byte order mark opens the input only: it is dropped there,
// before a record, a header or a comment, and is a bad field elsewhere.
TEST(CliBatch, ByteOrderMark) {
  const std::string bom = "\xEF\xBB\xBF";
  const std::string plain = Call({"batch", "Cs-D"}, "1000,1,.01\n").out;
  EXPECT_EQ(Call({"batch", "Cs-D"}, bom + "1000,1,.01\n").out, plain);
  EXPECT_EQ(Call({"batch", "Cs-D"}, bom + "1000,1,.01\n", 1).out, plain); // one byte per read
  EXPECT_EQ(Call({"batch", "Cs-D"}, bom + "# note\r\n1000,1,.01\n").out, plain);
  CliRun r = Call({"batch", "--header", "Cs-D"}, bom + "F,C,D\n1000,1,.01\n");
  EXPECT_EQ(r.out.substr(0, 6), "F,C,D,");
  r = Call({"batch", "--pair", "Cp-D"}, bom + "1k;4,7n;0,01\n");
  EXPECT_EQ(r.code, 0) << r.err;
  r = Call({"batch", "Cs-D"}, "1000,1,.01\n" + bom + "1000,1,.01\n");
  ExpectIn(r.err, {"line 2: field 1 (F) '\\xEF\\xBB\\xBF1000' holds no number"});
}

// Each field is the number the window reads and nothing else, or the line
// is bad; --lenient reads it exactly as the window (and calc) would.
TEST(CliBatchFields, StrictUnlessLenient) {
  const struct {
    std::string field, message; // an empty message: the field is read
  } cases[] = {
      {"1", ""},
      {"  +.5 ", ""},
      {"1E-3", ""},
      {"1d3", ""},
      {"&HFF", ""},
      {"&HFFFF&", ""},
      {"&H0FFFF?", ""},
      {"-0", ""},
      {"\"1\"", ""},
      {"1E400", ""},
      {"4n7", "'4n7' has text after its number: 'n7'"},
      {"1kHz", "'1kHz' has text after its number: 'kHz'"},
      {"2E-", "'2E-' has text after its number: 'E-'"},
      {"junk", "'junk' holds no number"},
      {"", "'' holds no number"},
      {"  ", "'' holds no number"},
      {"-", "'-' holds no number"},
      {".", "'.' holds no number"},
      {"&H", "'&H' holds no number"},
      {"&19", "'&19' has text after its number: '9'"},
      {"&H10000000000000000", "'&H10000000000000000' is beyond the range of an entry row"},
      {"1E5000", "'1E5000' is beyond the range of an entry row"},
  };

  for (const auto &c : cases) {
    const std::string log = "1000," + c.field + ",0.01\n";
    CliRun strict = Call({"batch", "Cs-D"}, log),
           lenient = Call({"batch", "--lenient", "Cs-D"}, log);
    std::string text = c.field;
    if (text.size() > 1 && text.front() == '"')
      text = text.substr(1, text.size() - 2);
    EXPECT_EQ(lenient.code, 0) << c.field;
    EXPECT_EQ(ResultColumnsOf(lenient.out, 3)[1],
              ResultsOfCalc({"calc", "--json", "Cs-D", "1000", text, "0.01"}))
        << c.field;
    if (c.message.empty()) {
      EXPECT_EQ(strict.code, 0) << c.field << strict.err;
      EXPECT_EQ(strict.out, lenient.out) << c.field;
    } else {
      EXPECT_EQ(strict.code, CliFailed) << c.field;
      ExpectIn(strict.err, {"line 1: field 2 (Cs) " + c.message, "1 bad line skipped"});
      EXPECT_EQ(Lines(strict.out).size(), 1u) << strict.out;
    }
  }
}

// Options may stand anywhere among the operands, and --NAME=VALUE gives an
// option its value: each group gives one output.
TEST(CliArguments, OptionsStandAnywhere) {
  const std::string header = "f;c;d\n1000;4,7;0,01\n";

  const struct {
    std::vector<std::vector<std::string>> forms;
    std::string input = "";
  } groups[] = {
      {{{"convert", "--json", "Cp-D", "1k", "1n", "0.001"},
        {"convert", "Cp-D", "1k", "1n", "0.001", "--json"},
        {"convert", "Cp-D", "--json", "1k", "1n", "0.001"}}},
      {{{"convert", "--accuracy", "1%", "0.0005", "Cp-D", "1k", "1n", "0.0002"},
        {"convert", "Cp-D", "1k", "1n", "0.0002", "--accuracy", "1%", "0.0005"},
        {"convert", "Cp-D", "1k", "--accuracy", "1 %", "0,0005", "1n", "0.0002"}}},
      {{{"calc", "--report", "Cs-D", "1000", "1", ".01"},
        {"calc", "Cs-D", "1000", "1", ".01", "--report"},
        {"calc", "Cs-D", "--report", "--", "1000", "1", ".01"}}},
      {{{"batch", "--header", "Cs-D"}, {"batch", "Cs-D", "--header"}}, header},
      {{{"batch", "--delimiter", ";", "--decimal-comma", "Cs-D", "--header"},
        {"batch", "--delimiter=;", "Cs-D", "--header", "--decimal-comma"}},
       header},
      {{{"batch", "--pair", "Cp-D"}, {"batch", "--pair=cp-d"}}, "1k,1n,0.001\n"},
  };

  for (const auto &group : groups) {
    const CliRun first = Call(group.forms[0], group.input);
    EXPECT_EQ(first.code, 0) << first.err;
    for (const auto &form : group.forms) {
      const CliRun r = Call(form, group.input);
      EXPECT_EQ(r.out + r.err + std::to_string(r.code), first.out + first.err + "0") << form[1];
    }
  }
}

// Every argument that is not an option is an operand, whatever it starts
// with: the entry texts read exactly as the window reads them.
TEST(CliArguments, OperandsThatLookLikeOptions) {
  for (const char *text : {"-", "--5", "-.e5", "- 5", "-inf", "-0"}) {
    const CliRun r = Call({"parse", text});
    EXPECT_EQ(r.out + r.err, "-0\n") << text;
    EXPECT_EQ(Call({"calc", "Cs-D", "1000", text}).out, Call({"calc", "Cs-D", "1000", "-0"}).out);
  }
  EXPECT_EQ(Call({"parse", "--", "--help"}).out, "-0\n");
  EXPECT_EQ(Call({"parse", "--", "-h"}).out, "-0\n");
  EXPECT_EQ(Call({"calc", "Cs-D", "--json=1"}).out, Call({"calc", "Cs-D", "-0"}).out);
  EXPECT_EQ(Call({"numbertext", "-5"}).out, "-5\n");
  EXPECT_EQ(Call({"numbertext", "-1234.5678", "-2"}).out, "-1200\n");
  const CliRun inf = Call({"format", "-inf", "4", "Ohms"});
  EXPECT_EQ(inf.code, 0);
  EXPECT_EQ(inf.out, Call({"format", "-1e999", "4", "Ohms"}).out);
  EXPECT_EQ(Call({"convert", "Cs-D", "1k", "1n", "-.01"}).err.find("B '-.01' is negative"), 13u);
}

// Each command's -h and --help print its own usage on standard output, and
// the whole --help holds every command's lines.
TEST(CliHelp, EveryCommandAnswersHelp) {
  const std::string all = Call({"--help"}).out;
  for (const CliCommand &command : CliCommandTable()) {
    const std::string name(command.name);
    const CliRun help = Call({name, "--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.err, "");
    EXPECT_EQ(help.out.rfind("Usage:\n  calvora-cli " + name + " ", 0), 0u) << help.out;
    const std::string lines = help.out.substr(7, help.out.find("\n\n") - 7);
    EXPECT_NE(all.find(lines), std::string::npos) << name;
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{name, "-h"},
                                               {"help", name},
                                               {"--help", name},
                                               {"-h", name},
                                               {name, "x", "y", "z", "w", "v", "--help"}}) {
      const CliRun r = Call(args);
      EXPECT_EQ(r.out + r.err + std::to_string(r.code), help.out + "0") << args[0] << args[1];
    }
    for (const CliOption &option : command.options)
      EXPECT_NE(help.out.find("\n      " + std::string(option.name)), std::string::npos);
  }
  EXPECT_EQ(Call({"calc", "Cs-D", "--help"}).out, Call({"calc", "-h"}).out);
  EXPECT_EQ(Call({"batch", "--pair", "Cp-D", "-h"}).out, Call({"batch", "--help"}).out);
  EXPECT_NE(all.find("  calvora-cli --help [COMMAND] | --version\n"), std::string::npos);
}

// The "--" words of each command's usage lines are exactly its options.
TEST(CliHelp, UsageLinesNameEveryOption) {
  for (const CliCommand &command : CliCommandTable()) {
    std::vector<std::string> named, options;
    const std::string usage(command.usage);
    for (std::size_t at = usage.find("--"); at != std::string::npos; at = usage.find("--", at)) {
      const std::size_t end = usage.find_first_of(" ]|\n", at);
      named.push_back(usage.substr(at, end - at));
      at = end;
    }
    for (const CliOption &option : command.options)
      options.emplace_back(option.name);
    std::sort(named.begin(), named.end());
    named.erase(std::unique(named.begin(), named.end()), named.end());
    std::sort(options.begin(), options.end());
    EXPECT_EQ(named, options) << command.name;
  }
}

// An echoed text shows bytes that are not printable UTF-8 as escapes, and
// no more than about 60 characters; column names are escaped likewise.
TEST(CliMessages, EchoedTextIsEscapedAndCut) {
  const std::pair<std::string, std::string> cases[] = {
      {"1\xC2\xB5", "'1\xC2\xB5'"},                          // the micro sign is printable
      {"1\xB5", "'1\\xB5'"},                                 // Latin-1 is not UTF-8
      {std::string("a\0b\x7F\t", 5), "'a\\x00b\\x7F\\x09'"}, // controls
      {"\xC0\x80", "'\\xC0\\x80'"},                          // overlong
      {"\xED\xA0\x80", "'\\xED\\xA0\\x80'"},                 // a surrogate
      {"\xF4\x90\x80\x80", "'\\xF4\\x90\\x80\\x80'"},        // beyond U+10FFFF
      {"\xE2\x82", "'\\xE2\\x82'"},                          // cut short
      {"\xF0\x9F\x98\x80", "'\xF0\x9F\x98\x80'"},            // four bytes
      {"\xC2\x85\xE2\x80\xAE\xEF\xBB\xBF",
       "'\\xC2\\x85\\xE2\\x80\\xAE\\xEF\\xBB\\xBF'"}, // C1, a direction override, a BOM
      {std::string(60, 'x'), "'" + std::string(60, 'x') + "'"},
      {std::string(61, 'x'), "'" + std::string(60, 'x') + "...'"},
      {std::string(58, 'x') + "\x01", "'" + std::string(58, 'x') + "...'"},
  };
  for (const auto &[text, quoted] : cases)
    EXPECT_EQ(Quoted(text), quoted);

  // A 65 KB field is reported in a short line.
  CliRun r = Call({"batch", "Cs-D"}, "1000," + std::string(65000, 'x') + ",.01\n");
  EXPECT_LT(r.err.size(), 300u) << r.err;
  ExpectIn(r.err, {"'" + std::string(60, 'x') + "...' holds no number"});
  r = Call({"calc", "\xB5"
                    "F"});
  ExpectIn(r.err, {"unknown mode '\\xB5F'"});
  // Column names and lenient fields carry no NUL and only valid UTF-8.
  static constexpr char Log[] = "F\0,C\xB5,\"D\xC2\xB5\"\n1000,1\xB5,.01\n";
  r = Call({"batch", "--header", "--lenient", "Cs-D"}, std::string(Log, sizeof Log - 1));
  EXPECT_EQ(r.out.substr(0, r.out.find(",calc_Z")), "F\\x00,C\\xB5,D\xC2\xB5");
  EXPECT_EQ(Lines(r.out)[1].substr(0, 15), "1000,1\\xB5,.01,");
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

std::string ReadText(const std::string &path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// The options of a command in the table, sorted.
std::vector<std::string> TableOptions(const CliCommand &command) {
  std::vector<std::string> options;
  for (const CliOption &option : command.options)
    options.emplace_back(option.name);
  std::sort(options.begin(), options.end());
  return options;
}

// The manual's synopsis names each command with exactly the options of the
// table, in one or more forms.
TEST(CliDocs, ManPageSynopsisFollowsTheTable) {
  std::string man = ReadText(CALVORA_SOURCE_DIR "/docs/man/calvora-cli.1.in");
  for (std::size_t at; (at = man.find("\\-")) != std::string::npos;)
    man.replace(at, 2, "-");
  const std::size_t start = man.find(".SH SYNOPSIS\n"), end = man.find(".SH DESCRIPTION");
  ASSERT_LT(start, end);
  std::map<std::string, std::vector<std::string>> named;
  // The options of each form, from its ".B calvora-cli" line to the next ".br".
  const std::string synopsis = man.substr(start, end - start);
  for (std::size_t at = synopsis.find(".B calvora-cli "); at != std::string::npos;
       at = synopsis.find(".B calvora-cli ", at + 1)) {
    const std::string form = synopsis.substr(at, synopsis.find(".br", at) - at);
    const std::string command = form.substr(15, form.find_first_of(" \n", 15) - 15);
    named[command]; // a form without options counts too
    for (std::size_t o = form.find("--"); o != std::string::npos; o = form.find("--", o + 2)) {
      const std::size_t e = form.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", o + 2);
      named[command].push_back(form.substr(o, e - o));
    }
  }
  for (const CliCommand &command : CliCommandTable()) {
    ASSERT_TRUE(named.count(std::string(command.name))) << command.name;
    std::vector<std::string> options = named[std::string(command.name)];
    std::sort(options.begin(), options.end());
    options.erase(std::unique(options.begin(), options.end()), options.end());
    EXPECT_EQ(options, TableOptions(command)) << command.name;
  }
}

// What the bash completion offers at the end of `line`, sorted.
std::vector<std::string> Completions(const std::string &line) {
  const std::string script = testing::TempDir() + "complete.sh",
                    out = testing::TempDir() + "offers";
  std::ofstream(script) << "source \"$1\" || exit 1\n"
                           "COMP_LINE=$2\nCOMP_POINT=${#COMP_LINE}\n"
                           "read -r -a COMP_WORDS <<<\"$COMP_LINE\"\n"
                           "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                           "func=$(complete -p calvora-cli | sed -nE 's/.*-F ([^ ]+) .*/\\1/p')\n"
                           "\"$func\" calvora-cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
  const std::string command = "bash '" + script +
                              "' '" CALVORA_SOURCE_DIR "/dist/linux/calvora-cli.bash' '" + line +
                              "' >'" + out + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::vector<std::string> offers;
  for (const std::string &offer : Lines(ReadText(out)))
    if (!offer.empty())
      offers.push_back(offer);
  std::sort(offers.begin(), offers.end());
  return offers;
}

// The completion offers the table's commands, and each command's options
// wherever they may stand.
TEST(CliDocs, CompletionOffersTheTable) {
  std::vector<std::string> commands = {"--help", "--version", "-h", "help"};
  for (const CliCommand &command : CliCommandTable()) {
    commands.emplace_back(command.name);
    std::vector<std::string> options = TableOptions(command);
    options.insert(options.end(), {"--", "--help", "-h"});
    std::sort(options.begin(), options.end());
    const std::string name(command.name);
    EXPECT_EQ(Completions("calvora-cli " + name + " -"), options) << name;
    EXPECT_EQ(Completions("calvora-cli " + name + " 1 -"), options) << name;
  }
  std::sort(commands.begin(), commands.end());
  EXPECT_EQ(Completions("calvora-cli "), commands);
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
