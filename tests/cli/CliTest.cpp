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
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

using namespace std::string_literals;
using Args = std::vector<std::string>;

// One run: its input, bytes per read (0: all that fit), failing reads or writes, its output.
struct CliRun {
  std::string in, out, err;
  std::size_t position = 0, piece = 0;
  bool broken = false, writesFail = false;
  int code = -1;
};

CliRun Call(const Args &args, const std::string &input = "", std::size_t piece = 0,
            bool broken = false, bool writesFail = false) {
  CliRun m{input, "", "", 0, piece, broken, writesFail, -1};
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

std::string Whole(const CliRun &r) { return r.out + r.err + std::to_string(r.code); }

const std::string Results = "calc_Z,calc_Rs,calc_Xs,calc_Y,calc_Gp,calc_Bp,calc_Cs,calc_Cp,calc_Ls,"
                            "calc_Lp,calc_Rp,calc_Q,calc_D,calc_Phase";

std::vector<std::string> Lines(const std::string &text, char separator = '\n') {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line, separator);)
    lines.push_back(line);
  return lines;
}

void ExpectIn(const std::string &text, std::initializer_list<std::string> parts) {
  for (const std::string &part : parts)
    EXPECT_NE(text.find(part), std::string::npos) << part << " not in:\n" << text;
}

// `names` sorted, each once; a command's options in the table, sorted.
std::vector<std::string> Distinct(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  return names;
}

std::vector<std::string> TableOptions(const CliCommand &command) {
  std::vector<std::string> options;
  for (const CliOption &option : command.options)
    options.emplace_back(option.name);
  std::sort(options.begin(), options.end());
  return options;
}

// The CSV columns of a batch run after the input columns.
std::vector<std::string> ResultColumnsOf(const std::string &csv) {
  std::vector<std::string> rows;
  for (const std::string &line : Lines(csv)) {
    std::size_t at = 0;
    for (int k = 0; k < 3 && at != std::string::npos; ++k)
      at = line.find(',', line[at] == '"' ? line.find('"', at + 1) : at) + 1;
    rows.push_back(line.substr(at));
  }
  return rows;
}

