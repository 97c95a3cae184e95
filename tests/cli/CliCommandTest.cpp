// The single-shot commands: parse, format, numbertext, calc, and the
// argument errors.
#include "CliTestSupport.h"

#include "cli/CliCommands.h"
#include "dialog/ModeCatalogue.h"

#include <gtest/gtest.h>

namespace {

struct OutputCase {
  std::vector<std::string> args;
  std::string out;
};

void ExpectOutputs(const std::vector<OutputCase>& cases) {
  for (const OutputCase& c : cases) {
    CliResult r = RunCliWith(c.args);
    std::string call;
    for (const std::string& a : c.args)
      call += " [" + a + "]";
    EXPECT_EQ(r.code, 0) << call << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << call;
    EXPECT_EQ(r.err, "") << call;
  }
}

TEST(CliParse, SeventeenDigitsAndSpellings) {
  ExpectOutputs({
      {{"parse", "1000"}, "1000\n"},
      {{"parse", ".01"}, "0.01\n"},
      {{"parse", "0.1"}, "0.10000000000000001\n"}, // needs all 17 digits
      {{"parse", "4.7E-3"}, "0.0047000000000000002\n"},
      {{"parse", "-"}, "-0\n"},       // a lone sign is negative zero
      {{"parse", "-0"}, "-0\n"},
      {{"parse", "abc"}, "0\n"},
      {{"parse", "1E400"}, "inf\n"},  // beyond the double range
      {{"parse", "-1E400"}, "-inf\n"},
      {{"parse", "1E5000"}, "1.7014118346046923e+38\n"},
      {{"parse", "&HFFFF"}, "-1\n"},
      {{"parse", " 12 ohms"}, "12\n"},
  });
}

TEST(CliFormat, EngineeringTexts) {
  ExpectOutputs({
      {{"format", "1234.5678", "4", "Ohms"}, " 1.2346 kOhms\n"},
      {{"format", "-1591.5494", "4", "Ohms"}, "-1.5915 kOhms\n"},
      {{"format", "0.001", "4", "H"}, " 1000 uH\n"},
      {{"format", "0x1.8p10", "4", "Hz"}, " 1.536 kHz\n"}, // hex float 1536
      {{"format", "-0x1p-2", "2", "F"}, "-250 mF\n"},
      {{"format", "inf", "4", "Ohms"}, " 9.99999999999999E+998 TOhms\n"},
      {{"format", "-inf", "4", "Ohms"}, "-9.99999999999999E+998 TOhms\n"},
      {{"format", "nan", "2", "mhos"}, " 0 amhos\n"},
      {{"format", "1e999", "4", "F"}, " 9.99999999999999E+998 TF\n"}, // overflows to inf
      {{"format", "0", "4", ""}, " 0 a\n"},
  });
}

TEST(CliNumberText, WithAndWithoutPlaces) {
  ExpectOutputs({
      {{"numbertext", "-45"}, "-45\n"},
      {{"numbertext", "1234567.891"}, " 1234567.891\n"},
      {{"numbertext", "0.5"}, " .5\n"},
      {{"numbertext", "0.125", "2"}, " .12\n"}, // exact tie goes to even
      {{"numbertext", "0.375", "2"}, " .38\n"},
      {{"numbertext", "2.5", "0"}, " 2\n"},
      {{"numbertext", "-0.001", "2"}, " 0\n"}, // never "-0"
      {{"numbertext", "0.123456789", "400"}, " .123456789\n"},
      {{"numbertext", "123456", "-3"}, " 123000\n"}, // negative places round to thousands
      {{"numbertext", "123456", "-2147483648"}, " 0\n"},
      {{"numbertext", "-inf"}, "-9.99999999999999E+998\n"},
      {{"numbertext", "nan", "3"}, " 0\n"},
  });
}

TEST(CliArguments, HelpAndVersion) {
  ExpectOutputs({{{"--version"}, "calvora-cli 1.03\n"}});
  CliResult help = RunCliWith({"--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_EQ(help.out.rfind("Usage:", 0), 0u);
  for (const ModeDescriptor& mode : ModeCatalogue)
    EXPECT_NE(help.out.find(mode.caption), std::string::npos) << mode.caption;
}

TEST(CliArguments, UsageErrorsNameTheProblem) {
  struct Case {
    std::vector<std::string> args;
    std::string message; // expected within stderr
  };
  const Case cases[] = {
      {{}, "no command"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"--verbose"}, "unknown option '--verbose'"},
      {{"parse"}, "parse takes exactly one TEXT"},
      {{"parse", "1", "2"}, "parse takes exactly one TEXT"},
      {{"format", "1", "4"}, "format takes VALUE PLACES UNIT"},
      {{"format", "abc", "4", "Ohms"}, "VALUE 'abc'"},
      {{"format", "1.5e", "4", "Ohms"}, "VALUE '1.5e'"}, // trailing junk
      {{"format", "", "4", "Ohms"}, "VALUE ''"},
      {{"format", "1", "x", "Ohms"}, "PLACES 'x'"},
      {{"format", "1", "1.5", "Ohms"}, "PLACES '1.5'"},
      {{"format", "1", "-", "Ohms"}, "PLACES '-'"},
      {{"format", "1", "2147483648", "Ohms"}, "PLACES '2147483648'"},
      {{"format", "1", "-2147483649", "Ohms"}, "PLACES '-2147483649'"},
      {{"numbertext"}, "numbertext takes VALUE"},
      {{"numbertext", "1", "2", "3"}, "numbertext takes VALUE"},
      {{"numbertext", "1,5"}, "VALUE '1,5'"},
      {{"calc"}, "calc needs a MODE"},
      {{"calc", "--json"}, "calc needs a MODE"},
      {{"calc", "Xs-Q"}, "unknown mode 'Xs-Q'"},
      {{"calc", "0"}, "unknown mode '0'"},
      {{"calc", "17"}, "unknown mode '17'"},
      {{"calc", "--xml", "Cs-D"}, "unknown option '--xml'"},
      {{"calc", "--json", "--report", "Cs-D"}, "exclude each other"},
      {{"calc", "Cs-D", "1", "2", "3", "4"}, "mode Cs-D has 3 entry rows, 4 TEXTs given"},
      {{"batch"}, "batch needs a MODE"},
      {{"batch", "Cs-D", "extra"}, "'extra' is one argument too many"},
      {{"batch", "--csv", "Cs-D"}, "unknown option '--csv'"},
      {{"batch", "Nope"}, "unknown mode 'Nope'"},
  };
  for (const Case& c : cases) {
    CliResult r = RunCliWith(c.args);
    std::string call = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(r.code, CliUsageError) << call << " / " << c.message;
    EXPECT_EQ(r.out, "") << call;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << "expected \"" << c.message
                                                          << "\" in: " << r.err;
  }
}

TEST(CliModeLookup, CaptionsInAnyCaseAndNumbers) {
  struct Case {
    const char* text;
    int modeId; // 0: names no mode
  };
  const Case cases[] = {
      {"Cs-D", 3},   {"cs-d", 3},   {"CS-D", 3},   {"cs||cs", 6}, {"LS||ls", 11},
      {"ivp", 13},   {"Cp-Rp", 16}, {"1", 1},      {"16", 16},    {"03", 3},
      {"0", 0},      {"17", 0},     {"-3", 0},     {"", 0},       {"3x", 0},
      {"Cs-D ", 0},  {"Cs", 0},     {"00000000000000000009", 9},
      {"100000000000000000003", 0}, // large numbers must not wrap onto a mode
  };
  for (const Case& c : cases) {
    const ModeDescriptor* mode = FindModeArgument(c.text);
    EXPECT_EQ(mode == nullptr ? 0 : mode->ModeId, c.modeId) << "'" << c.text << "'";
  }
  EXPECT_EQ(RunCliWith({"calc", "cs-d", "1000", "1", ".01"}).out,
            RunCliWith({"calc", "3", "1000", "1", ".01"}).out);
}

// 1 uF with 10 ohms in series at 1 kHz.
const std::vector<std::string> SeriesRC = {"Cs-R", "1000", "1", "10"};

std::vector<std::string> Args(std::vector<std::string> head, const std::vector<std::string>& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

TEST(CliCalc, PanelRowsAsShown) {
  ExpectOutputs({
      {Args({"calc"}, SeriesRC),
       "Z\t 159.4688 Ohms\nRs\t 10 Ohms\nXs\t-159.1549 Ohms\nY\t 6.27 mmhos\n"
       "Gp\t 393.23 umhos\nBp\t 6.26 mmhos\nCs\t 1 uF\nCp\t 996.0677 nF\n"
       "Rp\t 2.543 kOhms\nQ\t 15.9155\nD\t .0628\nPhase angle\t-86.4 degrees\n"},
      // Bp zero: the message stands alone, no Q and D rows.
      {{"calc", "--panel", "R-X", "1000", "1000", "0", "100"},
       "Z\t 100 Ohms\nRs\t 100 Ohms\nXs\t 0 aOhms\nY\t 10 mmhos\nGp\t 10 mmhos\n"
       "Bp\t 0 amhos\nDevice is purely resistive\nRp\t 100 Ohms\nPhase angle\t 0 degrees\n"},
  });
}

TEST(CliCalc, ReportLinesAsPrinted) {
  ExpectOutputs({
      {Args({"calc", "--report"}, SeriesRC),
       "F =  1 kHz\nZ =  159.4688 Ohms\nRs =  10 Ohms\nXs = -159.1549 Ohms\n"
       "Y =  6.27 mmhos\nGp =  393.23 umhos\nBp =  6.26 mmhos\nCs =  1 uF\n"
       "Cp =  996.0677 nF\nRp =  2.543 kOhms\nQ =  15.9155\nD =  .0628\n"
       "Phase angle = -86.4 degrees\n"},
  });
}

TEST(CliCalc, JsonFieldsInRecordOrder) {
  ExpectOutputs({
      // Pure resistance: Bp is negative zero, D infinite, Cp and Lp NaN.
      {{"calc", "--json", "R-X", "1000", "1000", "0", "50"},
       "{\"F\":1000,\"F0Bridge\":1000,\"Z\":50,\"Rs\":50,\"Rp\":50,\"Xs\":0,\"Aux\":0,"
       "\"Gp\":0.02,\"Bp\":-0,\"Y\":0.02,\"Cs\":\"inf\",\"Cp\":\"nan\",\"Ls\":0,"
       "\"Lp\":\"nan\",\"Q\":0,\"D\":\"-inf\",\"Phase\":0}\n"},
  });
  // 17 significant digits, and -inf spelled as a string.
  EXPECT_NE(RunCliWith(Args({"calc", "--json"}, SeriesRC)).out.find("\"Xs\":-159.15494309189535,"),
            std::string::npos);
  EXPECT_NE(RunCliWith({"calc", "--json", "Cs-R", "1000", "0", "10"}).out.find("\"Xs\":\"-inf\","),
            std::string::npos);
}

TEST(CliCalc, MissingRowsTakeTheirDefaults) {
  // Both bridge frequency rows default to "1000".
  std::string bridge = RunCliWith({"calc", "--json", "R-X"}).out;
  EXPECT_EQ(bridge.rfind("{\"F\":1000,\"F0Bridge\":1000,", 0), 0u) << bridge;
  EXPECT_EQ(RunCliWith({"calc", "--json", "Cs-D"}).out,
            RunCliWith({"calc", "--json", "Cs-D", "1000", " ", " "}).out);
  EXPECT_EQ(RunCliWith({"calc", "--json", "Ls-Q", "50", "10"}).out,
            RunCliWith({"calc", "--json", "Ls-Q", "50", "10", " "}).out);
  // After the MODE every argument is a text, even one that looks like an
  // option ("--json" reads as a lone minus sign: negative zero).
  EXPECT_EQ(RunCliWith({"calc", "--json", "Ls-Q", "1000", "--json"}).out,
            RunCliWith({"calc", "--json", "Ls-Q", "1000", "-0"}).out);
  EXPECT_EQ(RunCliWith({"calc", "--", "Ls-Q", "-5"}).out,
            RunCliWith({"calc", "Ls-Q", "-5"}).out);
}

TEST(CliOutputFailure, ReportedAsFailure) {
  MemoryStreams m;
  m.failWrite = true;
  CliResult r = RunCliOn(m, {"--version"});
  EXPECT_EQ(r.code, CliFailed);
  EXPECT_NE(r.err.find("cannot write standard output"), std::string::npos);
}

} // namespace