TEST(Cli, ExactOutputs) {
  // `out` without a final line end: how the output starts.
  // clang-format off
  const struct { Args args; std::string out, input = ""; } cases[] = {
      {{"--version"}, "calvora-cli " CALVORA_VERSION "\n"},
      {{"parse", "0.1"}, "0.10000000000000001\n"},         // needs all 17 digits
      {{"format", "0x1.8p10", "4", "Hz"}, " 1.536 kHz\n"}, // hex float 1536
      {{"format", "1e999", "4", "F"}, " 9.99999999999999E+998 TF\n"},
      {{"numbertext", "1234567.891"}, " 1234567.891\n"},
      {{"numbertext", "-1234.5678", "-2"}, "-1200\n"}, // a negative operand, and PLACES
      // 1 uF with 10 ohms in series at 1 kHz.
      {{"calc", "--report", "cs-r", "1000", "1", "10"},
       "F =  1 kHz\nZ =  159.4688 Ohms\nRs =  10 Ohms\nXs = -159.1549 Ohms\nY =  6.27 mmhos\n"
       "Gp =  393.23 umhos\nBp =  6.26 mmhos\nCs =  1 uF\nCp =  996.0677 nF\nRp =  2.543 kOhms\n"
       "Q =  15.9155\nD =  .0628\nPhase angle = -86.4 degrees\n"},
      {{"batch", "5"}, "F,Cs,R," + Results +
       "\n1000,1,10,159.4687929050209,10,-159.15494309189535,0.006270819398473761,"
       "0.00039323175928274824,0.0062584778270571685,-1e-06,-9.960676824071725e-07,"
       "-0.025330295910584447,-0.025430295910584447,2543.0295910584446,-15.915494309189535,"
       "0.06283185307179585,-86.40472622013183\n", "1000,1,10\n"},
      // The panel. Bp zero: the message stands alone, no Q and D rows.
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
      {{"calc", "--json", "r-x"}, "{\"F\":1000,\"F0Bridge\":1000,\"Z\":0,"}, // rows left: defaults
      {{"batch", "R-X"}, "Bridge f0,Actual f0,X,R," + Results +
       "\n1000,1000,0,50,50,50,0,0.02,0.02,-0,inf,nan,0,nan,50,0,-inf,0\n", "1000,1000,0,50\n"},
      // Input columns keep their text; fields holding commas and quotes come out quoted.
      {{"batch", "Cs-D"}, "F,Cs,DF," + Results + "\n1000,\"4,7\",\"0,01\",", "1000;4,7;0,01\n"},
      {{"batch", "--header", "--lenient", "Cs-D"},
       "f,\"C, uF\",\"say \"\"D\"\"\"," + Results + "\n1000,\"1,5\",\"1\"\"\",",
       "# first\nf\tC, uF\tsay \"D\"\n1000\t1,5\t1\"\n"},
      {{"batch", "--header", "Cs-D"}, "F,Cs,DF," + Results + "\n"}, // no header line at all
      {{"batch", "--header", "Cs-D"}, "F,C,D,calc_Z,", "\xEF\xBB\xBF" "F,C,D\n1,1,.01\n"}, // a BOM
      // Column names and lenient fields carry no NUL and only valid UTF-8.
      {{"batch", "--header", "--lenient", "Cs-D"},
       "F\\x00,C\\xB5,D\xC2\xB5," + Results + "\n1000,1\\xB5,.01,",
       "F\0,C\xB5,\"D\xC2\xB5\"\n1000,1\xB5,.01\n"s},
      // A result column never takes an input column's name.
      {{"batch", "--header", "--pair", "Cp-D", "--accuracy", "1%", "1%"},
       "f,calc_Q_high,calc_calc_Z,calc_calc_calc_Z,calc_calc_calc_Z_low,calc_calc_calc_Z_high,",
       "f,calc_Q_high,calc_calc_Z\n1000,1n,0.01\n"},
      // A meter's log with accuracy: each result, then the ends of its range.
      {{"batch", "--pair", "Cp-D", "--accuracy", "0.05%", "0.0005"},
       "F,Cp,D,calc_Z,calc_Z_low,calc_Z_high,calc_Rs,calc_Rs_low,calc_Rs_high,calc_Xs,calc_Xs_low,"
       "calc_Xs_high,calc_Y,calc_Y_low,calc_Y_high,calc_Gp,calc_Gp_low,calc_Gp_high,calc_Bp,"
       "calc_Bp_low,calc_Bp_high,calc_Cs,calc_Cs_low,calc_Cs_high,calc_Cp,calc_Cp_low,"
       "calc_Cp_high,calc_Ls,calc_Ls_low,calc_Ls_high,calc_Lp,calc_Lp_low,calc_Lp_high,calc_Rp,"
       "calc_Rp_low,calc_Rp_high,calc_Q,calc_Q_low,calc_Q_high,calc_D,calc_D_low,calc_D_high,"
       "calc_Phase,calc_Phase_low,calc_Phase_high\n1k,1n,0.0002,159154.9399087966,"
       "159075.36641574072,159234.56037208138,31.83098734513958,0,111.46413764302953,",
       "1k,1n,0.0002\r\n"},
      // The README's example: D may be 0 to 0.0007, so Rs, Gp, Rp, Q and D are
      // flagged; capacitive Xs, Cs, Cp and Q are negative, as the record has them.
      {{"convert", "--accuracy", "0.05%", "0.0005", "Cp-D", "1kHz", "1nF", "0.0002"},
       "Z\t 159.1549 kOhms\t 159.0754 kOhms \xE2\x80\xA6 159.2346 kOhms\n"
       "Rs\t 31.831 Ohms\t 0 aOhms \xE2\x80\xA6 111.4641 Ohms\tunreliable\n"
       "Xs\t-159.1549 kOhms\t-159.2346 kOhms \xE2\x80\xA6 -159.0753 kOhms\n"
       "Y\t 6.28 umhos\t 6.28 umhos \xE2\x80\xA6 6.29 umhos\n"
       "Gp\t 1.26 nmhos\t 0 amhos \xE2\x80\xA6 4.4 nmhos\tunreliable\n"
       "Bp\t 6.28 umhos\t 6.28 umhos \xE2\x80\xA6 6.29 umhos\n"
       "Cs\t-1 nF\t-1.0005 nF \xE2\x80\xA6 -999.5 pF\n"
       "Cp\t-1 nF\t-1.0005 nF \xE2\x80\xA6 -999.5 pF\n"
       "Ls\t-25.3303 H\t-25.343 H \xE2\x80\xA6 -25.3176 H\n"
       "Lp\t-25.3303 H\t-25.343 H \xE2\x80\xA6 -25.3176 H\n"
       "Rp\t 795.7747 MOhms\t 227.2506 MOhms \xE2\x80\xA6 inf\tunreliable\n"
       "Q\t-5000\t-inf \xE2\x80\xA6 -1428.5714\tunreliable\n"
       "D\t .0002\t 0 \xE2\x80\xA6 .0007\tunreliable\n"
       "Phase\t-89.99 degrees\t-90 degrees \xE2\x80\xA6 -89.96 degrees\n"},
      // The same in JSON: values and range ends in full, bounds to three digits.
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
      // No capacitance: what is undefined is said to be, never written as 0.
      {{"convert", "Cp-D", "1k", "0", "0.001"},
       "Z\t inf\nRs\t inf\nXs\t-inf\nY\t undefined\nGp\t undefined\nBp\t undefined\n"
       "Cs\t 0 aF\nCp\t undefined\nLs\t-inf\nLp\t undefined\nRp\t undefined\nQ\t undefined\n"
       "D\t undefined\nPhase\t undefined\n"},
      {{"convert", "--json", "--accuracy", "0", "0", "Cp-D", "1k", "0", "0.001"},
       "{\"pair\": \"Cp-D\", \"F\": 1000, \"values\": {\"Z\": \"inf\", \"Rs\": \"inf\", "
       "\"Xs\": \"-inf\", \"Y\": \"nan\", "},
      // A phase of exactly ±90 degrees (or the double below π/2) is read.
      {{"convert", "Z-thd", "1k", "100", "-90deg"}, "Z\t 100 Ohms\nRs\t"},
      {{"convert", "Y-thr", "1k", "1m", "1.5707963267948966"}, "Z\t 1 kOhms\nRs\t"},
      // Y 10 mS at +30 degrees is Z 100 ohms at -30 degrees; the record's signs.
      {{"convert", "Y-thd", "1k", "10mS", "30deg"},
       "Z\t 100 Ohms\nRs\t 86.6025 Ohms\nXs\t-50 Ohms"}};

  // clang-format on

  for (const auto &c : cases) {
    const CliRun r = Call(c.args, c.input);
    EXPECT_EQ(r.code, 0) << c.args[0] << ": " << r.err;
    const bool whole = c.out.back() == '\n';
    EXPECT_EQ(whole ? r.out : r.out.substr(0, c.out.size()), c.out) << c.args[0] << c.args.back();
    EXPECT_EQ(r.err, "");
    // No column of batch is named twice (data tools would rename or refuse one).
    const std::vector<std::string> names = Lines(r.out.substr(0, r.out.find('\n')), ',');
    EXPECT_TRUE(c.args[0] != "batch" || Distinct(names).size() == names.size()) << r.out;
  }
}

// Wrong arguments are usage errors, bad lines of a log fail the run: named either way.
TEST(Cli, RefusalsNameTheProblem) {
  const Args mode = {"batch", "Cs-D"}, pair = {"batch", "--pair", "Cp-D"};

  // clang-format off
  const struct { Args args; std::string message, input = ""; } cases[] = {
      {{}, "no command"}, {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"format", "1.5e", "4", "Ohms"}, "VALUE '1.5e'"}, // trailing junk
      {{"numbertext", "1", "2147483648"}, "PLACES '2147483648'"},
      {{"calc", "--xml", "Cs-D"}, "unknown option '--xml' for calc"},
      {{"calc", "Cs-D", "1", "2", "3", "4"}, "mode Cs-D has 3 entry rows, 4 TEXTs given ('4' is"},
      {{"calc", "--json", "--report", "Cs-D"}, "options '--json' and '--report' exclude each"},
      {{"batch", "17"}, "unknown mode '17'"},
      {{"calc", "4294967299"}, "unknown mode"}, // 2^32 + 3 must not wrap onto a mode
      {{"convert", "Cs-D", "1k", "1n"}, "convert takes PAIR F A B"},
      {{"convert", "Cx-D", "1k", "1n", "0.01"}, "unknown pair 'Cx-D'"},
      {{"convert", "Cs-D", "1k", "1nH", "0.01"}, "A '1nH' is not a capacitance"},
      {{"convert", "Cs-D", "1k", "", "0.01"}, "A '' is not a capacitance"}, // never read as 0
      {{"convert", "Cs-D", "0Hz", "1n", "0.01"}, "F '0Hz' is not a frequency above zero"},
      {{"convert", "Z-thd", "1k", "100", "-90.05deg"}, "B '-90.05deg' is beyond \xC2\xB1"},
      {{"convert", "Y-thr", "1k", "1m", "1.5708"}, "B '1.5708' is beyond \xC2\xB1\xCF\x80/2"},
      {{"convert", "Ls-Q", "1k", "1m", "-5"}, "B '-5' is negative; Q is entered as a magnitude"},
      {{"convert", "Cs-D", "1k", "1n", "-.01"}, "calvora-cli: B '-.01' is negative"}, // an operand
      {{"convert", "Z-thd", "1k", "50", "30rad"}, "B '30rad' is not an angle in degrees"},
      {{"convert", "--accuracy", "-1%", "1", "Cs-D", "1k", "1n", "0.01"}, "ACC_A '-1' is negative"},
      {{"convert", "--accuracy", "1%", "1rad", "Z-thd", "1k", "1", "1"}, "ACC_B '1rad'"},
      {{"batch", "--pair", "Nope"}, "unknown pair 'Nope'"},
      {{"batch", "--pair", "Cs-D", "Cs-D"}, "takes no MODE"},
      {{"batch", "--accuracy", "1%", "1%", "Cs-D"}, "--accuracy needs --pair"},
      // A surplus operand, an unknown option, an option's missing or surplus value.
      {{"--version", "extra"}, "--version takes no arguments; 'extra' is one argument too many"},
      {{"parse", "1", "2"}, "parse takes exactly one TEXT; '2' is one argument too many"},
      {{"format", "1", "2", "F", "x"}, "'x' is one argument too many"},
      {{"numbertext", "1", "2", "3"}, "'3' is one argument too many"},
      {{"convert", "Cp-D", "1k", "1n", "0.001", "extra"}, "'extra' is one argument too many"},
      {{"batch", "Cs-D", "extra"}, "'extra' is one argument too many"},
      {{"help", "calc", "x"}, "--help takes at most a COMMAND; 'x' is one argument too many"},
      {{"--help", "frobnicate"}, "unknown command 'frobnicate'"},
      {{"convert", "Cp-D", "1k", "1n", "0.001", "--jsn"}, "unknown option '--jsn' for convert"},
      {{"batch", "Cs-D", "--heder"}, "unknown option '--heder' for batch"},
      {{"batch", "Cs-D", "--pair"}, "--pair takes a PAIR"},
      {{"convert", "Cs-D", "1k", "1n", "1", "--accuracy", "1%"}, "--accuracy takes ACC_A and"},
      {{"convert", "--accuracy=1%", "1%", "Cs-D", "1k", "1n", "1"}, "'--accuracy=1%' gives one"},
      {{"batch", "--pair", "Cs-D", "--pair=Cp-D"}, "--pair is given twice"},
      // The separator and the decimal mark of a log, and ambiguous values.
      {{"batch", "--delimiter", ":", "Cs-D"}, "--delimiter takes , ; | or tab, not ':'"},
      {{"batch", "--delimiter=,", "--decimal-comma", "Cs-D"}, "needs a delimiter other than the"},
      {{"batch", "--lenient", "--pair", "Cs-D"}, "--lenient reads MODE fields"},
      {{"convert", "Cs-D", "1mhz", "1n", "0.01"}, "'1mhz' is ambiguous: milli or mega? Write mHz"},
      {{"convert", "Cs-D", "1k", "1,000n", "0.01"}, "'1,000n' is ambiguous: a decimal comma or a"},
      {{"convert", "--accuracy", "0,05 %", "1,000", "Cs-D", "1k", "1n", "0.01"}, "ACC_B '1,000'"},
      // Bad lines: a separator or mark that does not fit (the first record sets the
      // separator), a byte order mark inside, an impossible reading, a field not one number.
      {mode, "',7' (a decimal comma needs --decimal-comma)\n", "1000\t4,7\t0,01\n"},
      {mode, "'4.7' has a decimal point, but this input's decimal mark is the comma", "1;4.7;0\n"},
      {mode, "field 2 (Cs) '1.000,5' has a decimal point", "1000;1.000,5;0,01\n"},
      {mode, "expected 3 fields (F, Cs, DF) for mode Cs-D, found 2", "1000,4;7,0.01\n"},
      {mode, "line 2: field 1 (F) '1000;4' has text after", "1000,4.7,0.01\n1000;4,7;0,01\n"},
      {mode, "line 2: field 1 (F) '\\xEF\\xBB\\xBF+1000' holds no", "1\n\xEF\xBB\xBF+1000,1,.01\n"},
      {pair, "line 1: field 2 '4.7n' has a decimal point, but", "1k;4.7n;0,01\n"},
      {pair, "has a decimal comma, but this input's decimal mark is the point", "1\t4,7n\t0\n"},
      {pair, "line 1: field 2 '-1n' is negative; Cp is entered as a magnitude\n", "1k,-1n,2e-4\n"},
      {pair, "line 1: expected 3 fields (F, Cp, D) for pair Cp-D, found 2\n", "1k,1n\n"},
      {pair, "line 1: field 1 '0' is not a frequency above zero\n", "0,1n,0.001\n"},
      {mode, "line 1: field 2 (Cs) '4n7' has text after its number: 'n7'\n", "1,4n7,0\n"},
      {mode, "line 1: field 2 (Cs) '' holds no number\n", "1,  ,0\n"},
      {mode, "field 2 (Cs) '1E5000' is beyond the range of an entry row\n", "1000,1E5000,0.01\n"}};

  // clang-format on
  for (const auto &c : cases) {
    const CliRun r = Call(c.args, c.input);
    EXPECT_EQ(r.code, c.input.empty() ? CliUsageError : CliFailed) << c.message;
    EXPECT_EQ(r.out.empty(), c.input.empty()) << c.message; // a log's run writes its header
    ExpectIn(r.err, {c.message});
  }
}

// Bad lines are numbered and skipped; the row labels stand in for a bad header.
TEST(CliBatch, BadLinesReportedWithNumbersAndSkipped) {
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
  // Unreadable input gives no output, not even a header; unwritable output fails.
  const std::string unread = "calvora-cli: cannot read standard input\n1";
  EXPECT_EQ(Whole(Call({"batch", "Cs-D"}, "1000,1,.01\n", 0, true)), unread);
  EXPECT_EQ(Whole(Call({"batch", "--header", "Cs-D"}, "1000,1,.01\n", 0, true, true)), unread);
  r = Call({"batch", "Cs-D"}, "1000,1,.01\n", 0, false, true);
  EXPECT_EQ(r.err + std::to_string(r.code), "calvora-cli: cannot write standard output\n1");
}

#ifndef _WIN32
std::string ReadText(const std::string &path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// The real executable run by the shell on `input`; with `diskFull` its stdout refuses writes.
CliRun RunProcess(const std::string &arguments, const std::string &input, bool diskFull = false) {
  const std::string dir = testing::TempDir(), out = diskFull ? "/dev/full" : dir + "cli_out";
  std::ofstream(dir + "cli_in", std::ios::binary) << input;
  std::ofstream(dir + "cli_out").flush(); // empty unless the run writes it
  const int status = std::system((CALVORA_CLI_RUNNER "'" CALVORA_CLI_PATH "' " + arguments + " <'" +
                                  dir + "cli_in' >'" + out + "' 2>'" + dir + "cli_err'")
                                     .c_str());
  CliRun r{input, ReadText(dir + "cli_out"), ReadText(dir + "cli_err")};
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}
#endif

// Comments, blank lines, CR LF and CR alone, quoted and padded fields read as plain records
// in any reads, in-process or on real input; a line one byte over the limit is bad.
TEST(CliBatch, LayoutOfTheInputAndReadSizesDoNotMatter) {
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
  for (std::size_t piece : {1, 7, 1000, 65537})
    EXPECT_EQ(Whole(Call({"batch", "Cs-D"}, mixed, piece)), Whole(whole)) << piece;
#ifndef _WIN32
  EXPECT_EQ(Whole(RunProcess("batch Cs-D", mixed)), Whole(whole));
  const CliRun full = RunProcess("parse 1", "", true); // less than a buffer: seen at the flush
  EXPECT_EQ(full.err + std::to_string(full.code), "calvora-cli: cannot write standard output\n1");
#endif
}

// Bounds round up to three digits, laid out as the shortest spelling would be.
TEST(CliOutput, BoundsRoundUpToThreeDigits) {
  // clang-format off
  const std::pair<double, const char *> cases[] = {
      {79.59338544775255, "79.6"}, {0.0005, "5e-04"}, {5.000000000000001e-13, "5e-13"}, // noise
      {999.5, "1000"}, {123456, "124000"}, {0.1, "0.1"}, {1.2345e300, "1.24e+300"}, {0, "0"},
      {4.9406564584124654e-324, "5e-324"}, {HUGE_VAL, "inf"}, {std::nan(""), "nan"},
      {0.000123, "0.000123"}};
  // clang-format on
  char buffer[NumberSpellingMax];
  for (const auto &[bound, text] : cases)
    EXPECT_EQ(std::string(buffer, SpellBound(buffer, bound)), text) << bound;
  // Each reads back no less than the bound (but for its last bits), under 1 % above.
  std::mt19937_64 random(99);
  for (int trial = 0; trial < 100000; ++trial) {
    const double bound = std::ldexp(double(random() >> 11) + 1, int(random() % 200) - 150);
    const std::string text(buffer, SpellBound(buffer, bound));
    const double back = std::strtod(text.c_str(), nullptr);
    ASSERT_TRUE(back >= bound * (1 - 1e-11) && back < bound * 1.01) << bound << " gave " << text;
  }
}

// A range is flagged when undefined, unbounded, holding zero or wider than a factor of 2.
TEST(CliConvert, UnreliableRanges) {
  const double inf = HUGE_VAL, nan = std::nan("");
  // clang-format off
  const std::tuple<double, double, bool> cases[] = {
      {1, 2, false}, {1, 2.0000000001, true}, {-2, -1, false}, {-2.0000000001, -1, true}, // 2x
      {5, 5, false}, {1e-300, 1e-300, false}, {0, 1, true}, {-1, 0, true}, {-1, 1, true}, // zero
      {0, 0, true}, {1, inf, true}, {-inf, -1, true}, {-inf, inf, true}, // unbounded
      {nan, nan, true}, {nan, 1, true}, {1, nan, true}}; // undefined
  // clang-format on
  for (const auto &[low, high, flagged] : cases)
    EXPECT_EQ(IsUnreliable(low, high), flagged) << low << " … " << high;
}

// Separators, decimal commas and a UTF-8 byte order mark where the input opens, in
// any reads: each log holds the records "1000,4.7,0.01" and "2000,0.1,0.5".
TEST(CliBatchSeparators, EveryLayoutReadsTheSameRecords) {
  const std::vector<std::string> want =
      ResultColumnsOf(Call({"batch", "Cs-D"}, "1000,4.7,0.01\n2000,0.1,0.5\n").out);
  const std::string bom = "\xEF\xBB\xBF";
  const std::pair<Args, std::string> cases[] = {
      {{}, bom + "1000;4,7;0,01\n2000;0,1;0,5\n"},
      {{}, bom + "# a\r\n1000,4.7,.01\n2000,.1,.5\n"},
      {{}, "1000;4,7;0,01\n2000;0,1;0,5\n"},                // semicolons mean decimal commas
      {{}, "1000;4,7;1E-2\n2000;\"0,1\";0,5\n"},            // quoted, and an exponent
      {{}, "1000\t4.7\t0.01\n2000\t0.1\t0.5\n"},            // a tab in the first record
      {{}, "  1000 , 4.7 , \"0.01\"\n2000\t,0.1,0.5 \t\n"}, // blanks around the fields
      {{"--decimal-comma"}, "1000\t4,7\t0,01\n2000\t0,1\t0,5\n"},
      {{"--delimiter", "|"}, "1000|4.7|0.01\n2000|0.1|0.5\n"},
      {{"--delimiter=;"}, "1000;4.7;0.01\n2000;0.1;0.5\n"}, // points where the option says so
      {{"--delimiter", "tab", "--decimal-comma"}, "1000\t4,7\t0,01\n2000\t0,1\t0,5\n"},
      {{"--delimiter", "\\t"}, "1000\t4.7\t0.01\n2000\t0.1\t0.5\n"},
      {{"--delimiter", "\t"}, "1000\t4.7\t0.01\n2000\t0.1\t0.5\n"},
      {{"--delimiter", "|", "--decimal-comma"}, "1000|4,7|0,01\n2000|0,1|0,5\n"},
  };
  for (const auto &[options, log] : cases) {
    Args args = {"batch", "Cs-D"};
    args.insert(args.end(), options.begin(), options.end());
    for (std::size_t piece : {0, 1}) {
      const CliRun r = Call(args, log, piece);
      EXPECT_EQ(r.code, 0) << log << r.err;
      EXPECT_EQ(ResultColumnsOf(r.out), want) << log;
    }
  }
  // A meter's log in the same layouts, read as convert reads its values.
  const auto meter = ResultColumnsOf(Call({"batch", "--pair", "Cp-D"}, "1k,4.7n,0.01\n").out);
  ASSERT_EQ(meter.size(), 2u);
  for (const std::string &log :
       {bom + "1k;4,7n;0,01\n", "1k\t4.7 nF\t 0.01\n"s, "1k; 4n7 ;1e-2\n"s})
    EXPECT_EQ(ResultColumnsOf(Call({"batch", "--pair", "Cp-D"}, log).out), meter) << log;
}

// Each field is one number or the line is bad; --lenient reads it as the window
// would: as the plain number beside it.
TEST(CliBatchFields, StrictUnlessLenient) {
  // clang-format off
  const std::tuple<const char *, const char *, bool> cases[] = { // field, plain, read strictly
      {"1", "1", true}, {"  +.5 ", ".5", true}, {"1E-3", ".001", true}, {"1d3", "1000", true},
      {"&HFF", "255", true}, {"&HFFFF&", "65535", true}, {"&H0FFFF?", "65535", true},
      {"-0", "-0", true}, {"\"1\"", "1", true}, {"1E400", "1E400", true}, {"4n7", "4", false},
      {"1kHz", "1", false}, {"2E-", "2", false}, {"junk", "0", false}, {"", "0", false},
      {"  ", "0", false}, {"-", "-0", false}, {".", "0", false}, {"&H", "0", false},
      {"&19", "1", false}, {"&H10000000000000000", "0", false},
      {"1E5000", "1.7014118346046923e+38", false}};
  // clang-format on
  for (const auto &[field, plain, strictly] : cases) {
    const std::string log = "1000," + std::string(field) + ",0.01\n";
    const CliRun strict = Call({"batch", "Cs-D"}, log),
                 lenient = Call({"batch", "--lenient", "Cs-D"}, log);
    EXPECT_EQ(lenient.code, 0) << field;
    const CliRun read = Call({"batch", "Cs-D"}, "1000," + std::string(plain) + ",0.01\n");
    EXPECT_EQ(ResultColumnsOf(lenient.out), ResultColumnsOf(read.out)) << field;
    EXPECT_EQ(Whole(strict) == Whole(lenient), strictly) << field << strict.err;
    EXPECT_EQ(strict.code, strictly ? CliOk : CliFailed) << field;
  }
}

// Options stand anywhere, --NAME=VALUE gives an option its value, and any other
// argument is an operand, whatever it starts with: each group gives one output.
TEST(CliArguments, OptionsAndOperandsStandAnywhere) {
  // clang-format off
  const struct { std::vector<Args> forms; std::string input = ""; } groups[] = {
      {{{"convert", "--json", "Cp-D", "1k", "1n", "0.001"},
        {"convert", "Cp-D", "--json", "1k", "1n", "0.001"}}},
      {{{"convert", "Cp-D", "1k", "1n", "0.0002", "--accuracy", "1%", "0.0005"},
        {"convert", "Cp-D", "1k", "--accuracy", "1 %", "0,0005", "1n", "0.0002"}}},
      {{{"calc", "Cs-D", "1000", "1", ".01", "--report"},
        {"calc", "Cs-D", "--report", "--", "1000", "1", ".01"}}},
      {{{"batch", "--delimiter", ";", "--decimal-comma", "Cs-D", "--header"},
        {"batch", "--delimiter=;", "Cs-D", "--header", "--decimal-comma"}},
       "f;c;d\n1000;4,7;0,01\n"},
      {{{"batch", "--pair", "Cp-D"}, {"batch", "--pair=cp-d"}}, "1k,1n,0.001\n"},
      {{{"parse", "-0"}, {"parse", "--", "--help"}, {"parse", "--", "-h"}}}, // operands after --
      {{{"calc", "Cs-D", "-0"}, {"calc", "Cs-D", "--json=1"}}},
      {{{"format", "-1e999", "4", "Ohms"}, {"format", "-inf", "4", "Ohms"}}}};

  // clang-format on

  for (const auto &group : groups) {
    const CliRun first = Call(group.forms[0], group.input);
    EXPECT_EQ(first.code, 0) << first.err;
    for (const Args &form : group.forms)
      EXPECT_EQ(Whole(Call(form, group.input)), Whole(first)) << form[1];
  }
  // Texts that look like options are entry texts, read as the window reads them.
  for (const char *text : {"-", "--5", "-.e5", "- 5", "-inf", "-0"}) {
    EXPECT_EQ(Whole(Call({"parse", text})), "-0\n0") << text;
    EXPECT_EQ(Call({"calc", "Cs-D", "1000", text}).out, Call({"calc", "Cs-D", "1000", "-0"}).out);
  }
}

// Each command's -h and --help print its usage (part of the whole --help), whose
// lines name exactly its options.
TEST(CliHelp, EveryCommandAnswersHelp) {
  const std::string all = Call({"--help"}).out;
  for (const CliCommand &command : CliCommandTable()) {
    const std::string name(command.name), usage(command.usage);
    const CliRun help = Call({name, "--help"});
    EXPECT_EQ(help.err + std::to_string(help.code), "0");
    EXPECT_EQ(help.out.rfind("Usage:\n  calvora-cli " + name + " ", 0), 0u) << help.out;
    EXPECT_NE(all.find(help.out.substr(7, help.out.find("\n\n") - 7)), std::string::npos) << name;
    for (const Args &args : {Args{name, "-h"}, Args{"help", name}, Args{"--help", name},
                             Args{"-h", name}, Args{name, "x", "y", "z", "w", "v", "--help"}})
      EXPECT_EQ(Whole(Call(args)), help.out + "0") << args[0] << args[1];
    for (const CliOption &option : command.options)
      EXPECT_NE(help.out.find("\n      " + std::string(option.name)), std::string::npos);
    std::vector<std::string> named;
    for (std::size_t at = usage.find("--"); at != std::string::npos; at = usage.find("--", at + 2))
      named.push_back(usage.substr(at, usage.find_first_of(" ]|\n", at) - at));
    EXPECT_EQ(Distinct(named), TableOptions(command)) << name;
  }
  EXPECT_NE(all.find("  calvora-cli --help [COMMAND] | --version\n"), std::string::npos);
}

// Echoed texts escape what is not printable UTF-8, and are cut at 60 characters.
TEST(CliMessages, EchoedTextIsEscapedAndCut) {
  const std::string x58(58, 'x'), x60(60, 'x'); // apart: mingw's -Wrestrict misreads "'" + ...
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {"1\xC2\xB5", "'1\xC2\xB5'"}, {"1\xB5", "'1\\xB5'"}, // the micro sign; Latin-1 is not UTF-8
      {std::string("a\0b\x7F\t", 5), "'a\\x00b\\x7F\\x09'"}, // controls
      {"\xC0\x80", "'\\xC0\\x80'"}, {"\xED\xA0\x80", "'\\xED\\xA0\\x80'"}, // overlong, a surrogate
      {"\xF4\x90\x80\x80", "'\\xF4\\x90\\x80\\x80'"}, // beyond U+10FFFF
      {"\xE2\x82", "'\\xE2\\x82'"}, {"\xF0\x9F\x98\x80", "'\xF0\x9F\x98\x80'"}, // cut; 4 bytes
      {"\xC2\x85\xE2\x80\xAE\xEF\xBB\xBF", // C1, a direction override, a BOM
       "'\\xC2\\x85\\xE2\\x80\\xAE\\xEF\\xBB\\xBF'"},
      {x60, "'" + x60 + "'"}, {x60 + "x", "'" + x60 + "...'"},
      {x58 + "\x01", "'" + x58 + "...'"}}; // an escape counts as four
  // clang-format on
  for (const auto &[text, quoted] : cases)
    EXPECT_EQ(Quoted(text), quoted);
}

#ifndef _WIN32
// What the bash completion offers at the end of `line`, sorted.
std::vector<std::string> Completions(const std::string &line) {
  const std::string script = testing::TempDir() + "complete.sh",
                    out = testing::TempDir() + "offers";
  std::ofstream(script) << "source \"$1\" || exit 1\nCOMP_LINE=$2\nCOMP_POINT=${#COMP_LINE}\n"
                           "read -r -a COMP_WORDS <<<\"$COMP_LINE\"\n"
                           "COMP_CWORD=$((${#COMP_WORDS[@]} - 1))\n"
                           "func=$(complete -p calvora-cli | sed -nE 's/.*-F ([^ ]+) .*/\\1/p')\n"
                           "\"$func\" calvora-cli\nprintf '%s\\n' \"${COMPREPLY[@]}\"\n";
  const std::string command = "bash '" + script +
                              "' '" CALVORA_SOURCE_DIR "/dist/linux/calvora-cli.bash' '" + line +
                              "' >'" + out + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::vector<std::string> offers = Lines(ReadText(out));
  offers.erase(std::remove(offers.begin(), offers.end(), ""), offers.end());
  std::sort(offers.begin(), offers.end());
  return offers;
}

// The manual's synopsis and the completion (after an operand too) name the table's commands and
// options.
TEST(CliDocs, ManPageAndCompletionFollowTheTable) {
  std::string man = ReadText(CALVORA_SOURCE_DIR "/docs/man/calvora-cli.1.in");
  for (std::size_t at; (at = man.find("\\-")) != std::string::npos;)
    man.replace(at, 2, "-");
  const std::size_t start = man.find(".SH SYNOPSIS\n"), end = man.find(".SH DESCRIPTION");
  ASSERT_LT(start, end);
  // The options of each form, from its ".B calvora-cli" line to the next ".br".
  const std::string synopsis = man.substr(start, end - start);
  std::map<std::string, std::vector<std::string>> named;
  for (std::size_t at = synopsis.find(".B calvora-cli "); at != std::string::npos;
       at = synopsis.find(".B calvora-cli ", at + 1)) {
    const std::string form = synopsis.substr(at, synopsis.find(".br", at) - at);
    std::vector<std::string> &options = named[form.substr(15, form.find_first_of(" \n", 15) - 15)];
    for (std::size_t o = form.find("--"); o != std::string::npos; o = form.find("--", o + 2))
      options.push_back(
          form.substr(o, form.find_first_not_of("abcdefghijklmnopqrstuvwxyz-", o + 2) - o));
  }
  std::vector<std::string> commands = {"--help", "--version", "-h", "help"};
  for (const CliCommand &command : CliCommandTable()) {
    const std::string name(command.name);
    commands.push_back(name);
    EXPECT_EQ(named.count(name), 1u) << name;
    EXPECT_EQ(Distinct(named[name]), TableOptions(command)) << name;
    std::vector<std::string> options = TableOptions(command);
    options.insert(options.end(), {"--", "--help", "-h"});
    EXPECT_EQ(Completions("calvora-cli " + name + " 1 -"), Distinct(options)) << name;
  }
  EXPECT_EQ(Completions("calvora-cli "), Distinct(commands));
}
#endif

} // namespace
